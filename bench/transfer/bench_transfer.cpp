// The transfer commands' cost. Prints "FIGURE <name> <value> <unit>" lines:
//   collection-list-ms    BuildCollectionList on the generated 22,750-item store
//   upload-collection-ms  that list sent as the collection row to the loopback service
//   export-box-ms         a box of 24 discs of 10 movies, every item with both covers, written to a file
//   import-box-ms         that file imported back
//   import-box-floor-ms   the same folders and files that import writes, by a plain loop through the writer's batch
//                         with one sync, on the same disk in the same run: what the import costs at the least
#include "BenchFigures.h"
#include "FakeService.h"
#include "StoreGenerator.h"

#include "core/Collections.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "transfer/CollectionList.h"
#include "transfer/UEFFile.h"
#include "transfer/UploadSession.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Component.h"

#include "SafeFile.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using TestSupport::Median;

namespace {

double TimeMs(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void NewCollections(const QString& db)
{
    for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
        QDir().mkpath(db + u'/' + QLatin1String(kind));
    }
    gCategories = std::make_shared<CCategories>();
    gGroups = std::make_shared<CGroups>();
    gBoxes = std::make_shared<CBoxes>();
    gMedias = std::make_shared<CMedias>();
    gMovies = std::make_shared<CMovies>();
    gCategories->setDBDir(db);
    gGroups->setDBDir(db);
    gBoxes->setDBDir(db);
    gMedias->setDBDir(db);
    gMovies->setDBDir(db);
}

void AddCovers(CCoveredItem& item, const QString& scratch, QRandomGenerator& random)
{
    QByteArray bytes(48 * 1024, Qt::Uninitialized);
    for (char& b : bytes) {
        b = char(random.bounded(256));
    }
    bytes[0] = 'G';
    bytes[bytes.size() - 1] = 'Z';
    (void)AnsiText::WriteFileBytes(scratch + QStringLiteral("/front.jpg"), bytes);
    (void)AnsiText::WriteFileBytes(scratch + QStringLiteral("/back.jpg"), bytes);
    item.AddFrontCover(scratch + QStringLiteral("/front.jpg"));
    item.AddBackCover(scratch + QStringLiteral("/back.jpg"));
}

// A box of 24 discs of 10 movies each, every item with both covers.
QString BuildBox(const QString& scratch)
{
    QRandomGenerator random(11);
    const QString box = gBoxes->Add(QStringLiteral("Complete Series"));
    gBoxes->Item(box)->setStrUPC(QStringLiteral("036000291452"));
    AddCovers(*gBoxes->Item(box), scratch, random);
    gBoxes->Update(box);
    for (int d = 1; d <= 24; ++d) {
        const QString disc = gMedias->Add(QStringLiteral("Disc %1").arg(d));
        const auto media = gMedias->Item(disc);
        media->setLngParentType(3);
        media->setLngParentID(box.mid(1).toInt());
        media->setStrSortKey(QStringLiteral("DISC %1").arg(d, 2, 10, QChar(u'0')));
        AddCovers(*media, scratch, random);
        gMedias->Update(disc);
        for (int m = 1; m <= 10; ++m) {
            const QString key = gMovies->Add(QStringLiteral("Episode %1").arg(m));
            const auto movie = gMovies->Item(key);
            movie->setLngParentType(4);
            movie->setLngParentID(disc.mid(1).toInt());
            movie->setStrSortKey(QStringLiteral("EPISODE %1").arg(m, 2, 10, QChar(u'0')));
            movie->setStrSynopsis(QString(500, u's'));
            AddCovers(*movie, scratch, random);
            gMovies->Update(key);
        }
    }
    BuildChildLists();
    return box;
}

// Every folder and file under root, relative to it: folders parents first, files with their bytes.
struct Tree
{
    QStringList folders;
    std::vector<std::pair<QString, QByteArray>> files;
};

Tree ReadTree(const QString& root)
{
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            tree.folders << name;
        } else {
            QByteArray bytes;
            SafeFile::Read(path, bytes);
            tree.files.emplace_back(name, bytes);
        }
    }
    std::sort(tree.folders.begin(), tree.folders.end(),
              [](const QString& a, const QString& b) { return a.count(u'/') < b.count(u'/'); });
    return tree;
}

// What an import of the box writes into the store, taken from the difference of the store before and after one.
Tree Written(const Tree& before, const Tree& after)
{
    Tree written;
    for (const QString& folder : after.folders) {
        if (!before.folders.contains(folder)) {
            written.folders << folder;
        }
    }
    for (const auto& file : after.files) {
        if (written.folders.contains(file.first.section(u'/', 0, -2))) {
            written.files.push_back(file);
        }
    }
    return written;
}

// The least an import of the box can cost: its folders and files written in one batch, synced once.
bool WriteFloor(const QString& root, const Tree& tree)
{
    SafeFile::Batch batch;
    bool ok = true;
    for (const QString& folder : tree.folders) {
        ok = SafeFile::MakePath(root + u'/' + folder) && ok;
    }
    for (const auto& [name, bytes] : tree.files) {
        ok = SafeFile::Write(root + u'/' + name, bytes) && ok;
    }
    return batch.Commit() && ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "bench_transfer: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    QDir().mkpath(work.filePath(QStringLiteral("tmp")));
    qputenv("TMPDIR", work.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    if (Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)) != 0) {
        std::fprintf(stderr, "bench_transfer: Codevet could not be registered\n");
        return 1;
    }
    mRegister::EnsureKey(Registry::HKEY_CURRENT_USER, kProgramKey);
    WriteRegSetting(QStringLiteral("User"), QStringLiteral("bench"));
    WriteRegSetting(QStringLiteral("Password"), QStringLiteral("pw"));

    // The collection list and its upload, on the generated store.
    const QString db = work.filePath(QStringLiteral("store"));
    StoreGenerator(db).Run();
    Collections::LoadAll(db, nullptr);
    QString list;
    std::vector<double> build;
    for (int i = 0; i < 7; ++i) {
        build.push_back(TimeMs([&list] { list = BuildCollectionList(); }));
    }
    std::fprintf(stderr, "bench_transfer: %lld characters in the collection list\n", qlonglong(list.size()));
    std::printf("FIGURE collection-list-ms %.1f ms\n", Median(build));
    std::fflush(stdout);

    FakeService service;
    if (!service.Start()) {
        std::fprintf(stderr, "bench_transfer: the loopback service did not start\n");
        return 1;
    }
    service.users.insert("bench", "pw");
    std::vector<double> upload;
    for (int i = 0; i < 5; ++i) {
        UploadSession session;
        session.AddItem(UploadSession::kCollectionText, UploadSession::kCollectionCode, list);
        upload.push_back(TimeMs([&session] { session.UploadAll(); }));
        if (session.Rows().first().state != UploadSession::DoneState()) {
            std::fprintf(stderr, "bench_transfer: the collection upload failed\n");
            return 1;
        }
    }
    if (service.uploads.size() != 5 || service.uploads.first().size() != list.size()) {
        std::fprintf(stderr, "bench_transfer: the service did not receive the list\n");
        return 1;
    }
    std::printf("FIGURE upload-collection-ms %.1f ms\n", Median(upload));
    std::fflush(stdout);

    // A large box to a file and back, in a store of its own.
    const QString boxStore = work.filePath(QStringLiteral("boxes"));
    NewCollections(boxStore);
    gTempFolder = MakeTempName();
    (void)CreateTempFolder();
    const QString scratch = work.filePath(QStringLiteral("scratch"));
    QDir().mkpath(scratch);
    const QString box = BuildBox(scratch);
    const QString file = work.filePath(QStringLiteral("box.UEF"));
    std::vector<double> exported;
    std::vector<double> imported;
    std::vector<double> floor;
    Tree written;
    for (int i = 0; i < 5; ++i) {
        bool exportWritten = false;
        exported.push_back(TimeMs([&] { exportWritten = bool(UEFFile::WriteExport(file, UEFFile::ExportText(box))); }));
        const Tree before = i == 0 ? ReadTree(boxStore) : Tree();
        UEFFile::ImportOutcome outcome;
        imported.push_back(TimeMs([&] { outcome = UEFFile::ImportFile(file, QStringLiteral("!0")); }));
        if (!exportWritten || outcome.added != 1) {
            std::fprintf(stderr, "bench_transfer: the box did not travel\n");
            return 1;
        }
        if (i == 0) {
            written = Written(before, ReadTree(boxStore));
        }
        // The floor on the same disk, beside the store.
        const QString root = work.filePath(QStringLiteral("floor%1").arg(i));
        bool floorWritten = false;
        floor.push_back(TimeMs([&] { floorWritten = WriteFloor(root, written); }));
        if (!floorWritten) {
            std::fprintf(stderr, "bench_transfer: the floor could not be written\n");
            return 1;
        }
        (void)SafeFile::RemoveTree(root);
    }
    std::fprintf(stderr, "bench_transfer: an import writes %lld folders and %lld files\n",
                 qlonglong(written.folders.size()), qlonglong(written.files.size()));
    std::fprintf(stderr, "bench_transfer: %lld bytes in the box file\n", qlonglong(QFileInfo(file).size()));
    std::printf("FIGURE export-box-ms %.1f ms\n", Median(exported));
    std::printf("FIGURE import-box-ms %.1f ms\n", Median(imported));
    std::printf("FIGURE import-box-floor-ms %.1f ms\n", Median(floor));
    std::fflush(stdout);
    RemoveTempFolder();
    return 0;
}
