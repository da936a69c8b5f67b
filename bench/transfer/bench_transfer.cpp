// The transfer commands' cost. Prints "FIGURE <name> <value> <unit>" lines:
//   collection-list-ms    BuildCollectionList on the generated 22,750-item store
//   upload-collection-ms  that list sent as the collection row to the loopback service
//   export-box-ms         a box of 24 discs of 10 movies, every item with both covers, written to a file
//   import-box-ms         that file imported back
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

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

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
    AnsiText::WriteFileBytes(scratch + QStringLiteral("/front.jpg"), bytes);
    AnsiText::WriteFileBytes(scratch + QStringLiteral("/back.jpg"), bytes);
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
    CreateTempFolder();
    const QString scratch = work.filePath(QStringLiteral("scratch"));
    QDir().mkpath(scratch);
    const QString box = BuildBox(scratch);
    const QString file = work.filePath(QStringLiteral("box.UEF"));
    std::vector<double> exported;
    std::vector<double> imported;
    for (int i = 0; i < 5; ++i) {
        bool written = false;
        exported.push_back(TimeMs([&] { written = UEFFile::WriteExport(file, UEFFile::ExportText(box)); }));
        UEFFile::ImportOutcome outcome;
        imported.push_back(TimeMs([&] { outcome = UEFFile::ImportFile(file, QStringLiteral("!0")); }));
        if (!written || outcome.added != 1) {
            std::fprintf(stderr, "bench_transfer: the box did not travel\n");
            return 1;
        }
    }
    std::fprintf(stderr, "bench_transfer: %lld bytes in the box file\n", qlonglong(QFileInfo(file).size()));
    std::printf("FIGURE export-box-ms %.1f ms\n", Median(exported));
    std::printf("FIGURE import-box-ms %.1f ms\n", Median(imported));
    std::fflush(stdout);
    RemoveTempFolder();
    return 0;
}
