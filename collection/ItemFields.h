#pragma once

#include "mTypMediaInfo.h"

#include <QString>

#include <span>

// How an item's folder keeps one of its fields.
enum class FieldForm : unsigned char
{
    Number, // a record line "KEY = 12"
    Line,   // a record line "KEY = value", line ends inside written as spaces
    Lines,  // a record line "KEY = entry" per entry (CR LF between entries) that is not blank
    File,   // a text file of its own beside the record, named by the key
};

// One field of the item class T: where its folder keeps it, its exchange tag, and how to read and set it. Each kind
// lists its fields once (T::Fields()), in the order its record writes them; the record writer and reader, the
// exchange mapping, the templates and the editors walk that list.
template <class T> struct ItemField
{
    const char* key = nullptr; // the record key; the file's name for FieldForm::File
    FieldForm form = FieldForm::Line;
    const char* exchange = nullptr; // the exchange tag; null for a field that does not travel
    bool common = false;            // a template gives it to every item made from it
    // The member of dMedia the field is; null for the item's own fields.
    QString mTypMediaInfo::*media = nullptr;
    // Text fields (every form but Number).
    QString (*text)(const T&) = nullptr;
    void (*setText)(T&, const QString&) = nullptr;
    // Numbers.
    int (*number)(const T&) = nullptr;
    void (*setNumber)(T&, int) = nullptr;
};

// The entries of a kind's field list, from its accessors.
template <class T> struct FieldMaker
{
    static constexpr bool kCommon = true;

    template <auto Get, auto Set> static constexpr ItemField<T> Number(const char* key)
    {
        ItemField<T> field{key, FieldForm::Number};
        field.number = [](const T& item) -> int { return (item.*Get)(); };
        field.setNumber = [](T& item, int value) { (item.*Set)(value); };
        return field;
    }
    template <auto Get, auto Set>
    static constexpr ItemField<T> Text(FieldForm form, const char* key, const char* exchange, bool common = false)
    {
        ItemField<T> field{key, form, exchange, common};
        field.text = [](const T& item) -> QString { return (item.*Get)(); };
        field.setText = [](T& item, const QString& value) { (item.*Set)(value); };
        return field;
    }
    template <auto Get, auto Set>
    static constexpr ItemField<T> Line(const char* key, const char* exchange = nullptr, bool common = false)
    {
        return Text<Get, Set>(FieldForm::Line, key, exchange, common);
    }
    template <auto Get, auto Set>
    static constexpr ItemField<T> Lines(const char* key, const char* exchange = nullptr, bool common = false)
    {
        return Text<Get, Set>(FieldForm::Lines, key, exchange, common);
    }
    template <auto Get, auto Set>
    static constexpr ItemField<T> File(const char* name, const char* exchange = nullptr, bool common = false)
    {
        return Text<Get, Set>(FieldForm::File, name, exchange, common);
    }
    // One member of the item's dMedia, a single line.
    template <QString mTypMediaInfo::*Member>
    static constexpr ItemField<T> Media(const char* key, const char* exchange, bool common = false)
    {
        ItemField<T> field{key, FieldForm::Line, exchange, common, Member};
        field.text = [](const T& item) -> QString { return item.dMedia().*Member; };
        field.setText = [](T& item, const QString& value) {
            mTypMediaInfo media = item.dMedia();
            media.*Member = value;
            item.setDMedia(media);
        };
        return field;
    }
};

// Gives `to` every field of `from` that a template gives (ItemField::common).
template <class T> void CopyCommonFields(const T& from, T& to)
{
    for (const ItemField<T>& field : T::Fields()) {
        if (field.common) {
            field.setText(to, field.text(from));
        }
    }
}
