// Main-window figures on a generated store: filling the whole tree, and showing a movie until its page has loaded.
// Prints "FIGURE <name> <value> <unit>" lines.

#include "BenchFigures.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "CollectionWorld.h"
#include "StoreGenerator.h"
#include "WebBrowser.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include <algorithm>
#include <cstdio>
#include <vector>

using TestSupport::Median;

namespace {

constexpr int kCategories = 50;
constexpr int kGroups = 200;
constexpr int kBoxes = 500;
constexpr int kMedia = 2000;
constexpr int kMovies = 20000;

template <class Collection>
void Place(Collection& items, const QString& key, const QString& name, int parentType, int parentId)
{
    auto item = items.Item(key);
    item->setStrSortKey(MakeSortKey(name));
    item->setLngParentType(parentType);
    item->setLngParentID(parentId);
    items.Update(key);
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
    TestWorld::LoadCollections(dbDir);
    gTempFolder = MakeTempName();

    frmMain window;
    window.Load();
    window.show();
    if (window.Nodes().size() != 1 + kCategories + kGroups + kBoxes + kMedia + kMovies) {
        std::fprintf(stderr, "the tree holds %d nodes\n", int(window.Nodes().size()));
        return 1;
    }

    std::vector<double> fill;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        clock.start();
        window.FillTree();
        fill.push_back(clock.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
    }

    auto* web = window.findChild<WebBrowser*>("webObject");
    std::vector<double> show;
    QStringList keys;
    for (int i = 0; i < 9; ++i) {
        keys << QStringLiteral("M%1").arg(1 + i * 997);
    }
    for (int i = 0; i < keys.size(); ++i) {
        QTreeWidgetItem* node = window.Node(keys[i]);
        if (!node) {
            std::fprintf(stderr, "no node %s\n", qPrintable(keys[i]));
            return 1;
        }
        QSignalSpy loaded(web, &WebBrowser::DocumentComplete);
        QElapsedTimer clock;
        clock.start();
        window.SelectNode(node);
        window.treeMovies_NodeClick(node);
        if (!loaded.wait(30000)) {
            std::fprintf(stderr, "the page of %s did not load\n", qPrintable(keys[i]));
            return 1;
        }
        // The first page warms the browser up.
        if (i > 0) {
            show.push_back(clock.nsecsElapsed() / 1e6);
        }
    }

    std::printf("FIGURE filltree-ms %.1f ms\n", Median(fill));
    std::printf("FIGURE showitem-ms %.1f ms\n", Median(show));
    return 0;
}
