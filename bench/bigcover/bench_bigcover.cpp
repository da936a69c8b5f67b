// A movie whose front cover is a 20,000 x 20,000 PNG (a small file that declares far more pixels than may be
// decoded): the time from the preview command until the preview shows its page, and the program's peak resident
// memory (getrusage); then the same for a cover just within the decoding limit (5,600 x 5,600), which the engine
// decodes itself, and the time the window takes to go. Prints "FIGURE <name> <value> <unit>" lines.

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "CollectionWorld.h"
#include "StoreGenerator.h"
#include "WebBrowser.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPdfDocument>
#include <QPdfView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <utility>

namespace {

long PeakKb()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The preview's pages once it shows them; 0 while it is still making them.
int PagesShown(QWidget* modal)
{
    auto* view = modal->findChild<QPdfView*>();
    QPdfDocument* doc = view ? view->document() : nullptr;
    return doc && doc->status() == QPdfDocument::Status::Ready && modal->isVisible() ? doc->pageCount() : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    UseWebBrowserPanes();
    QTemporaryDir store;
    if (!store.isValid()) {
        return 1;
    }
    const QString dbDir = store.path() + "/Database33";
    StoreGenerator(dbDir).RunBoxSet(1, 2);
    TestWorld::LoadCollections(dbDir);
    // One bit a pixel, all white: small files (the larger some 1.2 MB).
    for (const auto& [key, side] : {std::pair{"M1", 20000}, std::pair{"M2", 5600}}) {
        const QString source = store.path() + "/" + key + ".png";
        QImage big(side, side, QImage::Format_Mono);
        big.fill(0);
        const auto movie = gMovies->Item(key);
        if (!big.save(source, "PNG") || !movie || !movie->AddFrontCover(source)) {
            std::fprintf(stderr, "the cover of %s could not be stored\n", key);
            return 1;
        }
    }
    TestWorld::LoadCollections(dbDir);
    gTempFolder = MakeTempName();

    auto* window = new frmMain;
    window->Load();
    window->resize(1000, 700);
    window->show();
    for (const auto& [key, name] : {std::pair{"M1", "bigcover"}, std::pair{"M2", "limitcover"}}) {
        auto* web = window->findChild<WebBrowser*>("webObject");
        QSignalSpy loaded(web, &WebBrowser::DocumentComplete);
        window->treeMovies_NodeClick(window->Node(key));
        if (!loaded.wait(30000)) {
            std::fprintf(stderr, "the page of %s did not load\n", key);
            return 1;
        }
        double ms = -1;
        QElapsedTimer clock;
        QTimer poll;
        poll.setInterval(2);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && PagesShown(modal) > 0) {
                ms = clock.nsecsElapsed() / 1e6;
                poll.stop();
                modal->close();
            }
        });
        poll.start();
        clock.start();
        window->PrintPreviewItem();
        if (ms < 0) {
            std::fprintf(stderr, "the preview of %s showed no page\n", key);
            return 1;
        }
        std::printf("FIGURE preview-%s-ms %.1f ms\n", name, ms);
        std::printf("FIGURE preview-%s-peak-rss-mb %.0f MB\n", name, PeakKb() / 1024.0);
        std::fflush(stdout);
    }

    QElapsedTimer clock;
    clock.start();
    delete window;
    std::printf("FIGURE preview-close-ms %.1f ms\n", clock.nsecsElapsed() / 1e6);
    return 0;
}
