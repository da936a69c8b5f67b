#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVector>

#include <optional>

enum class ItemKind; // CItem.h

// Shared procedures of the main program: item keys, sort keys, child-list pairs and small text helpers. The helpers
// for list and text controls are in "widgets/mControls.h".

// One entry of a child list.
struct mTypSortPair
{
    QString strKey;
    QString strSortKey;
    bool operator==(const mTypSortPair&) const = default;
};

// A child list: element 0 is an empty placeholder, the entries are 1..upper bound, so UBound() is the entry count.
class SortPairList
{
public:
    SortPairList() : m_items(1) {}
    void Reset() { m_items = QVector<mTypSortPair>(1); }
    int UBound() const { return int(m_items.size()) - 1; }
    const mTypSortPair& operator[](int i) const { return m_items[i]; }
    mTypSortPair& operator[](int i) { return m_items[i]; }
    QVector<mTypSortPair>& Items() { return m_items; }
    const QVector<mTypSortPair>& Items() const { return m_items; }

private:
    QVector<mTypSortPair> m_items;
};

void AddPair(SortPairList& list, const QString& key, const QString& sortKey);
// Sorts entries 1..n ascending by strSortKey (ordinal), leaving equal keys exactly where the classic exchange sort
// (for i, for j > i, swap when i's key is greater) leaves them; the tree shows equal siblings in that order.
void SortPairs(SortPairList& list);

// An item key is its kind's letter (CItem::KeyLetter) and the id; a parent type names the kind of a parent: 1
// category, 2 group, 3 box, 4 medium, and 0 the root "!0". Every reading of a key's letter goes through these.

// "C", "S", "B", "E" and the id for parent types 1 to 4; "!0" for any other type.
QString MakeItemKey(int parentType, const QVariant& id);
QString MakeItemKey(int parentType, qint64 id);
// "!" 0, "C" 1, "S" 2, "B" 3, "E" 4; anything else 0. The whole string is compared.
int KeyPrefixToType(const QString& letter);
// The kind a key names by its first letter; none for the root and for any other key.
std::optional<ItemKind> KindOfKey(QStringView key);
// True for a key whose first letter is the root's "!".
bool IsRootKey(QStringView key);
QString MakeSortKey(const QString& title);

QString GetVersionText();
QString DigitsOnly(const QString& text);
QString FormatRegions(const QString& regions);
QString ShortenText(const QString& text, int maxLength);
QString GetExtension(const QString& fileName);
