// Item-command figures on the generated store: OK in the movie editor of a new movie until its node is selected and
// its page shown; a box set of 24 discs with 10 episodes each made in one command, its dialogs answered at once,
// until the tree is refilled; deleting a whole category (its groups, boxes, media and movies, about 450 items) after
// the question is answered. Prints "FIGURE <name> <value> <unit>" lines.

#include "StoreGenerator.h"
#include "WebBrowser.h"
#include "commands/tests/CommandFakes.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "editors/frmMovie.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include <unistd.h>

#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

template <class T> void Load(std::shared_ptr<T>& global, const QString& dbDir)
{
    global = std::make_shared<T>();
    global->setDBDir(dbDir);
    global->LoadData();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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
double AddMovie(frmMain& window, const QString& groupKey, int n)
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
    QTemporaryDir store;
    if (!store.isValid()) {
        return 1;
    }
    const QString dbDir = store.path() + "/Database33";
    StoreGenerator(dbDir).Run();
    // The generator's writes reach the disk first, so their write-back is not counted as the delete's.
    ::sync();
    Load(gCategories, dbDir);
    Load(gGroups, dbDir);
    Load(gBoxes, dbDir);
    Load(gMedias, dbDir);
    Load(gMovies, dbDir);
    gTempFolder = MakeTempName();

    frmMain window;
    window.Load();
    window.show();
    QCoreApplication::processEvents();

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
    return 0;
}
