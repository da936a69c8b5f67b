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

// The part of an item's page that shows a field, in the order the page writes its parts; None: the page leaves the
// field out.
enum class PagePart : unsigned char
{
    None,
    Head,    // the rows right under the title
    Details, // "Details"
    Story,   // "Synopsis & notes"
    People,  // "Cast & crew"
};

// One field of the item class T: where its folder keeps it, its exchange tag, how to read and set it, what the user
// sees it called and where its page shows it. Each kind lists its fields once (T::Fields()), in the order its record
// writes them; the record writer and reader, the exchange mapping, the templates, the editors and the page walk
// that list.
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
    // The editor's name for the field, with the "&" before its access key ("La&bel"); null for a field the editor
    // does not show by name.
    const char* caption = nullptr;
    // The page's row: its part and its place in that part, and its label when that is not the caption with ":".
    PagePart pagePart = PagePart::None;
    unsigned char pagePlace = 0;
    const char* pageLabel = nullptr;

    // The field with its caption, and its page row when part is not None.
    constexpr ItemField Shown(const char* name, PagePart part = PagePart::None, unsigned char place = 0,
                              const char* label = nullptr) const
    {
        ItemField field = *this;
        field.caption = name;
        field.pagePart = part;
        field.pagePlace = place;
        field.pageLabel = label;
        return field;
    }
};

// The caption as messages write it: without the access key's "&".
inline QString PlainCaption(const char* caption)
{
    return QString::fromLatin1(caption).remove(u'&');
}

// The label of the field's page row.
template <class T> QString PageLabel(const ItemField<T>& field)
{
    return field.pageLabel ? QString::fromLatin1(field.pageLabel) : PlainCaption(field.caption) + u':';
}

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
