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
#include <atomic>
#include <cerrno>
#include <climits>
#include <deque>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

// Window events run at most this often while loading; the progress bar still steps once per entry.
constexpr qint64 kEventIntervalMs = 16;
// Item folders read at once while loading (the loading thread among them), and the fewest entries worth more than
// the one thread.
constexpr int kReaders = 12;
constexpr size_t kReadersFrom = 16;
// Items each reader has started (their files opened, their disk reads sent) ahead of the one it finishes.
constexpr size_t kStartedAhead = 2;

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
        if (const auto made = SafeFile::MakeFolder(folder); !made && made.error() != EEXIST) {
            qCWarning(lcStore) << "cannot create the store folder" << folder << "-" << made.why();
        }
    }
}

QString CItemList::Add(const QString& strName)
{
    std::shared_ptr<CItem> item = ItemStore::NewItem(m_kind);
    item->setDisplayName(strName);
    const Result<QString> key = AddNew(item);
    return key ? *key : QString();
}

Result<QString> CItemList::AddNew(const std::shared_ptr<CItem>& item, const NewCovers& covers)
{
    return AddNew(item, ItemStore::NewCover{covers.front, {}, {}}, ItemStore::NewCover{covers.back, {}, {}});
}

Result<QString> CItemList::AddNew(const std::shared_ptr<CItem>& item, const NewCoverBytes& covers)
{
    return AddNew(item, ItemStore::NewCover{{}, covers.front, covers.frontExt},
                  ItemStore::NewCover{{}, covers.back, covers.backExt});
}

Result<QString> CItemList::AddNew(const std::shared_ptr<CItem>& item, const ItemStore::NewCover& front,
                                  const ItemStore::NewCover& back)
{
    const auto refuse = [&](const QString& why) {
        qCWarning(lcStore) << "cannot add" << (item ? item->DisplayName() : QString()) << "to"
                           << ItemStore::KindFolder(m_kind) << "-" << why;
        return Result<QString>(Failure{why, 0, {}});
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
    // Folder, record and covers appear together or not at all. An item was always added under its name alone and
    // given its other fields after: its folder carries that name and it takes the place an empty sort key gives, so
    // a whole item lands where it always did.
    if (const Result<void> created = ItemStore::CreateItem(*item, m_DBDir, front, back, true); !created) {
        return created.failure();
    }
    PlaceNew(item);
    return item->strKey();
}

void CItemList::PlaceNew(const std::shared_ptr<CItem>& item)
{
    const QString sortKey = item->strSortKey();
    item->setStrSortKey(QString());
    PlaceOne(item);
    item->setStrSortKey(sortKey);
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
    DropEntry(strKey);
    return true;
}

void CItemList::DropEntry(const QString& strKey)
{
    const std::shared_ptr<CItem> item = m_byKey.take(strKey);
    if (!item) {
        return;
    }
    m_order.Remove(item.get());
    if (item->lngID() >= m_highestId) {
        m_highestIdValid = false;
    }
}

void CItemList::Clear()
{
    m_order.Clear();
    m_byKey.clear();
    m_highestId = 0;
    m_highestIdValid = true;
}

Result<void> CItemList::Save(const QString& strKey, const CoverChanges& covers)
{
    const std::shared_ptr<CItem> item = m_byKey.value(strKey);
    if (!item) {
        return {};
    }
    return ItemStore::SaveItem(*item, m_DBDir, covers);
}

bool CItemList::Update(const QString& strKey)
{
    return m_byKey.contains(strKey) && Save(strKey).Reached();
}

void CItemList::LoadData()
{
    if (m_DBDir.isEmpty()) {
        return;
    }
    m_leftOut = 0;
    const QString folder = m_DBDir + u'/' + ItemStore::KindFolder(m_kind);
    // What an interrupted creation, save or delete left under the writer's temporary names goes first.
    ItemStore::RemoveDebris(folder);
    // The whole listing is taken before any record is read.
    const auto names = ItemStore::ListEntries(folder);
    if (!names) {
        const int err = errno;
        qCWarning(lcStore) << "nothing loaded from" << folder << "- it cannot be listed:" << qt_error_string(err);
        return;
    }
    std::vector<std::shared_ptr<CItem>> batch = ReadListed(folder, *names);
    PlaceBatch(batch);
}

std::vector<std::shared_ptr<CItem>> CItemList::ReadListed(const QString& folder, const QStringList& names)
{
    // Several folders are read at once, so a cold disk serves them side by side rather than one wait after another,
    // and a warm one parses on several cores. Each read lands in its name's slot: the order stays the listing's.
    QThread* const home = m_itemThread ? m_itemThread.data() : QThread::currentThread();
    const size_t n = size_t(names.size());
    std::vector<std::shared_ptr<CItem>> readItems(n);
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<int> leftOut{0};
    const auto finish = [&](std::pair<size_t, ItemStore::ItemRead>& started) {
        std::shared_ptr<CItem> item = started.second.Finish();
        if (item && item->thread() != home) {
            item->moveToThread(home); // only the thread that made it may hand it on
        }
        if (!item && started.second.IsFolder()) {
            leftOut.fetch_add(1, std::memory_order_relaxed);
        }
        readItems[started.first] = std::move(item);
        done.fetch_add(1, std::memory_order_release);
    };
    // Each reader keeps a few items started ahead of the one it finishes, so a cold disk has many reads queued.
    // Returns false when nothing was left to start or finish.
    const auto readNext = [&](std::deque<std::pair<size_t, ItemStore::ItemRead>>& started) {
        const size_t i = next.fetch_add(1, std::memory_order_relaxed);
        if (i < n) {
            started.emplace_back(i, ItemStore::ItemRead(m_kind, folder + u'/' + names[qsizetype(i)]));
            if (started.size() <= kStartedAhead) {
                return true;
            }
        }
        if (started.empty()) {
            return false;
        }
        finish(started.front());
        started.pop_front();
        return true;
    };

    std::vector<std::thread> helpers;
    if (n >= kReadersFrom) {
        for (int h = 1; h < kReaders; ++h) {
            try {
                helpers.emplace_back([&readNext] {
                    std::deque<std::pair<size_t, ItemStore::ItemRead>> started;
                    while (readNext(started)) {
                    }
                });
            } catch (const std::system_error& e) {
                qCWarning(lcStore) << "reading with fewer threads:" << e.what();
                break;
            }
        }
    }
    // This thread reads too, and steps the progress bar once for every finished entry.
    size_t stepped = 0;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const auto stepTo = [&](size_t finished) {
        for (; stepped < finished; ++stepped) {
            StepProgress();
            if (sinceEvents.elapsed() >= kEventIntervalMs) {
                // User input stays queued, so no click or key reaches a half-loaded collection.
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                sinceEvents.restart();
            }
        }
    };
    std::deque<std::pair<size_t, ItemStore::ItemRead>> started;
    while (readNext(started)) {
        stepTo(done.load(std::memory_order_acquire));
    }
    for (std::thread& helper : helpers) {
        helper.join();
    }
    stepTo(n);
    m_leftOut += leftOut.load();
    return readItems;
}

std::shared_ptr<CItem> CItemList::ItemByKey(const QString& strKey) const
{
    return m_byKey.value(strKey);
}

std::shared_ptr<CItem> CItemList::ItemAt(qsizetype position) const
{
    const auto& items = m_order.Items();
    if (position < 1 || position > qsizetype(items.size())) {
        return {};
    }
    return items[size_t(position - 1)];
}

void CItemList::PlaceOne(const std::shared_ptr<CItem>& item)
{
    if (m_byKey.contains(item->strKey())) {
        qCWarning(lcStore) << "left out" << item->Path() << "- the key" << item->strKey() << "is held already";
        return;
    }
    if (!m_order.Place(item)) {
        qCWarning(lcStore) << "left out" << item->Path() << "- the item belongs to another collection";
        return;
    }
    m_byKey.insert(item->strKey(), item);
    m_highestId = std::max(m_highestId, item->lngID());
}

void CItemList::PlaceBatch(std::vector<std::shared_ptr<CItem>>& batch)
{
    // Arrivals whose key is already held (or came earlier in the batch) are dropped, as one-by-one placement would.
    std::vector<std::shared_ptr<CItem>> fresh;
    fresh.reserve(batch.size());
    m_byKey.reserve(m_byKey.size() + qsizetype(batch.size()));
    for (auto& item : batch) {
        if (!item) {
            continue; // a folder that held no item
        }
        std::shared_ptr<CItem>& slot = m_byKey[item->strKey()]; // one hash per arrival
        if (!slot) {
            slot = item;
            fresh.push_back(std::move(item));
        } else if (slot->Path() != item->Path()) {
            qCWarning(lcStore) << "left out" << item->Path() << "- the key" << item->strKey() << "is held already by"
                               << slot->Path();
            ++m_leftOut;
        }
    }
    batch.clear();
    if (fresh.empty()) {
        return;
    }
    for (const auto& item : fresh) {
        m_highestId = std::max(m_highestId, item->lngID());
    }

    // Placing each arrival in turn before the first entry whose key is greater puts the arrivals that land between
    // two held entries in key order, equal keys in order of arrival, and an arrival lands before the first held
    // entry whose key is greater than its own. So the arrivals, stably sorted, merge into the held entries in one
    // pass, whether or not edited keys left those out of order.
    StableSortByKey(fresh);
    const std::vector<std::shared_ptr<CItem>>& held = m_order.Items();
    if (held.empty()) {
        m_order.Assign(std::move(fresh));
        return;
    }
    std::vector<std::shared_ptr<CItem>> merged;
    merged.reserve(held.size() + fresh.size());
    auto arrival = fresh.begin();
    for (const auto& entry : held) {
        while (arrival != fresh.end() && ItemLess(*arrival, entry)) {
            merged.push_back(std::move(*arrival++));
        }
        merged.push_back(entry);
    }
    std::move(arrival, fresh.end(), std::back_inserter(merged));
    m_order.Assign(std::move(merged));
}

int CItemList::HighestId() const
{
    if (!m_highestIdValid) {
        m_highestId = 0;
        for (const auto& item : m_order.Items()) {
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
