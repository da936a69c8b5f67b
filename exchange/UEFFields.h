#pragma once

#include <QString>

// A text field of an exchange item class T with its tag. Each class lists its fields once, in the order the writer
// puts them, beside the class (kBoxFields, kMediaFields, kMovieFields); the parser reads the same tags, so the two
// can never disagree on a tag.
template <class T> struct UEFField
{
    const char* tag;
    const QString& (T::*get)() const;
    void (T::*set)(const QString&);
};
