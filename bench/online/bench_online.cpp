// The online client and the online dialogs' sessions against the loopback fake service. Prints
// "FIGURE <name> <value> <unit>" lines:
//   online-download-10mb-ms  GetUEF of a 10 MB item, the median of several runs
//   missing-flood-rows       the rows a collection upload queues from a missing list of 1,000,000 lines naming
//                            one code that 3 movies share
//   missing-flood-peak-mb    how far the process's peak resident memory grew over that upload
//   find-100000-ms           the import session's search answered with 100,000 results, the median of a few runs
#include "BenchFigures.h"
#include "COM.h"
#include "FakeService.h"

#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mRegister.h"
#include "transfer/ImportSession.h"
#include "transfer/UploadSession.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using TestSupport::Median;

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
qint64 StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return 0;
}

// Starts a new peak: the kernel sets the high-water mark back to the memory resident now.
void ResetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) {
        refs.write("5");
    }
}

bool Download(FakeService& service)
{
    constexpr qsizetype kSize = 10 * 1000 * 1000;
    constexpr int kRuns = 7;
    QByteArray item(kSize, Qt::Uninitialized);
    for (qsizetype i = 0; i < kSize; ++i) {
        item[i] = char(' ' + i % 90);
    }
    service.items.insert("0123456789012", item);

    COM com;
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        if (!com.LogIn(QStringLiteral("bench"), QStringLiteral("bench"))) {
            std::fprintf(stderr, "log-in failed\n");
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        const QString text = com.GetUEF(QStringLiteral("0123456789012"));
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (text.size() != kSize) {
            std::fprintf(stderr, "download incomplete: %lld of %lld\n", qlonglong(text.size()), qlonglong(kSize));
            return false;
        }
        times.push_back(ms);
    }
    service.items.clear();
    std::printf("FIGURE online-download-10mb-ms %.1f ms\n", Median(times));
    std::fflush(stdout);
    return true;
}

bool MissingFlood(FakeService& service, const QString& db)
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
    const QString code = QStringLiteral("036000291452");
    for (int i = 1; i <= 3; ++i) {
        const QString key = gMovies->Add(QStringLiteral("Shared %1").arg(i));
        gMovies->Item(key)->setStrUPC(code);
        gMovies->Update(key);
    }
    constexpr int kLines = 1000000;
    QByteArray line = code.toLatin1() + "\r\n";
    service.missing.reserve(line.size() * kLines);
    for (int i = 0; i < kLines; ++i) {
        service.missing += line;
    }

    const qint64 before = StatusKb("VmRSS");
    ResetPeak();
    qsizetype rows = 0;
    {
        UploadSession session;
        session.ask = [](const QString&) { return true; };
        session.AddItem(UploadSession::kCollectionText, UploadSession::kCollectionCode, QStringLiteral("list\r\n"));
        if (session.UploadAll() != UploadSession::After::StayOpen) {
            std::fprintf(stderr, "the missing list was not queued\n");
            return false;
        }
        rows = session.Rows().size();
    }
    const qint64 peak = StatusKb("VmHWM");
    service.missing.clear();
    service.missing.squeeze();
    std::printf("FIGURE missing-flood-rows %lld rows\n", qlonglong(rows));
    std::printf("FIGURE missing-flood-peak-mb %.1f MB\n", double(peak - before) / 1024.0);
    std::fflush(stdout);
    return true;
}

bool Find100000(FakeService& service)
{
    constexpr int kResults = 100000;
    constexpr int kRuns = 3;
    service.records.clear();
    service.records.reserve(kResults);
    for (int i = 0; i < kResults; ++i) {
        service.records.append({QByteArray::number(4000000000000LL + i), "Movie " + QByteArray::number(i), "DVD"});
    }
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        ImportSession session;
        QElapsedTimer clock;
        clock.start();
        const bool found = session.Find(QStringLiteral("movie"), true);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!found || session.Results().size() != kResults) {
            std::fprintf(stderr, "the search found %lld of %d\n", qlonglong(session.Results().size()), kResults);
            return false;
        }
    }
    service.records.clear();
    std::printf("FIGURE find-100000-ms %.1f ms\n", Median(times));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    QDir().mkpath(work.filePath(QStringLiteral("tmp")));
    qputenv("TMPDIR", work.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    mRegister::EnsureKey(Registry::HKEY_CURRENT_USER, kProgramKey);
    WriteRegSetting(QStringLiteral("User"), QStringLiteral("bench"));
    WriteRegSetting(QStringLiteral("Password"), QStringLiteral("bench"));

    FakeService service;
    if (!service.Start()) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 1;
    }
    service.users.insert("bench", "bench");
    // The flood first, while the process's memory is still small and its growth plain to see.
    if (!MissingFlood(service, work.filePath(QStringLiteral("store"))) || !Download(service) || !Find100000(service)) {
        return 1;
    }
    return 0;
}
