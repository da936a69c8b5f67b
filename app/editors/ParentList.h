#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The list of containers an editor's "Belongs to:" picker offers, without the window: which containers, in which
// order, with which text, image and indentation, and how a chosen entry becomes a parent type and id.

// The editors with a picker; each offers fewer kinds of container than the one before.
enum class ParentKind
{
    Movie, // root, categories, groups, boxes, media
    Media, // root, categories, groups, boxes
    Box,   // root, categories, groups
    Group, // root, categories
};

// One entry of the picker.
struct ParentEntry
{
    QString key;   // "!0", or "C", "S", "B", "E" and the id
    QString text;  // the name, shortened to kParentTextLength
    QString image; // "imgVidsora", "imgCategory", "imgSubCategory", "imgBox" or "imgMedia"
    int indent = 0;

    friend bool operator==(const ParentEntry&, const ParentEntry&) = default;
};

inline constexpr int kParentTextLength = 50;
inline const QString kRootKey = QStringLiteral("!0");

// True when the list holds an entry for the key.
bool OffersPlace(const QList<ParentEntry>& places, const QString& key);

// The image keys of the picker's image list, root first.
QStringList ParentImageKeys();
// The image of a key's kind, by its first letter; empty for a kind no picker shows.
QString ParentImageKey(const QString& key);

// The keys in the picker's order: the root; each category in collection order, followed by its groups (each with its
// boxes and media by sort key, a box followed by its media) and then its own boxes and media; last the boxes and media
// at the root. An entry whose parent is not in the list (an orphan) is left out, and so is everything below it; the
// rest of the list is still built. Reads the collections and the child lists, which must be current.
QStringList ParentOrder(ParentKind kind);
// The entries of ParentOrder with their texts, images and indentation.
QList<ParentEntry> FillParentList(ParentKind kind);

// What a chosen key stores: the type by its first letter (0 root, 1 category, 2 group, 3 box, 4 medium) and the
// number after it ("!0" gives 0).
int ParentTypeOf(const QString& key);
int ParentIdOf(const QString& key);

// The parent an editor saves. The picker's choice, except for an item whose stored parent is not offered (a lost
// category, say): it keeps that stored parent until the user picks an entry of the list.
class ParentChoice
{
public:
    // The item's stored parent, as loaded; offered tells whether the picker lists it.
    void Load(const QString& storedKey, bool offered);
    // The user picked an entry.
    void Pick(const QString& key);
    // The picker's selection, when no stored parent overrides it.
    void Select(const QString& key) { m_selected = key; }

    // The key the item is saved under.
    QString Key() const;
    // The key the item is saved under while the picker shows selected; a picker showing nothing means the root.
    QString KeyShowing(const QString& selected) const
    {
        return m_kept.isEmpty() ? (selected.isEmpty() ? kRootKey : selected) : m_kept;
    }
    // True while a stored parent that the list does not offer is being kept.
    bool KeepsStored() const { return !m_kept.isEmpty(); }

private:
    QString m_selected = kRootKey;
    QString m_kept;
};
