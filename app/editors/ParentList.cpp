#include "editors/ParentList.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "core/Collections.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

#include <QHash>

#include <algorithm>
#include <list>
#include <optional>

namespace {

// An ordered list of keys in which a key is inserted right after another one.
class OrderList
{
public:
    explicit OrderList(const QString& first) { m_where.insert(first, m_keys.insert(m_keys.end(), first)); }

    // False when after is not in the list (the entry is an orphan here) or key is there already.
    bool InsertAfter(const QString& key, const QString& after)
    {
        const auto anchor = m_where.constFind(after);
        if (anchor == m_where.cend() || m_where.contains(key)) {
            return false;
        }
        m_where.insert(key, m_keys.insert(std::next(*anchor), key));
        return true;
    }

    QStringList Keys() const { return {m_keys.begin(), m_keys.end()}; }

private:
    std::list<QString> m_keys;
    QHash<QString, std::list<QString>::iterator> m_where;
};

// Boxes and media of a child list, from its last entry to its first, each after its own parent.
void InsertChildren(OrderList& order, const SortPairList& children, bool boxes, bool media)
{
    for (int i = children.UBound(); i >= 1; --i) {
        const QString& key = children[i].strKey;
        const std::optional<ItemKind> kind = KindOfKey(key);
        if (kind == ItemKind::Box && boxes && gBoxes) {
            if (const auto box = gBoxes->Item(key)) {
                order.InsertAfter(box->strKey(), MakeItemKey(box->lngParentType(), qint64(box->lngParentID())));
            }
        } else if (kind == ItemKind::Media && media && gMedias) {
            if (const auto medium = gMedias->Item(key)) {
                order.InsertAfter(medium->strKey(),
                                  MakeItemKey(medium->lngParentType(), qint64(medium->lngParentID())));
            }
        }
    }
}

} // namespace

bool OffersPlace(const QList<ParentEntry>& places, const QString& key)
{
    return std::any_of(places.begin(), places.end(), [&key](const ParentEntry& entry) { return entry.key == key; });
}

QStringList ParentImageKeys()
{
    return {"imgVidsora", "imgCategory", "imgSubCategory", "imgBox", "imgMedia"};
}

QString ParentImageKey(const QString& key)
{
    if (IsRootKey(key)) {
        return QStringLiteral("imgVidsora");
    }
    const std::optional<ItemKind> kind = KindOfKey(key);
    if (kind == ItemKind::Category) {
        return QStringLiteral("imgCategory");
    }
    if (kind == ItemKind::Group) {
        return QStringLiteral("imgSubCategory");
    }
    if (kind == ItemKind::Box) {
        return QStringLiteral("imgBox");
    }
    if (kind == ItemKind::Media) {
        return QStringLiteral("imgMedia");
    }
    return {}; // no picker offers a movie
}

QStringList ParentOrder(ParentKind kind)
{
    const bool groups = kind != ParentKind::Group;
    const bool boxes = kind == ParentKind::Movie || kind == ParentKind::Media;
    const bool media = kind == ParentKind::Movie;

    OrderList order(kRootKey);
    // Every source is walked from its last element to its first, each key inserted right after its parent, so that
    // the source's own order survives in the list.
    if (boxes) {
        for (int i = gRootChildren.UBound(); i >= 1; --i) {
            const QString& key = gRootChildren[i].strKey;
            const std::optional<ItemKind> kind = KindOfKey(key);
            if (kind == ItemKind::Box || (media && kind == ItemKind::Media)) {
                order.InsertAfter(key, kRootKey);
            }
        }
    }
    if (gCategories) {
        const auto categories = gCategories->items();
        for (auto it = categories.rbegin(); it != categories.rend(); ++it) {
            order.InsertAfter((*it)->strKey(), kRootKey);
        }
    }
    if (boxes) {
        InsertChildren(order, gCategoryChildren, boxes, media);
    }
    if (groups && gGroups) {
        const auto all = gGroups->items();
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            const auto& group = *it;
            order.InsertAfter(group->strKey(), MakeItemKey(group->lngParentType(), qint64(group->lngParentID())));
        }
    }
    if (boxes) {
        InsertChildren(order, gGroupChildren, boxes, media);
    }
    if (media) {
        InsertChildren(order, gBoxChildren, false, true);
    }
    return order.Keys();
}

QList<ParentEntry> FillParentList(ParentKind kind)
{
    QList<ParentEntry> entries;
    const QStringList keys = ParentOrder(kind);
    entries.reserve(keys.size());
    for (const QString& key : keys) {
        ParentEntry entry;
        entry.key = key;
        entry.image = ParentImageKey(key);
        entry.text =
            ShortenText(key == kRootKey ? QStringLiteral("Root") : Collections::ItemName(key), kParentTextLength);
        entry.indent = GetKeyDepth(key);
        entries.append(entry);
    }
    return entries;
}

int ParentTypeOf(const QString& key)
{
    return KeyPrefixToType(key.left(1));
}

int ParentIdOf(const QString& key)
{
    bool ok = false;
    const int id = key.mid(1).toInt(&ok);
    return ok ? id : 0;
}

void ParentChoice::Load(const QString& storedKey, bool offered)
{
    m_kept = offered ? QString() : storedKey;
    if (offered) {
        m_selected = storedKey;
    }
}

void ParentChoice::Pick(const QString& key)
{
    m_kept.clear();
    m_selected = key;
}

QString ParentChoice::Key() const
{
    return m_kept.isEmpty() ? m_selected : m_kept;
}
