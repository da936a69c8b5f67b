// The programs of the power-cut run (scripts/powercut): one makes a many-item command happen on a store, the other
// opens a store as the program's start does (the records of interrupted commands carried out first) and checks it.
//   powercut setup <db>    a box of 23 media and 240 movies (264 items), synced
//   powercut import <db>   stages 20,000 movies as an import does and puts them in place; "placing" before
//   powercut delete <db>   deletes the box with everything in it; prints "placing" before
//   powercut check <db> import|delete   prints "RESULT partial=<0|1> torn=<n> items=<n> finished=<text>"
// A command is partial when some but not all of its items are there; an item is torn when a folder in place has no
// whole record. Not a figure of scripts/bench: the run needs root, loop mounts and minutes.

#include "commands/ItemCommands.h"
#include "commands/NodeTree.h"
#include "core/BackgroundWork.h"
#include "core/Collections.h"
#include "core/StoreStart.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "core/mUEF.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Component.h"
#include "ItemStore.h"
#include "StagedItems.h"
#include "StoreIntent.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

#include <unistd.h>

namespace {

constexpr int kImported = 20000;

// No node for anything: a delete finds the contents through the collections.
class NoTree : public NodeTree
{
public:
    bool HasNode(const QString&) const override { return false; }
    QString ParentNodeKey(const QString&) const override { return {}; }
    QStringList ChildNodeKeys(const QString&) const override { return {}; }
};

void Load(const QString& db)
{
    gCategories = std::make_shared<CCategories>();
    gGroups = std::make_shared<CGroups>();
    gBoxes = std::make_shared<CBoxes>();
    gMedias = std::make_shared<CMedias>();
    gMovies = std::make_shared<CMovies>();
    for (CItemList* list : std::initializer_list<CItemList*>{gCategories.get(), gGroups.get(), gBoxes.get(),
                                                             gMedias.get(), gMovies.get()}) {
        list->setDBDir(db);
        list->LoadData();
    }
    BuildChildLists();
}

void Say(const char* line)
{
    std::puts(line);
    std::fflush(stdout);
}

int Setup(const QString& db)
{
    Load(db);
    const QString box = gBoxes->Add(QStringLiteral("Cut Box"));
    StagedItems staged({gMedias.get(), gMovies.get()});
    for (int d = 0; d < 23; ++d) {
        auto medium = std::make_shared<CMedia>();
        medium->setStrName(QStringLiteral("Disc %1").arg(d));
        medium->setLngParentType(3);
        medium->setLngParentID(box.mid(1).toInt());
        const QString disc = staged.Stage(ItemKind::Media, medium, {}, {}).valueOr({});
        for (int e = 0; e < (d == 0 ? 20 : 10); ++e) {
            auto movie = std::make_shared<CMovie>();
            movie->setStrTitle(QStringLiteral("Episode %1-%2").arg(d).arg(e));
            movie->setLngParentType(4);
            movie->setLngParentID(disc.mid(1).toInt());
            (void)staged.Stage(ItemKind::Movie, movie, {}, {});
        }
    }
    if (!staged.PutInPlace(nullptr, QStringLiteral("the bench's box")) || staged.Count() != 263 ||
        !staged.Place({gMedias.get(), gMovies.get()})) {
        std::fprintf(stderr, "the box could not be made\n");
        return 1;
    }
    ::sync();
    return 0;
}

// The import's own placing: 20,000 movies staged as its worker stages them, then put in place together.
int Import(const QString& db)
{
    Load(db);
    StagedItems staged({gMovies.get()});
    for (int i = 0; i < kImported; ++i) {
        auto movie = std::make_shared<CMovie>();
        movie->setStrTitle(QStringLiteral("Cut %1").arg(i));
        movie->setStrNotes(QStringLiteral("A film of the power cut."));
        if (!staged.Stage(ItemKind::Movie, movie, {}, {})) {
            return 1;
        }
    }
    Say("placing");
    const bool placed = bool(staged.PutInPlace(nullptr, QStringLiteral("an import of 20000 items")));
    Say(placed && staged.Place({gMovies.get()}) ? "done" : "failed");
    return 0;
}

int Delete(const QString& db)
{
    Load(db);
    const QString box = gBoxes->Count() == 1 ? gBoxes->Item(1)->strKey() : QString();
    if (box.isEmpty()) {
        return 1;
    }
    Say("placing");
    const NoTree tree;
    const ItemCommands::DeleteOutcome deleted = ItemCommands::DeleteItem(tree, box);
    Say(deleted.removed.size() == 264 ? "done" : "failed");
    BackgroundWork::WaitAll();
    return 0;
}

// Folders in place of a kind folder that hold no whole record.
int Torn(const QString& kindFolder)
{
    int torn = 0;
    for (const QString& name : ItemStore::ListEntries(kindFolder).value_or(QStringList())) {
        QFile record(kindFolder + u'/' + name + QStringLiteral("/content.mdc"));
        if (!record.open(QIODevice::ReadOnly) || !record.readAll().contains("\r\nID = ")) {
            ++torn;
        }
    }
    return torn;
}

int Check(const QString& db, const QString& mode)
{
    // As the program's start: the records first, then the loads with their sweeps.
    const QString finished = StoreStart::RecoverMessage(db);
    Load(db);
    int torn = 0;
    for (const char* kind : {"Boxes", "Medias", "Movies"}) {
        torn += Torn(db + u'/' + QLatin1String(kind));
    }
    const int items =
        mode == QLatin1String("import") ? gMovies->Count() : gBoxes->Count() + gMedias->Count() + gMovies->Count();
    const int whole = mode == QLatin1String("import") ? kImported : 264;
    const bool partial = items != 0 && items != whole;
    std::printf("RESULT partial=%d torn=%d items=%d finished=%s\n", partial ? 1 : 0, torn, items,
                finished.isEmpty() ? "-" : qPrintable(QString(finished).replace(u'\n', u' ')));
    return partial || torn > 0 ? 2 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: powercut setup|import|delete|check <db> [import|delete]\n");
        return 1;
    }
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString db = QString::fromLocal8Bit(argv[2]);
    for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
        QDir().mkpath(db + u'/' + QLatin1String(kind));
    }
    if (mode == QLatin1String("setup")) {
        return Setup(db);
    }
    if (mode == QLatin1String("import")) {
        return Import(db);
    }
    if (mode == QLatin1String("delete")) {
        return Delete(db);
    }
    if (mode == QLatin1String("check") && argc >= 4) {
        return Check(db, QString::fromLocal8Bit(argv[3]));
    }
    return 1;
}
