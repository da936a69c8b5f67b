// Item-command figures on the generated store: deleting a whole category (its groups, boxes, media and movies,
// about 450 items) after the question is answered. Prints "FIGURE <name> <value> <unit>" lines.

#include "StoreGenerator.h"
#include "commands/tests/CommandFakes.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
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
    // The question is answered Yes at once: the figure is the delete itself.
    window.SetItemEditors(std::make_unique<TestWorld::FakeEditors>());
    window.Load();
    window.show();
    QCoreApplication::processEvents();
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
