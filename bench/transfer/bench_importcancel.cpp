// Cancel during a large exchange-file import, as the window runs it. Prints "FIGURE <name> <value> <unit>" lines:
//   import-cancel-ms   Cancel pressed half-way through a 20,000-movie import until the window is idle again, the
//                      collection as it was (median of 3)
//   import-half-ms     the import up to that point, for scale (median of 3)
//   import-cancel-cleanup-ms  from then until the items written are removed again in the background and the store
//                      holds nothing of them, not even debris (median of 3)
//   import-cancel-onebox-ms  Cancel pressed 100 ms into the import of one box of 5,000 movies until the window is
//                      idle again, the collection as it was (median of 3)

#include "BenchFigures.h"
#include "core/BackgroundWork.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "transfer/UEFFile.h"
#include "widgets/LongWork.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Component.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using TestSupport::Median;

namespace {

constexpr int kMovies = 20000;
constexpr int kBoxMovies = 5000;

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
    for (const auto& list : std::initializer_list<CItemList*>{gCategories.get(), gGroups.get(), gBoxes.get(),
                                                              gMedias.get(), gMovies.get()}) {
        list->setDBDir(db);
    }
}

int Entries(const QString& folder)
{
    return int(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "bench_importcancel: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", work.filePath(QStringLiteral("config")).toLocal8Bit());
    QDir().mkpath(work.filePath(QStringLiteral("tmp")));
    qputenv("TMPDIR", work.filePath(QStringLiteral("tmp")).toLocal8Bit());
    QApplication app(argc, argv);
    if (Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)) != 0) {
        std::fprintf(stderr, "bench_importcancel: Codevet could not be registered\n");
        return 1;
    }

    const QString db = work.filePath(QStringLiteral("store"));
    NewCollections(db);
    gTempFolder = MakeTempName();
    (void)CreateTempFolder();
    QString text;
    for (int i = 0; i < kMovies; ++i) {
        text +=
            QStringLiteral("[MOVIE=[TITLE=Movie %1][UPC=036000291452][YEAR=%2][LENGTH=%3][NOTES=A film of the bench.]]")
                .arg(i)
                .arg(1950 + i % 70)
                .arg(80 + i % 90);
    }
    const QString file = work.filePath(QStringLiteral("movies.UEF"));
    if (!UEFFile::WriteExport(file, text)) {
        std::fprintf(stderr, "bench_importcancel: the file could not be written\n");
        return 1;
    }

    QString box = QStringLiteral("[BOX=[NAME=Big Box][UPC=036000291452][CONTENTS=");
    for (int i = 0; i < kBoxMovies; ++i) {
        box += QStringLiteral("[MOVIE=[TITLE=Episode %1][YEAR=%2][NOTES=An episode of the bench.]]")
                   .arg(i)
                   .arg(1950 + i % 70);
    }
    box += QStringLiteral("]]");
    const QString boxFile = work.filePath(QStringLiteral("box.UEF"));
    if (!UEFFile::WriteExport(boxFile, box)) {
        std::fprintf(stderr, "bench_importcancel: the box file could not be written\n");
        return 1;
    }

    QWidget window;
    window.resize(800, 600);
    window.show();
    std::vector<double> cancel;
    std::vector<double> half;
    std::vector<double> cleanup;
    std::vector<double> onebox;
    double pressedAt = 0;
    // Cancel pressed half-way through the items, or pressAfterMs into the import (a user's click at that moment,
    // whenever the work lets it through); the time from the press until the import has returned, or a negative value
    // when the cancelled import left anything in place.
    const auto cancelled = [&](const QString& path, int pressAfterMs) -> double {
        QElapsedTimer started;
        QElapsedTimer pressed;
        UEFFile::ImportOutcome outcome;
        {
            LongWork longWork(&window, QStringLiteral("Importing items..."));
            QPushButton* button = longWork.Dialog()->findChild<QPushButton*>();
            started.start();
            if (pressAfterMs >= 0) {
                QTimer::singleShot(pressAfterMs, button, &QPushButton::click);
            }
            outcome = UEFFile::ImportFile(path, QStringLiteral("!0"), [&](int done, int total) {
                if (pressAfterMs < 0 && !pressed.isValid() && total > 0 && done >= total / 2) {
                    // The press waits in the queue like a user's click until the work lets events run.
                    pressedAt = double(started.nsecsElapsed()) / 1e6;
                    pressed.start();
                    QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
                }
                return longWork.Step(done, total);
            });
        }
        QApplication::processEvents();
        const double ms = pressAfterMs >= 0 ? double(started.nsecsElapsed()) / 1e6 - pressAfterMs
                                            : double(pressed.nsecsElapsed()) / 1e6;
        // The collection as it was: nothing in memory, no item folder in place (what was written goes under
        // temporary names, in the background).
        for (const char* kind : {"/Boxes", "/Movies"}) {
            if ((pressAfterMs < 0 && !pressed.isValid()) || !outcome.cancelled || gMovies->Count() != 0 ||
                gBoxes->Count() != 0 || Entries(db + QLatin1String(kind)) != 0) {
                std::fprintf(stderr, "bench_importcancel: the cancelled import left %d movies\n", gMovies->Count());
                return -1;
            }
        }
        return ms;
    };
    const auto clean = [&db] {
        BackgroundWork::WaitAll();
        for (const char* kind : {"/Boxes", "/Movies"}) {
            if (QDir(db + QLatin1String(kind))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .size() != 0) {
                std::fprintf(stderr, "bench_importcancel: the cancelled import left debris\n");
                return false;
            }
        }
        return true;
    };
    for (int run = 0; run < 3; ++run) {
        const double ms = cancelled(file, -1);
        if (ms < 0) {
            return 1;
        }
        cancel.push_back(ms);
        half.push_back(pressedAt);
        QElapsedTimer cleaning;
        cleaning.start();
        if (!clean()) {
            return 1;
        }
        cleanup.push_back(ms + double(cleaning.nsecsElapsed()) / 1e6);
    }
    for (int run = 0; run < 3; ++run) {
        const double ms = cancelled(boxFile, 100);
        if (ms < 0 || !clean()) {
            return 1;
        }
        onebox.push_back(ms);
    }
    // The same file imported whole, so the cancelled runs are known to have had movies to make.
    const UEFFile::ImportOutcome whole = UEFFile::ImportFile(file, QStringLiteral("!0"));
    if (whole.added != kMovies) {
        std::fprintf(stderr, "bench_importcancel: the file gave %d movies\n", whole.added);
        return 1;
    }
    std::printf("FIGURE import-cancel-ms %.1f ms\n", Median(cancel));
    std::printf("FIGURE import-half-ms %.1f ms\n", Median(half));
    std::printf("FIGURE import-cancel-cleanup-ms %.1f ms\n", Median(cleanup));
    std::printf("FIGURE import-cancel-onebox-ms %.1f ms\n", Median(onebox));
    RemoveTempFolder();
    return 0;
}
