#include "CItemList.h"

#include "ItemStore.h"
#include "SafeFile.h"
#include "StoreLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMetaProperty>
#include <QVariant>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string_view>

namespace {

// Window events run at most this often while loading; the progress bar still steps once per entry.
constexpr qint64 kEventIntervalMs = 16;

// Sort keys compare as sequences of 16-bit code units, with no case folding and no locale.
bool KeyLess(const QString& a, const QString& b)
{
    const std::u16string_view x(reinterpret_cast<const char16_t*>(a.utf16()), size_t(a.size()));
    const std::u16string_view y(reinterpret_cast<const char16_t*>(b.utf16()), size_t(b.size()));
    return x < y;
}

bool ItemLess(const std::shared_ptr<CItem>& a, const std::shared_ptr<CItem>& b)
{
    return KeyLess(a->strSortKey(), b->strSortKey());
}

// Sorts stably by sort key, comparing keys gathered beside their positions rather than through every item.
void StableSortByKey(std::vector<std::shared_ptr<CItem>>& items)
{
    struct Entry
    {
        std::u16string_view key;
        size_t index;
    };
    std::vector<Entry> entries;
    entries.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const QString& key = items[i]->strSortKeyRef();
        entries.push_back({std::u16string_view(reinterpret_cast<const char16_t*>(key.utf16()), size_t(key.size())), i});
    }
    const auto less = [](const Entry& a, const Entry& b) { return a.key < b.key; };
    // Listings often come in sort order already.
    if (std::is_sorted(entries.begin(), entries.end(), less)) {
        return;
    }
    std::stable_sort(entries.begin(), entries.end(), less);
    std::vector<std::shared_ptr<CItem>> sorted;
    sorted.reserve(items.size());
    for (const Entry& e : entries) {
        sorted.push_back(std::move(items[e.index]));
    }
    items = std::move(sorted);
}

} // namespace

CItemList::CItemList(ItemKind kind) : m_kind(kind) {}

CItemList::~CItemList() = default;

void CItemList::setDBDir(const QString& dbDir)
{
    m_DBDir = dbDir;
    if (dbDir.isEmpty()) {
        return;
    }
    // A new store gets its folders here, synced into their parents; an existing folder is left as it is.
    for (const QString& folder : {dbDir, dbDir + u'/' + ItemStore::KindFolder(m_kind)}) {
        if (const int err = SafeFile::MakeFolder(folder); err != 0 && err != EEXIST) {
            qCWarning(lcStore) << "cannot create the store folder" << folder << "-" << qt_error_string(err);
        }
    }
}

QString CItemList::Add(const QString& strName)
{
    std::shared_ptr<CItem> item = ItemStore::NewItem(m_kind);
    item->setDisplayName(strName);
    return AddNew(item);
}

QString CItemList::AddNew(const std::shared_ptr<CItem>& item, const NewCovers& covers, QString* error)
{
    const auto refuse = [&](const QString& why) {
        qCWarning(lcStore) << "cannot add" << (item ? item->DisplayName() : QString()) << "to"
                           << ItemStore::KindFolder(m_kind) << "-" << why;
        if (error) {
            *error = why;
        }
        return QString();
    };
    // Only a fresh item of this kind: an id or a folder given before would be another item's.
    if (!item || item->Kind() != m_kind || !item->blFirstID() || !item->Path().isEmpty()) {
        return refuse(QStringLiteral("it is no new item of this kind"));
    }
    const int highest = HighestId();
    if (highest == INT_MAX) {
        return refuse(QStringLiteral("no ID is left in %1").arg(ItemStore::KindFolder(m_kind)));
    }
    item->setLngID(highest + 1);
    // Folder, record and covers appear together or not at all.
    if (!ItemStore::CreateItem(*item, m_DBDir, covers.front, covers.back, error)) {
        return {};
    }
    PlaceOne(item);
    return item->strKey();
}

bool CItemList::Remove(const QString& strKey)
{
    const std::shared_ptr<CItem> item = m_byKey.value(strKey);
    if (!item) {
        return true;
    }
    // An item whose folder stays keeps its entry: it would come back at the next load anyway.
    if (!ItemStore::DeleteItemFolder(*item)) {
        return false;
    }
    m_byKey.remove(strKey);
    const auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it != m_items.end()) {
        m_items.erase(it);
    }
    if (item->lngID() >= m_highestId) {
        m_highestIdValid = false;
    }
    return true;
}

void CItemList::Clear()
{
    m_items.clear();
    m_byKey.clear();
    m_highestId = 0;
    m_highestIdValid = true;
}

bool CItemList::Update(const QString& strKey)
{
    const std::shared_ptr<CItem> item = m_byKey.value(strKey);
    if (!item) {
        return false;
    }
    return ItemStore::SaveItem(*item, m_DBDir);
}

void CItemList::LoadData()
{
    if (m_DBDir.isEmpty()) {
        return;
    }
    const QString folder = m_DBDir + u'/' + ItemStore::KindFolder(m_kind);
    // What an interrupted creation, save or delete left in the kind folder goes first.
    ItemStore::RemoveDebris(folder);
    // The whole listing is taken before any record is read.
    const auto names = ItemStore::ListEntries(folder);
    if (!names) {
        const int err = errno;
        qCWarning(lcStore) << "nothing loaded from" << folder << "- it cannot be listed:" << qt_error_string(err);
        return;
    }
    std::vector<std::shared_ptr<CItem>> batch;
    batch.reserve(names->size());
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (const QString& name : *names) {
        if (std::shared_ptr<CItem> item = ItemStore::ReadItem(m_kind, folder + u'/' + name)) {
            batch.push_back(std::move(item));
        }
        StepProgress();
        if (sinceEvents.elapsed() >= kEventIntervalMs) {
            // User input stays queued, so no click or key reaches a half-loaded collection.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sinceEvents.restart();
        }
    }
    PlaceBatch(batch);
}

std::shared_ptr<CItem> CItemList::ItemByKey(const QString& strKey) const
{
    return m_byKey.value(strKey);
}

std::shared_ptr<CItem> CItemList::ItemAt(qsizetype position) const
{
    if (position < 1 || position > qsizetype(m_items.size())) {
        return {};
    }
    return m_items[size_t(position - 1)];
}

void CItemList::PlaceOne(const std::shared_ptr<CItem>& item)
{
    if (m_byKey.contains(item->strKey())) {
        qCWarning(lcStore) << "left out" << item->Path() << "- the key" << item->strKey() << "is held already";
        return;
    }
    m_byKey.insert(item->strKey(), item);
    const auto at = std::find_if(m_items.begin(), m_items.end(), [&](const std::shared_ptr<CItem>& e) {
        return KeyLess(item->strSortKey(), e->strSortKey());
    });
    m_items.insert(at, item);
    m_highestId = std::max(m_highestId, item->lngID());
}

void CItemList::PlaceBatch(std::vector<std::shared_ptr<CItem>>& batch)
{
    // Arrivals whose key is already held (or came earlier in the batch) are dropped, as one-by-one placement would.
    std::vector<std::shared_ptr<CItem>> fresh;
    fresh.reserve(batch.size());
    m_byKey.reserve(m_byKey.size() + qsizetype(batch.size()));
    for (auto& item : batch) {
        std::shared_ptr<CItem>& slot = m_byKey[item->strKey()]; // one hash per arrival
        if (!slot) {
            slot = item;
            fresh.push_back(std::move(item));
        } else if (slot->Path() != item->Path()) {
            qCWarning(lcStore) << "left out" << item->Path() << "- the key" << item->strKey() << "is held already by"
                               << slot->Path();
        }
    }
    batch.clear();
    if (fresh.empty()) {
        return;
    }
    for (const auto& item : fresh) {
        m_highestId = std::max(m_highestId, item->lngID());
    }

    if (IsSorted()) {
        // Placing each arrival before the first greater key in a sorted list is a stable merge of the list with the
        // arrivals in stable order: held entries before equal arrivals, arrivals in the order they came.
        StableSortByKey(fresh);
        if (m_items.empty()) {
            m_items = std::move(fresh);
            return;
        }
        std::vector<std::shared_ptr<CItem>> merged;
        merged.reserve(m_items.size() + fresh.size());
        std::merge(std::make_move_iterator(m_items.begin()), std::make_move_iterator(m_items.end()),
                   std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()),
                   std::back_inserter(merged), ItemLess);
        m_items = std::move(merged);
        return;
    }
    // Edited sort keys left the list unsorted: each arrival goes before the first greater key from the start.
    for (auto& item : fresh) {
        const auto at = std::find_if(m_items.begin(), m_items.end(), [&](const std::shared_ptr<CItem>& e) {
            return KeyLess(item->strSortKey(), e->strSortKey());
        });
        m_items.insert(at, std::move(item));
    }
}

bool CItemList::IsSorted() const
{
    return std::is_sorted(m_items.begin(), m_items.end(), ItemLess);
}

int CItemList::HighestId() const
{
    if (!m_highestIdValid) {
        m_highestId = 0;
        for (const auto& item : m_items) {
            m_highestId = std::max(m_highestId, item->lngID());
        }
        m_highestIdValid = true;
    }
    return m_highestId;
}

void CItemList::setPGB(QObject* pgb)
{
    m_PGB = pgb;
    m_PGBValue = -1;
    if (!pgb) {
        return;
    }
    // Names bind without regard to case, so a bar whose property is "value" serves as well.
    const QMetaObject* meta = pgb->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        if (QString::compare(QLatin1String(meta->property(i).name()), u"Value", Qt::CaseInsensitive) == 0) {
            m_PGBValue = i;
            break;
        }
    }
}

void CItemList::StepProgress()
{
    QObject* pgb = m_PGB.data();
    if (!pgb || m_PGBValue < 0) {
        return;
    }
    const QMetaProperty value = pgb->metaObject()->property(m_PGBValue);
    bool ok = false;
    const int n = value.read(pgb).toInt(&ok);
    if (ok) {
        value.write(pgb, n + 1);
    }
}
