#include "core/mUEF.h"

#include "core/BackgroundWork.h"
#include "core/Collections.h"
#include "core/ItemCreation.h"
#include "core/StoreGate.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Component.h"
#include "Picture.h"
#include "SafeFile.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFCoveredItem.h"
#include "UEFMedia.h"
#include "UEFMovie.h"
#include "UEFParser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QUrl>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/statvfs.h>

QString ReadFileText(const QString& strPath)
{
    return AnsiText::ReadFile(strPath);
}

bool WriteFileText(const QString& strPath, const QString& strData)
{
    return bool(AnsiText::WriteFile(strPath, strData));
}

namespace {

// The cover of one side as the exchange carries it: bytes and extension, or the file's URL for the page view.
template <class Exchange> void ExportCovers(const CCoveredItem& item, Exchange& out, bool blnEmbed)
{
    const QString front = item.strFrontCover();
    const QString back = item.strBackCover();
    const QString folder = item.Path() + u'/';
    if (blnEmbed) {
        if (!front.isEmpty()) {
            out.setStrFrontCover(ReadFileText(folder + front));
            out.setStrFrontCoverExt(GetExtension(front));
        }
        if (!back.isEmpty()) {
            out.setStrBackCover(ReadFileText(folder + back));
            out.setStrBackCoverExt(GetExtension(back));
        }
        return;
    }
    // Encoded, so a store path holding "#", "%", "?" or a blank still names the file.
    if (!front.isEmpty()) {
        out.setStrFrontCoverURL(QUrl::fromLocalFile(folder + front).toString(QUrl::FullyEncoded));
    }
    if (!back.isEmpty()) {
        out.setStrBackCoverURL(QUrl::fromLocalFile(folder + back).toString(QUrl::FullyEncoded));
    }
}

// The item's fields that travel, each with the exchange field of its tag (an index into kExchange), in the item's
// field order. Paired when the program is built: an exchange name that the exchange item lacks does not build.
template <class Item, const auto& kExchange>
constexpr auto kPairs = [] {
    constexpr size_t count = [] {
        size_t n = 0;
        for (const ItemField<Item>& field : Item::Fields()) {
            n += field.exchange ? 1 : 0;
        }
        return n;
    }();
    std::array<std::pair<size_t, size_t>, count> pairs{};
    size_t p = 0;
    for (size_t f = 0; f < Item::Fields().size(); ++f) {
        const char* const tag = Item::Fields()[f].exchange;
        if (!tag) {
            continue;
        }
        size_t e = 0;
        while (e < kExchange.size() && std::string_view(kExchange[e].tag) != tag) {
            ++e;
        }
        if (e == kExchange.size()) {
            throw "an item field travels under a tag its exchange item lacks";
        }
        pairs[p++] = {f, e};
    }
    return pairs;
}();

// Every field of the item that travels, into its exchange item; with `described`, the media fields are that
// description's instead of the item's.
template <const auto& kExchange, class Item, class Exchange>
void ExportFields(const Item& item, Exchange& out, const mTypMediaInfo* described = nullptr)
{
    for (const auto& [f, e] : kPairs<Item, kExchange>) {
        const ItemField<Item>& field = Item::Fields()[f];
        (out.*kExchange[e].set)(described && field.media ? described->*field.media : field.text(item));
    }
}

// Every field that travels, from the exchange item into the new item.
template <const auto& kExchange, class Exchange, class Item> void ImportFields(const Exchange& entry, Item& item)
{
    for (const auto& [f, e] : kPairs<Item, kExchange>) {
        Item::Fields()[f].setText(item, (entry.*kExchange[e].get)());
    }
}

// Parent type from the key's letter, parent id from the number after it (0 when it is none).
void ParentOf(const QString& strParentKey, int& parentType, int& parentID)
{
    parentType = KeyPrefixToType(strParentKey.left(1));
    bool ok = false;
    parentID = strParentKey.mid(1).toInt(&ok);
    if (!ok) {
        parentID = 0;
    }
}

// What the adders write with: the creation; whether the program has its temporary folder (without one no cover is
// taken, as the covers would pass through it); and, on an import's worker, the stop flag and the count of items
// written. Taken on the window's thread, so a worker reads no global.
struct ItemWriter
{
    ItemCreation& creation;
    bool covers = true;
    const std::atomic<bool>* stop = nullptr;
    std::atomic<int>* written = nullptr;
    int coversLeftOut = 0; // covers that were no picture, left out

    // Asked between items, inside boxes and media too: once stopped or failed, nothing more is written.
    bool Stopped() const { return creation.Failed() || (stop && stop->load()); }
};

// The embedded covers of entry, handed to the new item as bytes. A cover is a picture or nothing: bytes that are no
// picture the program shows are left out and counted in leftOut (the page would load HTML or SVG as it stands), and a
// picture keeps its extension only when that names its format. Every side gets no cover while the program has no
// temporary folder.
template <class Exchange> CItemList::NewCoverBytes CoversOf(const Exchange& entry, bool covers, int& leftOut)
{
    CItemList::NewCoverBytes bytes;
    if (!covers) {
        return bytes;
    }
    const auto side = [&leftOut](const UEFCover& cover, const QString& ext, QByteArray& out, QString& kept) {
        if (cover.IsEmpty()) {
            return;
        }
        QByteArray picture = cover.Bytes();
        const Picture::Format format = Picture::Check(picture);
        if (format == Picture::Format::None) {
            ++leftOut;
            return;
        }
        out = std::move(picture);
        kept = Picture::Extension(format, ext);
    };
    side(entry.frontCover(), entry.strFrontCoverExt(), bytes.front, bytes.frontExt);
    side(entry.backCover(), entry.strBackCoverExt(), bytes.back, bytes.backExt);
    return bytes;
}

// Adds one item of kind, whole, with the covers its entry embeds; its key, or empty when it was not written (then the
// creation has failed and says why, or the writer was stopped).
template <class Exchange>
QString AddWhole(ItemWriter& writer, ItemKind kind, const std::shared_ptr<CItem>& item, const Exchange& entry)
{
    if (writer.Stopped()) {
        return {};
    }
    const QString key = writer.creation.Add(kind, item, CoversOf(entry, writer.covers, writer.coversLeftOut));
    if (!key.isEmpty() && writer.written) {
        writer.written->fetch_add(1, std::memory_order_relaxed);
    }
    return key;
}

// A new item of class Item with the fields of entry under strParentKey, added whole (see AddWhole); nothing of what
// the entry holds.
template <class Item, const auto& kExchange, class Exchange>
QString AddEntry(ItemWriter& writer, const Exchange& entry, const QString& strParentKey)
{
    int parentType = 0;
    int parentID = 0;
    ParentOf(strParentKey, parentType, parentID);
    auto item = std::make_shared<Item>();
    ImportFields<kExchange>(entry, *item);
    item->setLngParentID(parentID);
    item->setLngParentType(parentType);
    return AddWhole(writer, Item::kKind, item, entry);
}

QString AddMovie(ItemWriter& writer, const UEFMovie& entry, const QString& strParentKey)
{
    return AddEntry<CMovie, kMovieFields>(writer, entry, strParentKey);
}

QString AddMedia(ItemWriter& writer, const UEFMedia& entry, const QString& strParentKey)
{
    const QString newKey = AddEntry<CMedia, kMediaFields>(writer, entry, strParentKey);
    if (newKey.isEmpty()) {
        return {};
    }
    // A medium holds movies only; anything else a hand-made text put there is skipped.
    const std::shared_ptr<UEFCollection> contents = entry.colContents();
    for (const std::shared_ptr<QObject>& child : *contents) {
        if (const auto* movie = qobject_cast<const UEFMovie*>(child.get())) {
            if (AddMovie(writer, *movie, newKey).isEmpty()) {
                return {};
            }
        }
    }
    return newKey;
}

QString AddBox(ItemWriter& writer, const UEFBox& entry, const QString& strParentKey)
{
    const QString newKey = AddEntry<CBox, kBoxFields>(writer, entry, strParentKey);
    if (newKey.isEmpty()) {
        return {};
    }
    const std::shared_ptr<UEFCollection> contents = entry.colContents();
    for (const std::shared_ptr<QObject>& child : *contents) {
        QString childKey = QStringLiteral("-");
        if (const auto* movie = qobject_cast<const UEFMovie*>(child.get())) {
            childKey = AddMovie(writer, *movie, newKey);
        } else if (const auto* media = qobject_cast<const UEFMedia*>(child.get())) {
            childKey = AddMedia(writer, *media, newKey);
        }
        if (childKey.isEmpty()) {
            return {};
        }
    }
    return newKey;
}

// The items an import writes for one entry: itself and what it holds (a medium its movies; a box at the top its media
// with their movies and its movies; a box inside a box nothing).
int ItemsOf(const QObject* entry, bool top)
{
    if (qobject_cast<const UEFMovie*>(entry)) {
        return 1;
    }
    if (const auto* media = qobject_cast<const UEFMedia*>(entry)) {
        int items = 1;
        for (const std::shared_ptr<QObject>& child : *media->colContents()) {
            items += qobject_cast<const UEFMovie*>(child.get()) ? 1 : 0;
        }
        return items;
    }
    if (const auto* box = qobject_cast<const UEFBox*>(entry); box && top) {
        int items = 1;
        for (const std::shared_ptr<QObject>& child : *box->colContents()) {
            items += ItemsOf(child.get(), false);
        }
        return items;
    }
    return 0;
}

// Calls f with every item an import of entry writes (see ItemsOf), entry first.
template <class F> void EachImported(const QObject* entry, bool top, const F& f)
{
    if (const auto* movie = qobject_cast<const UEFMovie*>(entry)) {
        f(*movie);
    } else if (const auto* media = qobject_cast<const UEFMedia*>(entry)) {
        f(*media);
        for (const std::shared_ptr<QObject>& child : *media->colContents()) {
            if (const auto* inside = qobject_cast<const UEFMovie*>(child.get())) {
                f(*inside);
            }
        }
    } else if (const auto* box = qobject_cast<const UEFBox*>(entry); box && top) {
        f(*box);
        for (const std::shared_ptr<QObject>& child : *box->colContents()) {
            EachImported(child.get(), false, f);
        }
    }
}

// Every item inside entry, at any depth.
int AllItemsIn(const QObject* entry)
{
    std::shared_ptr<UEFCollection> contents;
    if (const auto* media = qobject_cast<const UEFMedia*>(entry)) {
        contents = media->colContents();
    } else if (const auto* box = qobject_cast<const UEFBox*>(entry)) {
        contents = box->colContents();
    }
    int items = 0;
    if (contents) {
        for (const std::shared_ptr<QObject>& child : *contents) {
            items += 1 + AllItemsIn(child.get());
        }
    }
    return items;
}

// The items an import of entry leaves out because they lie in one that cannot hold them: a medium inside a medium,
// with everything it holds (the parser leaves nothing inside a movie). The parser's depth limit bounds the recursion.
int MisplacedIn(const QObject* entry)
{
    int items = 0;
    if (const auto* media = qobject_cast<const UEFMedia*>(entry)) {
        for (const std::shared_ptr<QObject>& child : *media->colContents()) {
            if (!qobject_cast<const UEFMovie*>(child.get())) {
                items += 1 + AllItemsIn(child.get());
            }
        }
    } else if (const auto* box = qobject_cast<const UEFBox*>(entry)) {
        for (const std::shared_ptr<QObject>& child : *box->colContents()) {
            items += MisplacedIn(child.get());
        }
    }
    return items;
}

// One entry on its own: made whole with its contents and synced, or nothing of it kept.
template <class Exchange, class Adder> QString ImportOne(const Exchange& entry, const QString& strParentKey, Adder add)
{
    ItemCreation creation;
    ItemWriter writer{creation, !gTempFolder.isEmpty()};
    const QString key = add(writer, entry, strParentKey);
    return creation.Commit() ? key : QString();
}

} // namespace

void ExportMovie(const QString& strKey, UEFCollection& colTarget, bool blnEmbed)
{
    auto out = std::make_shared<UEFMovie>();
    const auto movie = gMovies ? gMovies->Item(strKey) : nullptr;
    if (movie) {
        // A movie on a medium is described by that medium, whatever its own record says.
        if (movie->lngParentType() == 4) {
            const auto media = Collections::ItemAs<CMedia>(Collections::ParentKey(strKey));
            const mTypMediaInfo described = media ? media->dMedia() : mTypMediaInfo{};
            ExportFields<kMovieFields>(*movie, *out, &described);
        } else {
            ExportFields<kMovieFields>(*movie, *out);
        }
        ExportCovers(*movie, *out, blnEmbed);
    }
    colTarget.Add(out);
}

void ExportMedia(const QString& strKey, UEFCollection& colTarget, bool blnEmbed)
{
    auto out = std::make_shared<UEFMedia>();
    const auto media = gMedias ? gMedias->Item(strKey) : nullptr;
    if (media) {
        ExportFields<kMediaFields>(*media, *out);
        ExportCovers(*media, *out, blnEmbed);
    }
    for (const QString& k : Collections::Children(strKey)) {
        ExportMovie(k, *out->colContents(), blnEmbed);
    }
    colTarget.Add(out);
}

void ExportBox(const QString& strKey, UEFCollection& colTarget, bool blnEmbed)
{
    auto out = std::make_shared<UEFBox>();
    const auto box = gBoxes ? gBoxes->Item(strKey) : nullptr;
    if (box) {
        ExportFields<kBoxFields>(*box, *out);
        ExportCovers(*box, *out, blnEmbed);
    }
    for (const QString& k : Collections::Children(strKey)) {
        if (k.startsWith(u'E')) {
            ExportMedia(k, *out->colContents(), blnEmbed);
        } else if (k.startsWith(u'M')) {
            ExportMovie(k, *out->colContents(), blnEmbed);
        }
    }
    colTarget.Add(out);
}

std::shared_ptr<UEF> CreateUEF(const QString& strKey, bool blnEmbedCovers)
{
    auto document = std::make_shared<UEF>();
    const QChar letter = strKey.isEmpty() ? QChar() : strKey.at(0);
    if (letter == u'B') {
        ExportBox(strKey, *document->colUEF(), blnEmbedCovers);
    } else if (letter == u'E') {
        ExportMedia(strKey, *document->colUEF(), blnEmbedCovers);
    } else if (letter == u'M') {
        ExportMovie(strKey, *document->colUEF(), blnEmbedCovers);
    }
    return document;
}

QString ImportMovie(const UEFMovie& entry, const QString& strParentKey)
{
    return ImportOne(entry, strParentKey, AddMovie);
}

QString ImportMedia(const UEFMedia& entry, const QString& strParentKey)
{
    return ImportOne(entry, strParentKey, AddMedia);
}

QString ImportBox(const UEFBox& entry, const QString& strParentKey)
{
    return ImportOne(entry, strParentKey, AddBox);
}

LeftOut CountLeftOut(QStringView strUEF)
{
    UEF document;
    UEFParser::LeftOut leftOut;
    document.AppendText(strUEF, leftOut);
    int misplaced = leftOut.misplaced;
    int covers = 0;
    for (const std::shared_ptr<QObject>& entry : *document.colUEF()) {
        misplaced += MisplacedIn(entry.get());
        EachImported(entry.get(), true, [&covers](const UEFCoveredItem& item) {
            for (const UEFCover* cover : {&item.frontCover(), &item.backCover()}) {
                covers += !cover->IsEmpty() && Picture::Check(cover->Bytes()) == Picture::Format::None ? 1 : 0;
            }
        });
    }
    return LeftOut{leftOut.refused, leftOut.tooDeep, misplaced, covers};
}

namespace {

// What the window's thread and the worker of one import share. The counts and the outcome are the worker's, go and
// stop the window's; the flags change under the mutex, and each change is told through `changed`.
struct ImportJob
{
    explicit ImportJob(const std::vector<CItemList*>& lists) : creation(lists, QStringLiteral("an import of %1 items"))
    {
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool parsed = false;           // the text is read: total is known
    int total = 0;                 // items to write: every box, medium and movie, contents included
    std::atomic<int> done{0};      // items written
    bool written = false;          // the writing ended: every item written, or a failure or a stop
    bool go = false;               // the hook heard the last count and did not ask to stop: the items go in place
    std::atomic<bool> stop{false}; // the window stopped waiting: everything written is taken away again
    bool placing = false;          // the items go in place: a stop then waits for what stays of them
    bool finished = false;         // the outcome below is final: the items in place, or what stays of them
    ImportResult result;
    ItemCreation creation; // staged: ids reserved on the window's thread, items written on the worker
};

// Reads the text of an import into document, counting what the parser leaves out, under control.
using ParseInto =
    std::function<void(UEF& document, UEFParser::LeftOut& leftOut, const UEFParser::ParseControl& control)>;
// Counts the items the text of an import holds, before it is parsed (UEFParser::CountItems).
using CountIn = std::function<int(const std::atomic<bool>* stop)>;

// Where an import weighs its cost: the bounds, and the folder of the store whose disk it fills (empty: not weighed).
struct ImportCost
{
    ImportBounds bounds;
    QString storeFolder;
};

// The room on the disk of folder: free bytes and free file entries (-1 when the disk does not count them), as an
// unprivileged user may use them; nullopt when the disk does not answer.
std::optional<std::pair<qint64, qint64>> FreeRoom(const QString& folder)
{
    struct statvfs st;
    if (::statvfs(QFile::encodeName(folder).constData(), &st) != 0) {
        return std::nullopt;
    }
    const qint64 bytes = qint64(st.f_bavail) * qint64(st.f_frsize);
    const qint64 files = st.f_files > 0 ? qint64(st.f_favail) : -1;
    return std::make_pair(bytes, files);
}

// The disk's block: what a folder or a small file takes at least.
constexpr qint64 kBlock = 4096;
// What a small item takes on disk: its folder and record file, and what the store keeps beside them; measured at
// 16 KB a tiny movie (bench/import).
constexpr qint64 kItemBytes = 4 * kBlock;

// An amount of disk for the user: in MB from 10 MB on, else in KB; what is needed rounds up, what is free down.
QString Amount(qint64 bytes, bool up)
{
    const qint64 unit = bytes >= 10 * 1024 * 1024 ? 1024 * 1024 : 1024;
    return QString::number((bytes + (up ? unit - 1 : 0)) / unit) +
           (unit == 1024 ? QStringLiteral(" KB") : QStringLiteral(" MB"));
}

// Why the items of document would not fit on the store's disk, as a clause; empty when they fit or nothing is known.
// Each item takes kItemBytes and two files (its folder and its record), each cover its bytes rounded up to blocks.
QString RoomRefusal(const std::vector<std::shared_ptr<QObject>>& items, int total, const ImportCost& cost, bool covers)
{
    qint64 freeBytes = cost.bounds.freeBytes;
    qint64 freeFiles = cost.bounds.freeFiles;
    if (freeBytes < 0 && !cost.storeFolder.isEmpty()) {
        if (const auto room = FreeRoom(cost.storeFolder)) {
            freeBytes = room->first;
            freeFiles = room->second;
        }
    }
    if (freeBytes < 0 && freeFiles < 0) {
        return {};
    }
    qint64 needBytes = qint64(total) * kItemBytes;
    qint64 needFiles = qint64(total) * 2;
    if (covers) {
        for (const std::shared_ptr<QObject>& entry : items) {
            EachImported(entry.get(), true, [&](const UEFCoveredItem& item) {
                for (const UEFCover* cover : {&item.frontCover(), &item.backCover()}) {
                    if (!cover->IsEmpty()) {
                        needBytes += (qint64(cover->SizeBound()) + kBlock - 1) / kBlock * kBlock;
                        ++needFiles;
                    }
                }
            });
        }
    }
    if (freeBytes >= 0 && needBytes > freeBytes) {
        return QStringLiteral("its %1 items need about %2 on the collection's disk, which has %3 free")
            .arg(total)
            .arg(Amount(needBytes, true), Amount(freeBytes, false));
    }
    if (freeFiles >= 0 && needFiles > freeFiles) {
        return QStringLiteral("its %1 items need %2 files and folders on the collection's disk, which has room for "
                              "%3 more")
            .arg(total)
            .arg(needFiles)
            .arg(freeFiles);
    }
    return {};
}

// The worker: reads the text, writes every item whole under a temporary name, waits for the window's go, and puts
// them in place; after a failure or a stop, it removes what it wrote. It reads and writes no global: what it needs
// is handed in (covers: whether the program has its temporary folder).
void RunImport(ImportJob& job, const CountIn& count, const ParseInto& parse, const ImportCost& cost,
               const QString& strParentKey, bool covers, const std::atomic<bool>& abandon,
               const std::shared_ptr<QObject>& checker)
{
    // Refused before anything is written, with nothing made: what the window waits for ends here.
    const auto refuse = [&job](const QString& why) {
        const std::lock_guard<std::mutex> lock(job.mutex);
        job.result.tooLarge = why;
        job.parsed = true;
        job.written = true;
        job.finished = true;
        job.changed.notify_all();
    };
    // Counted first, as a parse of a file of a million items would take gigabytes before it could be refused.
    const int held = count(&job.stop);
    if (held > cost.bounds.maxItems) {
        refuse(
            QStringLiteral("it holds %1 items, more than the %2 one import takes").arg(held).arg(cost.bounds.maxItems));
        return;
    }
    UEFParser::LeftOut leftOut;
    // The entries alone outlive the document, so each can go once it is written: the parsed items and the items
    // written are not all held at once.
    std::vector<std::shared_ptr<QObject>> items;
    {
        UEF document;
        // A stop ends the parse where it is.
        parse(document, leftOut, UEFParser::ParseControl{&job.stop, checker});
        items.assign(document.colUEF()->begin(), document.colUEF()->end());
    }
    int total = 0;
    int misplaced = 0;
    for (const std::shared_ptr<QObject>& entry : items) {
        total += ItemsOf(entry.get(), true);
        misplaced += MisplacedIn(entry.get());
    }
    if (!job.stop.load()) {
        if (const QString why = RoomRefusal(items, total, cost, covers); !why.isEmpty()) {
            refuse(why);
            return;
        }
    }
    {
        const std::lock_guard<std::mutex> lock(job.mutex);
        job.result.refused = leftOut.refused;
        job.result.tooDeep = leftOut.tooDeep;
        job.result.misplaced = leftOut.misplaced + misplaced;
        job.total = total;
        job.parsed = true;
    }
    job.changed.notify_all();
    // Everything the text holds is added whole, or nothing of it stays.
    ItemCreation& creation = job.creation;
    ItemWriter writer{creation, covers, &job.stop, &job.done};
    int added = 0;
    for (std::shared_ptr<QObject>& entry : items) {
        if (writer.Stopped()) {
            break;
        }
        QString newKey;
        if (const auto* movie = qobject_cast<const UEFMovie*>(entry.get())) {
            newKey = AddMovie(writer, *movie, strParentKey);
        } else if (const auto* media = qobject_cast<const UEFMedia*>(entry.get())) {
            newKey = AddMedia(writer, *media, strParentKey);
        } else if (const auto* box = qobject_cast<const UEFBox*>(entry.get())) {
            newKey = AddBox(writer, *box, strParentKey);
        }
        entry.reset();
        if (writer.Stopped()) {
            break;
        }
        if (!newKey.isEmpty()) {
            ++added;
        } else {
            qCWarning(lcApp) << "an exchange entry could not be added under" << strParentKey;
        }
    }
    {
        std::unique_lock<std::mutex> lock(job.mutex);
        job.result.covers = writer.coversLeftOut;
        job.written = true;
        job.changed.notify_all();
        job.changed.wait(lock, [&job] { return job.go || job.stop.load(); });
    }
    bool placing = false;
    {
        // Once the items go in place, a stop waits for their outcome (see ImportParsed); before, it need not.
        const std::lock_guard<std::mutex> lock(job.mutex);
        placing = !creation.Failed() && !job.stop.load();
        job.placing = placing;
    }
    const bool inPlace = placing && creation.PutInPlace(&job.stop);
    {
        const std::lock_guard<std::mutex> lock(job.mutex);
        if (inPlace && !job.stop.load()) {
            // The window's thread places them in their lists.
            job.result.added = added;
            job.finished = true;
            job.changed.notify_all();
            return;
        }
    }
    if (!job.stop.load()) {
        // A failure is told once its items are gone, so the store is as it was when the user reads why.
        const int left = creation.Undo(&abandon);
        const std::lock_guard<std::mutex> lock(job.mutex);
        if (!job.finished) {
            job.result.error = creation.Error();
            job.result.left = left;
            job.finished = true;
            job.changed.notify_all();
        }
        return;
    }
    // After a stop, what is in place goes out again at once (renames) and the outcome is told then: the store as it
    // was but for what could not be moved out. What was written is removed after it, in the background.
    const int left = creation.TakeOut();
    {
        const std::lock_guard<std::mutex> lock(job.mutex);
        if (!job.finished) {
            job.result.left = left;
            job.finished = true;
            job.changed.notify_all();
        }
    }
    creation.Undo(&abandon);
}

// Some events of the window now and then while it waits (no input: that waits), so it repaints.
void LetWindowRepaint(QElapsedTimer& sinceEvents)
{
    if (QCoreApplication::instance() && sinceEvents.elapsed() >= 25) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sinceEvents.start();
    }
}

// How often the window's thread tells the hook while it waits, whatever the worker does.
constexpr std::chrono::milliseconds kHookInterval{10};

// A stop: nothing was added; left says how many items that were in place could not be taken away again.
ImportResult Cancelled(ImportResult result)
{
    result.cancelled = true;
    result.error = QStringLiteral("cancelled");
    result.added = 0;
    return result;
}

// Waits until no worker of the program holds the store (a cancelled import still taking its items away, a cancelled
// reload still reading), telling the hook (0, 0) meanwhile; false when it asked to stop.
bool AwaitStore(const ImportProgress& progress)
{
    if (!progress) {
        StoreGate::Wait();
        return true;
    }
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    while (!StoreGate::WaitFree(kHookInterval)) {
        if (!progress(0, 0)) {
            return false;
        }
        LetWindowRepaint(sinceEvents);
    }
    return true;
}

// Runs an import whose text parse reads: the parse and the writing on a worker, the progress hook and the placing
// here, on the window's thread.
ImportResult ImportParsed(const CountIn& count, const ParseInto& parse, const QString& strParentKey,
                          const ImportProgress& progress, const ImportBounds& bounds)
{
    // No other worker changes the store or the ids under this one.
    if (!AwaitStore(progress)) {
        return Cancelled({});
    }
    // The ids follow each list's highest, taken here: the collections are this thread's, and nothing else adds to
    // them while the import runs (the import holds the store, so every other command waits for it).
    const auto job = std::make_shared<ImportJob>(std::vector<CItemList*>{gBoxes.get(), gMedias.get(), gMovies.get()});
    // The worker's checker is made here, so the worker looks up no component.
    const std::shared_ptr<QObject> checker = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
    const bool covers = !gTempFolder.isEmpty();
    const ImportCost cost{bounds, gMovies ? gMovies->DBDir() : QString()};
    const bool started = BackgroundWork::Start(
        [job, count, parse, cost, strParentKey, covers, checker](const std::atomic<bool>& abandon) {
            RunImport(*job, count, parse, cost, strParentKey, covers, abandon, checker);
        });
    if (!started) {
        // Without a thread the import runs here, as a whole.
        job->go = true;
        const std::atomic<bool> never{false};
        RunImport(*job, count, parse, cost, strParentKey, covers, never, checker);
    }
    // The progress hook runs here, on the window's thread, every few milliseconds whatever the worker does: with the
    // count of items written once the text is read (nothing counted before), and the last count again while the
    // items go in place. The items go in place only once the hook heard the last count and did not ask to stop.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    std::unique_lock<std::mutex> lock(job->mutex);
    while (!job->finished) {
        const bool parsed = job->parsed;
        const bool written = job->written;
        const int total = job->total;
        const int reached = job->done.load();
        bool wanted = true;
        if (progress) {
            lock.unlock();
            if (parsed) {
                wanted = progress(reached, total);
            } else {
                // While the text is read, nothing is counted yet: the hook hears no total, and may stop the parse.
                wanted = progress(0, 0);
                LetWindowRepaint(sinceEvents);
            }
            lock.lock();
        }
        if (job->finished) {
            break; // an outcome reached meanwhile stands
        }
        if (!wanted) {
            job->stop.store(true);
            job->changed.notify_all();
            if (job->placing) {
                // The items are going in place: they come out again by renames, and what stays is told.
                job->changed.wait(lock, [&job] { return job->finished; });
            }
            return Cancelled(job->result);
        }
        if (written && !job->go) {
            job->go = true;
            job->changed.notify_all();
        }
        job->changed.wait_for(lock, kHookInterval);
    }
    ImportResult result = job->result;
    lock.unlock();
    if (result.error.isEmpty() && result.tooLarge.isEmpty() && !job->creation.Place()) {
        // Added counts what the tree shows.
        qCWarning(lcApp) << "the imported items are in the store, but not shown until the collection is reloaded";
        result.error = QStringLiteral("the collection changed while they were imported; they are in its folder and "
                                      "show once it is reloaded");
        result.left = job->creation.Staged();
        result.added = 0;
    }
    return result;
}

} // namespace

ImportResult ImportExchange(const QString& strUEF, const QString& strParentKey, const ImportProgress& progress,
                            const ImportBounds& bounds)
{
    if (strUEF.isEmpty()) {
        return {};
    }
    return ImportParsed([strUEF](const std::atomic<bool>* stop) { return UEFParser::CountItems(strUEF, stop); },
                        [strUEF](UEF& document, UEFParser::LeftOut& leftOut, const UEFParser::ParseControl& control) {
                            document.AppendText(strUEF, leftOut, control);
                        },
                        strParentKey, progress, bounds);
}

ImportResult ImportExchangeBytes(const QByteArray& bytes, const QString& strParentKey, const ImportProgress& progress,
                                 const ImportBounds& bounds)
{
    if (bytes.isEmpty()) {
        return {};
    }
    return ImportParsed([bytes](const std::atomic<bool>* stop) { return UEFParser::CountItems(bytes, stop); },
                        [bytes](UEF& document, UEFParser::LeftOut& leftOut, const UEFParser::ParseControl& control) {
                            document.AppendBytes(bytes, leftOut, control);
                        },
                        strParentKey, progress, bounds);
}

int ImportUEF(const QString& strUEF, const QString& strParentKey, int* refused)
{
    const ImportResult result = ImportExchange(strUEF, strParentKey);
    if (refused) {
        *refused = result.refused;
    }
    return result.added;
}
