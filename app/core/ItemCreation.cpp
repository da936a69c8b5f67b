#include "core/ItemCreation.h"

#include "core/Collections.h"
#include "core/mLog.h"

#include <algorithm>

namespace {

ItemStore::NewCover FrontOf(const CItemList::NewCovers& covers)
{
    return {covers.front, {}, {}};
}
ItemStore::NewCover BackOf(const CItemList::NewCovers& covers)
{
    return {covers.back, {}, {}};
}
ItemStore::NewCover FrontOf(const CItemList::NewCoverBytes& covers)
{
    return {{}, covers.front, covers.frontExt};
}
ItemStore::NewCover BackOf(const CItemList::NewCoverBytes& covers)
{
    return {{}, covers.back, covers.backExt};
}

} // namespace

ItemCreation::ItemCreation()
{
    // Every file written from here on is new: one sync of the store at the end instead of one per file and folder.
    m_batch.emplace();
}

ItemCreation::ItemCreation(const std::vector<CItemList*>& stagedLists, const QString& what)
    : m_staged(std::make_unique<StagedItems>(stagedLists)), m_what(what)
{
}

ItemCreation::~ItemCreation()
{
    if (!m_committed) {
        Undo();
    }
}

QString ItemCreation::Add(CItemList& list, const std::shared_ptr<CItem>& item, const CItemList::NewCovers& covers)
{
    return AddWith(&list, list.Kind(), item, covers);
}

QString ItemCreation::Add(CItemList& list, const std::shared_ptr<CItem>& item, const CItemList::NewCoverBytes& covers)
{
    return AddWith(&list, list.Kind(), item, covers);
}

QString ItemCreation::Add(ItemKind kind, const std::shared_ptr<CItem>& item, const CItemList::NewCoverBytes& covers)
{
    if (m_staged) {
        return AddWith(nullptr, kind, item, covers);
    }
    CItemList* list = Collections::List(kind);
    if (!list) {
        Fail(QStringLiteral("the collection of %1 is not loaded").arg(ItemStore::KindFolder(kind)));
        return {};
    }
    return AddWith(list, kind, item, covers);
}

template <class Covers>
QString ItemCreation::AddWith(CItemList* list, ItemKind kind, const std::shared_ptr<CItem>& item, const Covers& covers)
{
    if (Failed() || m_committed) {
        return {};
    }
    const Result<QString> key =
        m_staged ? m_staged->Stage(kind, item, FrontOf(covers), BackOf(covers)) : list->AddNew(item, covers);
    if (!key) {
        m_error = key.why().isEmpty() ? QStringLiteral("%1 could not be written").arg(item->DisplayName()) : key.why();
        qCWarning(lcApp) << "a new item could not be written:" << m_error;
        return {};
    }
    if (!m_staged) {
        m_made.push_back({list, *key});
    }
    return *key;
}

void ItemCreation::Fail(const QString& why)
{
    if (!Failed()) {
        m_error = why;
        qCWarning(lcApp) << "a new item could not be written:" << m_error;
    }
}

void ItemCreation::Adopt(CItemList& list, const QString& strKey)
{
    m_made.insert(m_made.begin(), Made{&list, strKey});
}

bool ItemCreation::Commit()
{
    if (m_committed) {
        return true;
    }
    if (m_staged) {
        if (!Failed() && PutInPlace()) {
            return Place();
        }
        Undo();
        return false;
    }
    if (!Failed()) {
        const auto synced = m_batch->Commit();
        m_batch.reset();
        if (synced) {
            m_committed = true;
            return true;
        }
        m_error = QStringLiteral("the collection folder could not be synced to disk");
        qCWarning(lcApp) << "the new items could not be synced; they are removed again";
    }
    Undo();
    return false;
}

bool ItemCreation::PutInPlace(const std::atomic<bool>* stop)
{
    if (!m_staged || Failed() || m_committed) {
        return false;
    }
    const Result<void> placed = m_staged->PutInPlace(stop, m_what.arg(m_staged->Count()));
    if (placed) {
        return true;
    }
    Fail(placed.why().isEmpty() ? QStringLiteral("cancelled") : placed.why());
    return false;
}

bool ItemCreation::Place()
{
    if (!m_staged || m_committed) {
        return false;
    }
    m_committed = true;
    const std::optional<QStringList> keys = m_staged->Place(
        {Collections::List(ItemKind::Box), Collections::List(ItemKind::Media), Collections::List(ItemKind::Movie),
         Collections::List(ItemKind::Category), Collections::List(ItemKind::Group)});
    if (!keys) {
        return false;
    }
    for (const QString& key : *keys) {
        m_made.push_back({nullptr, key});
    }
    return true;
}

int ItemCreation::TakeOut()
{
    if (m_staged && !m_committed) {
        m_stagedLeft = m_staged->TakeOut();
    }
    return m_stagedLeft;
}

int ItemCreation::Undo(const std::atomic<bool>* abandon)
{
    if (m_staged) {
        if (m_committed) {
            return m_stagedLeft;
        }
        m_stagedLeft = m_staged->Discard(abandon);
        if (m_made.empty()) {
            return m_stagedLeft;
        }
        // What was adopted (a box saved by its editor) goes after what was staged for it.
    }
    if (m_batch) {
        (void)m_batch->Commit(); // what it wrote is removed below, synced or not
        m_batch.reset();
    }
    // The removals are synced together at the end, not one folder at a time: undoing a large import costs what
    // making it did.
    SafeFile::Batch removal;
    std::vector<Made> left;
    for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) {
        if (!it->list->Remove(it->key)) {
            qCWarning(lcApp) << "a new item could not be removed again:" << it->key;
            left.push_back(*it);
        }
    }
    std::reverse(left.begin(), left.end());
    if (!removal.Commit()) {
        qCWarning(lcApp) << "the removal of the new items could not be synced to disk";
    }
    m_made = std::move(left);
    return int(m_made.size()) + m_stagedLeft;
}

QStringList ItemCreation::KeptKeys() const
{
    QStringList keys;
    for (const Made& made : m_made) {
        keys.append(made.key);
    }
    return keys;
}
