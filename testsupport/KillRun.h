#pragma once

// The kill runs shared by the store's safety test and its benchmark: a child process saves movies (or creates items)
// in a loop until it is killed, and the store it leaves is checked item by item and file by file.
#include "AnsiText.h"
#include "CBoxes.h"
#include "CMedias.h"
#include "CMovie.h"
#include "CMovies.h"
#include "ItemStore.h"
#include "SafeFile.h"
#include "StagedItems.h"
#include "StoreIntent.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <map>

namespace KillRun {

// The temporary files and folders of the writer's pattern below root.
inline QStringList Temps(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (SafeFile::IsTempName(SafeFile::Encode(it.fileName()))) {
            found << path;
        }
    }
    return found;
}

inline QString Label(int g)
{
    return QStringLiteral("Label %1").arg(g);
}
inline QString Notes(int g)
{
    return QStringLiteral("Notes of version %1\r\n\r\n").arg(g) + QString(300, QChar(u'n')) +
           QStringLiteral("\r\nend %1").arg(g);
}
inline QString Synopsis(int g)
{
    return QStringLiteral("Synopsis %1 ").arg(g) + QString(900, QChar(u's')) + QStringLiteral(" %1").arg(g);
}

inline QByteArray ReadRaw(const QString& path)
{
    QByteArray bytes;
    SafeFile::Read(path, bytes);
    return bytes;
}

// Starts this program again with args, kills it delayUs after its first output (after its first add, with
// untilAdded) and adds the keys it reported made ("added KEY" lines) to keys. False when it did not start or end.
inline bool KillChild(const QStringList& args, unsigned long delayUs, QStringList& keys, bool untilAdded = false)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForStarted(10000) || !child.waitForReadyRead(10000)) {
        return false;
    }
    QByteArray out = child.readAllStandardOutput();
    while (untilAdded && !out.contains("added ") && child.waitForReadyRead(20000)) {
        out += child.readAllStandardOutput();
    }
    QThread::usleep(delayUs);
    child.kill();
    const bool ended = child.waitForFinished(10000);
    out += child.readAllStandardOutput();
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("added ")) {
            keys << QString::fromLatin1(line.mid(6));
        }
    }
    return ended;
}

inline const QByteArray kCoverA(20000, 'A');
inline const QByteArray kCoverB(30000, 'B');

// The front cover version g of a movie has: its bytes, and the picture it is copied from.
inline const QByteArray& CoverOf(int g)
{
    return g % 2 == 0 ? kCoverA : kCoverB;
}
inline QString CoverSource(const QString& sources, int g)
{
    return sources + (g % 2 == 0 ? QStringLiteral("/a.jpg") : QStringLiteral("/b.GIF"));
}

// The child of the kill test: saves movies in a loop until it is killed. Each save writes one whole version g of a
// movie (label, notes, synopsis, and the front cover of g) in one save; every seventh adds a movie and reports its
// key once Add has returned.
inline int RunSaver(const QString& db, const QString& sources, quint32 seed)
{
    CMovies movies;
    movies.setDBDir(db);
    movies.LoadData();
    QRandomGenerator rng(seed);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int i = 1;; ++i) {
        const auto all = movies.items();
        const auto movie = all[size_t(rng.bounded(int(all.size())))];
        const int g = int(rng.bounded(1000000));
        movie->setStrLabel(Label(g));
        movie->setStrNotes(Notes(g));
        movie->setStrSynopsis(Synopsis(g));
        (void)movies.Save(movie->strKey(), {CoverChange::Replace(CoverSource(sources, g)), {}});
        if (i % 7 == 0) {
            const QString key = movies.Add(QStringLiteral("Added %1").arg(i));
            if (!key.isEmpty()) {
                std::printf("added %s\n", qPrintable(key));
                std::fflush(stdout);
            }
        }
    }
}

// Checks a store after a kill, as the next start finds it (the store's intent records carried out first): every movie
// in keys loads, each of its files (record, notes, synopsis, front cover) of one and the same version; a load leaves
// no temporary file. Returns the number of items or files lost.
inline int CheckAfterKill(const QString& db, const QStringList& keys, QString* why)
{
    (void)StoreIntent::Recover(db);
    CMovies movies;
    movies.setDBDir(db);
    movies.LoadData();
    int lost = 0;
    static const QRegularExpression label(QStringLiteral("^Label (\\d+)$"));
    for (const QString& key : keys) {
        const auto movie = movies.Item(key);
        if (!movie) {
            *why = key + QStringLiteral(" is gone");
            ++lost;
            continue;
        }
        const QString folder = movie->Path();
        if (ReadRaw(folder + u'/' + ItemStore::kRecord) != AnsiText::Encode(ItemStore::RecordText(*movie))) {
            *why = key + QStringLiteral(": the record is not whole");
            ++lost;
        }
        if (movie->strLabel().isEmpty()) {
            continue; // an added movie that was never updated
        }
        // The three files are written together but replaced one by one: each must be some whole version (an empty
        // text is the version an added movie starts with).
        const auto version = label.match(movie->strLabel());
        if (!version.hasMatch()) {
            *why = key + QStringLiteral(": no whole label");
            ++lost;
            continue;
        }
        const int g = version.captured(1).toInt();
        if (movie->strNotes() != Notes(g) || movie->strSynopsis() != Synopsis(g) ||
            ReadRaw(folder + u'/' + movie->strFrontCover()) != CoverOf(g) ||
            movie->strFrontCover() != CCoveredItem::CoverFileName(true, CoverSource({}, g))) {
            *why = key + QStringLiteral(": not all of version %1").arg(g);
            ++lost;
        }
        static const QRegularExpression notes(QStringLiteral("^Notes of version (\\d+)\r\n"));
        static const QRegularExpression synopsis(QStringLiteral("^Synopsis (\\d+) "));
        const auto n = notes.match(movie->strNotes());
        const auto s = synopsis.match(movie->strSynopsis());
        if (!movie->strNotes().isEmpty() && (!n.hasMatch() || movie->strNotes() != Notes(n.captured(1).toInt()))) {
            *why = key + QStringLiteral(": notes not whole");
            ++lost;
        }
        if (!movie->strSynopsis().isEmpty() &&
            (!s.hasMatch() || movie->strSynopsis() != Synopsis(s.captured(1).toInt()))) {
            *why = key + QStringLiteral(": synopsis not whole");
            ++lost;
        }
        const QString cover = movie->strFrontCover();
        if (!cover.isEmpty()) {
            const QByteArray bytes = ReadRaw(folder + u'/' + cover);
            if (bytes != kCoverA && bytes != kCoverB) {
                *why = key + QStringLiteral(": cover not whole");
                ++lost;
            }
        }
    }
    if (!Temps(db).isEmpty()) {
        *why = QStringLiteral("a load left ") + Temps(db).join(u' ');
        ++lost;
    }
    return lost;
}

// ---- creation ----

// A created item holds what its name tells: its extras (and a movie's label, notes and synopsis) come from it, and
// a name "... in E12" puts it in medium 12 ("in B3": box 3).
inline QString Extras(const QString& name)
{
    return QStringLiteral("Extras of ") + name + QStringLiteral("\r\nSecond line");
}
inline QString ParentKey(const QString& name)
{
    static const QRegularExpression in(QStringLiteral(" in ([BE]\\d+)$"));
    return in.match(name).captured(1);
}

// A new item with every field its name tells.
inline std::shared_ptr<CItem> NewOne(const CItemList& list, const QString& name)
{
    const auto item = ItemStore::NewItem(list.Kind());
    item->setDisplayName(name);
    item->setStrSortKey(name.toUpper());
    item->setProperty("strExtras", Extras(name));
    item->setProperty("strLabel", QStringLiteral("Label of ") + name);
    item->setProperty("strNotes", Notes(int(name.size())));
    item->setProperty("strSynopsis", Synopsis(int(name.size())));
    const QString parent = ParentKey(name);
    item->setProperty("lngParentType", parent.isEmpty() ? 0 : parent.startsWith(u'B') ? 3 : 4);
    item->setProperty("lngParentID", parent.mid(1).toInt());
    return item;
}

// Creates one item whole, with every field its name tells and both covers; its key or empty.
inline QString CreateOne(CItemList& list, const QString& name, const QString& sources)
{
    return list.AddNew(NewOne(list, name), {sources + QStringLiteral("/a.jpg"), sources + QStringLiteral("/b.GIF")})
        .valueOr({});
}

// The same item written under a temporary folder name only (see StagedItems); its key or empty.
inline QString StageOne(StagedItems& staged, CItemList& list, const QString& name, const QString& sources)
{
    return staged
        .Stage(list.Kind(), NewOne(list, name), {sources + QStringLiteral("/a.jpg"), {}, {}},
               {sources + QStringLiteral("/b.GIF"), {}, {}})
        .valueOr({});
}

// The boxes, media and movies of a kill run's child, loaded from db; "ready" is told once they are.
struct LoadedKinds
{
    CBoxes boxes;
    CMedias medias;
    CMovies movies;
    explicit LoadedKinds(const QString& db)
    {
        for (CItemList* list : std::initializer_list<CItemList*>{&boxes, &medias, &movies}) {
            list->setDBDir(db);
            list->LoadData();
        }
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
    }
};

// The child of the creation kill run: in batches until it is killed, creates eight movies at the root, or a box
// holding two media holding three movies each; reports the keys of a batch once its Commit returned true.
inline int RunCreator(const QString& db, const QString& sources, quint32 seed)
{
    LoadedKinds kinds(db);
    auto& [boxes, medias, movies] = kinds;
    for (int round = 1;; ++round) {
        const QString tag = QStringLiteral("%1-%2").arg(seed).arg(round);
        SafeFile::Batch batch;
        QStringList made;
        for (int i = 0; round % 2 == 1 && i < 8; ++i) {
            made << CreateOne(movies, QStringLiteral("Flat %1 #%2").arg(tag).arg(i), sources);
        }
        const QString box = round % 2 == 0 ? CreateOne(boxes, QStringLiteral("Set ") + tag, sources) : QString();
        for (int d = 0; !box.isEmpty() && d < 2; ++d) {
            const QString disc =
                CreateOne(medias, QStringLiteral("Disc %1 #%2 in %3").arg(tag).arg(d).arg(box), sources);
            for (int e = 0; !disc.isEmpty() && e < 3; ++e) {
                made << CreateOne(movies, QStringLiteral("Episode %1 #%2%3 in %4").arg(tag).arg(d).arg(e).arg(disc),
                                  sources);
            }
            made << disc;
        }
        made << box;
        made.removeAll(QString()); // a round that failed anywhere reports nothing (see the Commit below)
        if (batch.Commit() && made.size() == (round % 2 == 1 ? 8 : 9)) {
            for (const QString& key : made) {
                std::printf("added %s\n", qPrintable(key));
            }
            std::fflush(stdout);
        }
    }
}

// The child of the staging kill run: until it is killed, stages rounds of items as an import does before they go in
// place (eight movies at the root, or a box holding two media holding three movies each), and either takes a round
// away again, as a cancel does, or leaves it staged. Nothing is ever put in place.
inline int RunStager(const QString& db, const QString& sources)
{
    LoadedKinds kinds(db);
    auto& [boxes, medias, movies] = kinds;
    std::vector<std::unique_ptr<StagedItems>> left;
    for (int round = 1;; ++round) {
        auto staged = std::make_unique<StagedItems>(std::vector<CItemList*>{&boxes, &medias, &movies});
        for (int i = 0; round % 2 == 1 && i < 8; ++i) {
            StageOne(*staged, movies, QStringLiteral("Flat %1 #%2").arg(round).arg(i), sources);
        }
        const QString box =
            round % 2 == 0 ? StageOne(*staged, boxes, QStringLiteral("Set %1").arg(round), sources) : QString();
        for (int d = 0; !box.isEmpty() && d < 2; ++d) {
            const QString disc =
                StageOne(*staged, medias, QStringLiteral("Disc %1 #%2 in %3").arg(round).arg(d).arg(box), sources);
            for (int e = 0; !disc.isEmpty() && e < 3; ++e) {
                StageOne(*staged, movies, QStringLiteral("Episode %1 #%2%3 in %4").arg(round).arg(d).arg(e).arg(disc),
                         sources);
            }
        }
        if (round % 3 == 0) {
            staged->Discard();
        } else {
            left.push_back(std::move(staged));
        }
    }
}

// ---- many items together ----

// The fifteen items of a kill run on a command of many items: a box holding two media of three movies each, and six
// loose movies; made whole (create) or only staged (stage), in the order an import makes them.
template <class Make> QStringList MakeSet(LoadedKinds& kinds, const QString& tag, Make make)
{
    QStringList made;
    const QString box = make(kinds.boxes, QStringLiteral("Set ") + tag);
    made << box;
    for (int d = 0; d < 2; ++d) {
        const QString disc = make(kinds.medias, QStringLiteral("Disc %1 #%2 in %3").arg(tag).arg(d).arg(box));
        made << disc;
        for (int e = 0; e < 3; ++e) {
            made << make(kinds.movies, QStringLiteral("Episode %1 #%2%3 in %4").arg(tag).arg(d).arg(e).arg(disc));
        }
    }
    for (int i = 0; i < 6; ++i) {
        made << make(kinds.movies, QStringLiteral("Loose %1 #%2").arg(tag).arg(i));
    }
    return made;
}

// The child of that kill run: with "place", stages the set and puts it in place together, as an import does; with
// "withdraw", moves every item folder of the store out together, contents first, as a container's delete does. Each
// rename is slowed, so a kill lands between two of them; "go" is told when the command starts.
inline int RunTogether(const QString& db, const QString& sources, const QString& mode)
{
    LoadedKinds kinds(db);
    SafeFile::Faults::SlowDown(SafeFile::Faults::Rename, 4);
    if (mode == QLatin1String("place")) {
        StagedItems staged({&kinds.boxes, &kinds.medias, &kinds.movies});
        MakeSet(kinds, QStringLiteral("1"),
                [&](CItemList& list, const QString& name) { return StageOne(staged, list, name, sources); });
        std::fputs("go\n", stdout);
        std::fflush(stdout);
        (void)staged.PutInPlace(nullptr, QStringLiteral("an import of 15 items"));
    } else {
        QStringList folders;
        for (CItemList* list : std::initializer_list<CItemList*>{&kinds.movies, &kinds.medias, &kinds.boxes}) {
            for (const QString& name :
                 ItemStore::ListEntries(db + u'/' + ItemStore::KindFolder(list->Kind())).value_or(QStringList())) {
                folders << db + u'/' + ItemStore::KindFolder(list->Kind()) + u'/' + name;
            }
        }
        std::fputs("go\n", stdout);
        std::fflush(stdout);
        (void)ItemStore::WithdrawFolders(db, QStringLiteral("the delete of a box and 14 items"), folders);
    }
    std::fputs("done\n", stdout);
    std::fflush(stdout);
    for (;;) {
        QThread::sleep(1);
    }
}

struct Creation
{
    int half = 0;       // items on disk that are not whole, or not under the parent they were made under
    int recordless = 0; // folders without a record, or temporary ones, left after a load
    int lost = 0;       // items reported made that did not load
    int loaded = 0;     // items that loaded
};

// Checks a store after a creation run was killed: every item loads whole (record, fields, parent, covers), every
// reported item is there, and a load leaves no folder without a record and no temporary folder.
inline Creation CheckCreated(const QString& db, const QStringList& keys, QString* why)
{
    Creation found;
    CBoxes boxes;
    CMedias medias;
    CMovies movies;
    std::map<QString, std::shared_ptr<CItem>> loaded;
    const auto load = [&](auto& list) {
        list.setDBDir(db);
        list.LoadData();
        for (const auto& item : list) {
            loaded[item->strKey()] = item;
        }
    };
    load(boxes);
    load(medias);
    load(movies);
    found.loaded = int(loaded.size());
    for (const auto& [key, item] : loaded) {
        const QString name = item->DisplayName();
        const QString folder = item->Path() + u'/';
        const QString parent =
            CItem::KeyLetter(item->property("lngParentType").toInt() == 3 ? ItemKind::Box : ItemKind::Media) +
            item->property("lngParentID").toString();
        const bool movie = item->Kind() == ItemKind::Movie;
        QString what;
        if (ReadRaw(folder + ItemStore::kRecord) != AnsiText::Encode(ItemStore::RecordText(*item)) ||
            item->strSortKey() != name.toUpper() || item->property("strExtras") != Extras(name) ||
            (movie && (item->property("strLabel") != QStringLiteral("Label of ") + name ||
                       item->property("strNotes") != Notes(int(name.size())) ||
                       item->property("strSynopsis") != Synopsis(int(name.size()))))) {
            what = QStringLiteral("not whole");
        } else if (ParentKey(name) != (item->property("lngParentType").toInt() == 0 ? QString() : parent) ||
                   (!ParentKey(name).isEmpty() && loaded.count(parent) == 0)) {
            what = QStringLiteral("not under its parent");
        } else if (ReadRaw(folder + item->property("strFrontCover").toString()) != kCoverA ||
                   ReadRaw(folder + item->property("strBackCover").toString()) != kCoverB) {
            what = QStringLiteral("covers missing");
        }
        if (!what.isEmpty()) {
            *why = key + QStringLiteral(" in ") + folder + QStringLiteral(": ") + what;
            ++found.half;
        }
    }
    for (const QString& key : keys) {
        if (loaded.count(key) == 0) {
            *why = key + QStringLiteral(" was reported made and is gone");
            ++found.lost;
        }
    }
    for (const ItemKind kind : {ItemKind::Box, ItemKind::Media, ItemKind::Movie}) {
        const QString folder = db + u'/' + ItemStore::KindFolder(kind) + u'/';
        for (const QString& name : ItemStore::ListEntries(folder).value_or(QStringList())) {
            if (!QFileInfo::exists(folder + name + u'/' + ItemStore::kRecord)) {
                *why = folder + name + QStringLiteral(" holds no record after a load");
                ++found.recordless;
            }
        }
    }
    found.recordless += int(Temps(db).size());
    return found;
}

} // namespace KillRun
