// Item-command figures on the generated store: OK in the movie editor of a new movie until its node is selected and
// its page shown; a box set of 24 discs with 10 episodes each made in one command, its dialogs answered at once,
// until the tree is refilled; deleting a whole category (its groups, boxes, media and movies, about 450 items) after
// the question is answered; a category of 15,000 movies deleted; the window closed after a 15,000-movie import was
// cancelled. Prints "FIGURE <name> <value> <unit>" lines.

#include "BenchFigures.h"
#include "CMovie.h"
#include "CMovies.h"
#include "CollectionWorld.h"
#include "CommandFakes.h"
#include "Component.h"
#include "ItemStore.h"
#include "StagedItems.h"
#include "StoreGenerator.h"
#include "WebBrowser.h"
#include "core/BackgroundWork.h"
#include "core/StoreGate.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "editors/frmMovie.h"
#include "shell/frmMain.h"
#include "transfer/UEFFile.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include <unistd.h>

#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using TestSupport::Median;

namespace {

constexpr int kHugeMovies = 15000;

// Runs fn on the first modal widget of class T that opens, looking at every pass of the event loop.
template <class T> void OnModal(std::function<void(T*)> fn)
{
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, [poll, fn] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            fn(modal);
        }
    });
    poll->start();
}

// Adds one movie in the group through the real movie editor; the time from OK until the new movie's node is
// selected and its page has loaded, or a negative number when that did not happen.
double AddMovie(frmMain& window, const QString& groupKey, int n, double* commandMs = nullptr)
{
    window.SelectNode(window.Node(groupKey));
    window.treeMovies_NodeClick(window.Node(groupKey));
    auto* web = window.findChild<WebBrowser*>("webObject");
    QSignalSpy loaded(web, &WebBrowser::DocumentComplete);
    loaded.wait(5000);
    QElapsedTimer clock;
    OnModal<frmMovie>([&](frmMovie* editor) {
        editor->findChild<QLineEdit*>("txtTitle")->setText(QStringLiteral("Bench Movie %1").arg(n));
        editor->findChild<QLineEdit*>("txtMUCP")->setText(QStringLiteral("036000291452"));
        // A question at OK (a product code that cannot be checked) is answered Yes at once.
        OnModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        loaded.clear();
        clock.start();
        editor->findChild<QPushButton*>("cmdOk")->click();
    });
    window.findChild<QAction*>("mnuAddMovie")->trigger();
    if (commandMs) {
        *commandMs = clock.nsecsElapsed() / 1e6;
    }
    const QString key = window.strKey();
    if (key == groupKey || !window.Node(key) || !window.Node(key)->isSelected()) {
        return -1;
    }
    if (loaded.isEmpty() && !loaded.wait(30000)) {
        return -1;
    }
    return clock.nsecsElapsed() / 1e6;
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
    StoreGenerator(dbDir).Run();
    // The generator's writes reach the disk first, so their write-back is not counted as the delete's.
    ::sync();
    TestWorld::LoadCollections(dbDir);
    gTempFolder = MakeTempName();

    frmMain window;
    window.Load();
    window.show();
    QCoreApplication::processEvents();

    // What users of a large collection see: titles edited before (a few hundred), so the collection is out of key
    // order, then an edit, an add and a delete on the 22,750 items, each from OK until the command is done (lists
    // rebuilt, tree and status bar updated, the page written).
    {
        QRandomGenerator rng(3);
        for (int i = 0; i < 300; ++i) {
            const QString key = QStringLiteral("M%1").arg(1 + rng.bounded(20000));
            auto movie = gMovies->Item(key);
            movie->setStrTitle(QStringLiteral("Retitled %1").arg(rng.bounded(100000)));
            movie->setStrSortKey(MakeSortKey(movie->strTitle()));
            gMovies->Update(key);
        }
        window.FillTree();
        QCoreApplication::processEvents();

        std::vector<double> edits;
        for (int n = 0; n < 6; ++n) {
            const QString key = QStringLiteral("M%1").arg(101 + n * 1013);
            window.SelectAndShow(key);
            QCoreApplication::processEvents();
            QElapsedTimer clock;
            OnModal<frmMovie>([&](frmMovie* editor) {
                editor->findChild<QLineEdit*>("txtTitle")->setText(QStringLiteral("A Bench Title %1").arg(n));
                editor->findChild<QLineEdit*>("txtMUCP")->setText(QStringLiteral("036000291452"));
                OnModal<QMessageBox>([](QMessageBox* box) {
                    QAbstractButton* yes = box->button(QMessageBox::Yes);
                    (yes ? yes : box->button(QMessageBox::Ok))->click();
                });
                clock.start();
                editor->findChild<QPushButton*>("cmdOk")->click();
            });
            window.findChild<QAction*>("mnuEdit")->trigger();
            const double ms = clock.nsecsElapsed() / 1e6;
            if (gMovies->Item(key)->strTitle() != QStringLiteral("A Bench Title %1").arg(n)) {
                std::fprintf(stderr, "movie %s was not edited\n", qPrintable(key));
                return 1;
            }
            if (n > 0) {
                edits.push_back(ms);
            }
            QCoreApplication::processEvents();
        }
        std::printf("FIGURE edit-title-22750-ms %.1f ms\n", Median(edits));

        std::vector<double> adds;
        for (int n = 0; n < 6; ++n) {
            double commandMs = 0;
            if (AddMovie(window, QStringLiteral("S100"), 100 + n, &commandMs) < 0) {
                std::fprintf(stderr, "movie %d was not added and shown\n", n);
                return 1;
            }
            if (n > 0) {
                adds.push_back(commandMs);
            }
        }
        std::printf("FIGURE add-movie-22750-ms %.1f ms\n", Median(adds));

        window.SetItemEditors(std::make_unique<TestWorld::FakeEditors>());
        std::vector<double> deletes;
        for (int n = 0; n < 6; ++n) {
            const QString key = QStringLiteral("M%1").arg(307 + n * 1013);
            window.SelectAndShow(key);
            QCoreApplication::processEvents();
            QElapsedTimer clock;
            clock.start();
            window.findChild<QAction*>("mnuDelete")->trigger();
            deletes.push_back(clock.nsecsElapsed() / 1e6);
            if (gMovies->Item(key) || window.Node(key)) {
                std::fprintf(stderr, "movie %s was not deleted\n", qPrintable(key));
                return 1;
            }
            QCoreApplication::processEvents();
        }
        std::printf("FIGURE delete-movie-22750-ms %.1f ms\n", Median(deletes));
        std::fflush(stdout);
        window.SetItemEditors(nullptr);
    }

    // The first add warms the browser and the editor up.
    std::vector<double> adds;
    for (int n = 0; n < 8; ++n) {
        const double ms = AddMovie(window, QStringLiteral("S100"), n);
        if (ms < 0) {
            std::fprintf(stderr, "movie %d was not added and shown\n", n);
            return 1;
        }
        if (n > 0) {
            adds.push_back(ms);
        }
    }
    std::printf("FIGURE add-movie-ms %.1f ms\n", Median(adds));

    // A box set of 24 discs x 10 episodes: the box editor, workshop and both templates answer at once, so the figure
    // is the creation of 265 items and the refill of the tree.
    {
        auto dialogs = std::make_unique<TestWorld::FakeDialogs>();
        TestWorld::FakeDialogs& d = *dialogs;
        window.SetItemEditors(std::move(dialogs));
        QStringList list;
        for (int i = 1; i <= 240; ++i) {
            list << QStringLiteral("Episode %1").arg(i);
        }
        list << QStringLiteral("10;").repeated(23) + QStringLiteral("10");
        d.boxList = list;
        d.mediaInfo.strMedia = QStringLiteral("DVD");
        d.fillMovie = [](CMovie& movie) {
            movie.setStrStudio(QStringLiteral("Bench Studio"));
            movie.setStrCountry(QStringLiteral("Norway"));
        };
        QAction* mnuAddbox = window.findChild<QAction*>("mnuAddbox");
        std::vector<double> boxes;
        for (int n = 0; n < 5; ++n) {
            window.SelectNode(window.Node(QStringLiteral("S100")));
            window.treeMovies_NodeClick(window.Node(QStringLiteral("S100")));
            QCoreApplication::processEvents();
            d.strName = QStringLiteral("Bench Box %1").arg(n);
            const int media = gMedias->Count();
            const int movies = gMovies->Count();
            const qsizetype nodes = window.Nodes().size();
            QElapsedTimer clock;
            clock.start();
            mnuAddbox->trigger();
            boxes.push_back(clock.nsecsElapsed() / 1e6);
            if (gMedias->Count() != media + 24 || gMovies->Count() != movies + 240 ||
                window.Nodes().size() != nodes + 265) {
                std::fprintf(stderr, "the box set %d was not made whole\n", n);
                return 1;
            }
            QCoreApplication::processEvents();
        }
        std::printf("FIGURE addbox-240-ms %.1f ms\n", Median(boxes));
    }

    // The question is answered Yes at once: the figure is the delete itself.
    window.SetItemEditors(std::make_unique<TestWorld::FakeEditors>());
    QAction* mnuDelete = window.findChild<QAction*>("mnuDelete");

    std::vector<double> times;
    for (int id = 1; id <= 7; ++id) {
        const QString key = QStringLiteral("C%1").arg(id);
        QTreeWidgetItem* node = window.Node(key);
        if (!node) {
            std::fprintf(stderr, "no node %s\n", qPrintable(key));
            return 1;
        }
        window.SelectNode(node);
        window.treeMovies_NodeClick(node);
        QCoreApplication::processEvents();
        const qsizetype before = window.Nodes().size();
        const int movies = gMovies->Count();
        QElapsedTimer clock;
        clock.start();
        mnuDelete->trigger();
        times.push_back(clock.nsecsElapsed() / 1e6);
        const qsizetype gone = before - window.Nodes().size();
        if (window.Node(key) || gone < 400 || gMovies->Count() >= movies) {
            std::fprintf(stderr, "the category %s was not deleted whole (%d nodes went)\n", qPrintable(key), int(gone));
            return 1;
        }
        std::fprintf(stderr, "%s: %d items in %.1f ms\n", qPrintable(key), int(gone), times.back());
        QCoreApplication::processEvents();
    }

    std::printf("FIGURE delete-category-ms %.1f ms\n", Median(times));

    // A category of 15,000 movies deleted, from the command until the tree shows the result: the movies leave the
    // store together, and what their folders hold is removed in the background after.
    {
        const QString huge = gCategories->Add(QStringLiteral("Huge"));
        StagedItems staged({gMovies.get()});
        for (int i = 0; i < kHugeMovies; ++i) {
            auto movie = std::make_shared<CMovie>();
            movie->setStrTitle(QStringLiteral("Huge %1").arg(i));
            movie->setLngParentType(KeyPrefixToType(huge.left(1)));
            movie->setLngParentID(huge.mid(1).toInt());
            if (!staged.Stage(ItemKind::Movie, movie, {}, {})) {
                std::fprintf(stderr, "movie %d could not be made\n", i);
                return 1;
            }
        }
        if (!staged.PutInPlace(nullptr, QStringLiteral("the bench's movies")) || !staged.Place({gMovies.get()})) {
            std::fprintf(stderr, "the category's movies could not be made\n");
            return 1;
        }
        BuildChildLists();
        window.FillTree();
        ::sync();
        QTreeWidgetItem* node = window.Node(huge);
        window.SelectNode(node);
        window.treeMovies_NodeClick(node);
        QCoreApplication::processEvents();
        const int movies = gMovies->Count();
        const int folders = int(ItemStore::CountEntries(dbDir + QStringLiteral("/Movies")));
        QElapsedTimer clock;
        clock.start();
        mnuDelete->trigger();
        const double ms = clock.nsecsElapsed() / 1e6;
        if (window.Node(huge) || gMovies->Count() != movies - kHugeMovies ||
            ItemStore::CountEntries(dbDir + QStringLiteral("/Movies")) != folders - kHugeMovies) {
            std::fprintf(stderr, "the category of %d movies was not deleted whole\n", kHugeMovies);
            return 1;
        }
        std::printf("FIGURE delete-15000-ms %.1f ms\n", ms);
        BackgroundWork::WaitAll();
    }

    // The window closed right after a 15,000-movie import was cancelled half-way: from the close until it is closed.
    // What the import wrote is out of the store at once; its removal gives up, and the next start sweeps the rest.
    {
        QString text;
        for (int i = 0; i < kHugeMovies; ++i) {
            text += QStringLiteral("[MOVIE=[TITLE=Imported %1][UPC=036000291452][YEAR=%2][NOTES=A film of the bench.]]")
                        .arg(i)
                        .arg(1950 + i % 70);
        }
        const QString file = store.path() + QStringLiteral("/movies.UEF");
        if (!UEFFile::WriteExport(file, text)) {
            std::fprintf(stderr, "the exchange file could not be written\n");
            return 1;
        }
        if (Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)) != 0) {
            std::fprintf(stderr, "Codevet could not be registered\n");
            return 1;
        }
        const int movies = gMovies->Count();
        const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(
            file, QStringLiteral("!0"), [](int done, int total) { return total == 0 || done < total / 2; });
        if (!outcome.cancelled || gMovies->Count() != movies) {
            std::fprintf(stderr, "the import was not cancelled: %s\n", qPrintable(outcome.message));
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        window.close();
        const double ms = clock.nsecsElapsed() / 1e6;
        if (window.isVisible() || StoreGate::Held()) {
            std::fprintf(stderr, "the window did not close\n");
            return 1;
        }
        std::printf("FIGURE exit-after-cancelled-import-ms %.1f ms\n", ms);
    }
    return 0;
}
