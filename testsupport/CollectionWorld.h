#pragma once

// The world of the tests that need the collections: the program's private user folders, a store in them with the
// collections over it in the globals, and a sample store. Window-free: the core tests use it without an application
// object.

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

#include "TestStore.h"

#include <QDir>
#include <QHash>

#include <functional>
#include <memory>

namespace TestWorld {

using TestSupport::ProgramDir;
using TestSupport::SetUpEnvironment;

// Fresh, empty collections on dbDir in the globals, and a fresh temporary-folder name.
inline void NewCollections(const QString& dbDir)
{
    TestSupport::MakeKindFolders(dbDir);
    gCategories = std::make_shared<CCategories>();
    gGroups = std::make_shared<CGroups>();
    gBoxes = std::make_shared<CBoxes>();
    gMedias = std::make_shared<CMedias>();
    gMovies = std::make_shared<CMovies>();
    gCategories->setDBDir(dbDir);
    gGroups->setDBDir(dbDir);
    gBoxes->setDBDir(dbDir);
    gMedias->setDBDir(dbDir);
    gMovies->setDBDir(dbDir);
    gTempFolder = MakeTempName();
    ReadRegSetting("DBPath", dbDir);
    WriteRegSetting("DBPath", dbDir);
}

inline int ParentType(const QString& parentKey)
{
    return KeyPrefixToType(parentKey.left(1));
}

inline int ParentId(const QString& parentKey)
{
    return parentKey.mid(1).toInt();
}

inline QString AddCategory(const QString& name)
{
    const QString key = gCategories->Add(name);
    gCategories->Item(key)->setStrSortKey(MakeSortKey(name));
    gCategories->Update(key);
    return key;
}

inline QString AddGroup(const QString& name, const QString& parent)
{
    const QString key = gGroups->Add(name);
    auto group = gGroups->Item(key);
    group->setStrSortKey(MakeSortKey(name));
    group->setLngParentType(ParentType(parent));
    group->setLngParentID(ParentId(parent));
    gGroups->Update(key);
    return key;
}

inline QString AddBox(const QString& name, const QString& parent)
{
    const QString key = gBoxes->Add(name);
    auto box = gBoxes->Item(key);
    box->setStrSortKey(MakeSortKey(name));
    box->setLngParentType(ParentType(parent));
    box->setLngParentID(ParentId(parent));
    gBoxes->Update(key);
    return key;
}

inline QString AddMedia(const QString& name, const QString& parent, const QString& media)
{
    const QString key = gMedias->Add(name);
    auto item = gMedias->Item(key);
    item->setStrSortKey(MakeSortKey(name));
    item->setLngParentType(ParentType(parent));
    item->setLngParentID(ParentId(parent));
    mTypMediaInfo info;
    info.strMedia = media;
    item->setDMedia(info);
    gMedias->Update(key);
    return key;
}

inline QString AddMovie(const QString& title, const QString& parent, const QString& media,
                        const QString& label = QString())
{
    const QString key = gMovies->Add(title);
    auto movie = gMovies->Item(key);
    movie->setStrSortKey(MakeSortKey(title));
    movie->setLngParentType(ParentType(parent));
    movie->setLngParentID(ParentId(parent));
    movie->setStrLabel(label);
    mTypMediaInfo info;
    info.strMedia = media;
    movie->setDMedia(info);
    movie->setStrDirector("Ines Marlowe");
    movie->setStrCast("Tomas Brandt"
                      "\r\n"
                      "Lea Vogt");
    movie->setStrNotes("Kept in the hall cupboard.");
    movie->setStrSynopsis("A quiet story about a lighthouse.");
    movie->setStrYear("1999");
    gMovies->Update(key);
    return key;
}

// The sample collection most tests browse.
struct SampleStore
{
    QString comedy, drama, classics, looseGroup, orphanGroup;
    QString zetaBox, groupBox, boxDisc, laserMedium, spacedLaser, blankDvd;
    QString alphaMovie, lostMovie, comedyMovie, classicMovie, boxMovie, deepMovie;

    void Build()
    {
        comedy = AddCategory("Comedy");
        drama = AddCategory("Drama");
        classics = AddGroup("Classics", drama);
        looseGroup = AddGroup("Loose Group", "!0");
        orphanGroup = AddGroup("Orphan Group", "C999");
        zetaBox = AddBox("Zeta Box", "!0");
        groupBox = AddBox("Group Box", looseGroup);
        boxDisc = AddMedia("Box Disc", zetaBox, "DVD");
        laserMedium = AddMedia("Laser Medium", comedy, "LaserDisc");
        spacedLaser = AddMedia("Spaced Laser", comedy, "LASER DISC");
        blankDvd = AddMedia("Blank DVD", comedy, " DVD");
        alphaMovie = AddMovie("Alpha Movie", "!0", "DVD", "Director's Cut");
        lostMovie = AddMovie("Lost Movie", "S999", "VHS");
        comedyMovie = AddMovie("Comedy Movie", comedy, "svcd");
        classicMovie = AddMovie("Classic Movie", classics, "");
        boxMovie = AddMovie("Box Movie", zetaBox, "VHS");
        deepMovie = AddMovie("Deep Movie", boxDisc, "DVD");
    }

    // The key of the item a member is named for ("comedy", "deepMovie"), "!0" for "root", so data rows stay
    // readable; any other name is taken as a key.
    QString Key(const QString& name) const
    {
        const QHash<QString, QString> keys{{"root", "!0"},
                                           {"comedy", comedy},
                                           {"drama", drama},
                                           {"classics", classics},
                                           {"looseGroup", looseGroup},
                                           {"orphanGroup", orphanGroup},
                                           {"zetaBox", zetaBox},
                                           {"groupBox", groupBox},
                                           {"boxDisc", boxDisc},
                                           {"laserMedium", laserMedium},
                                           {"spacedLaser", spacedLaser},
                                           {"blankDvd", blankDvd},
                                           {"alphaMovie", alphaMovie},
                                           {"lostMovie", lostMovie},
                                           {"comedyMovie", comedyMovie},
                                           {"classicMovie", classicMovie},
                                           {"boxMovie", boxMovie},
                                           {"deepMovie", deepMovie}};
        return keys.value(name, name);
    }
};

// Loads the store afresh into the globals, as the start-up does, so the collections hold their items in order.
inline void LoadCollections(const QString& dbDir)
{
    gCategories = std::make_shared<CCategories>();
    gGroups = std::make_shared<CGroups>();
    gBoxes = std::make_shared<CBoxes>();
    gMedias = std::make_shared<CMedias>();
    gMovies = std::make_shared<CMovies>();
    gCategories->setDBDir(dbDir);
    gCategories->LoadData();
    gGroups->setDBDir(dbDir);
    gGroups->LoadData();
    gBoxes->setDBDir(dbDir);
    gBoxes->LoadData();
    gMedias->setDBDir(dbDir);
    gMedias->LoadData();
    gMovies->setDBDir(dbDir);
    gMovies->LoadData();
}

// Whether LoadSample builds the child lists after the load, as a test of what reads them needs.
enum class ChildLists
{
    Leave,
    Build,
};

// The sample store made in the fresh collections over dbDir (a CollectionStore's), with what more adds after it,
// then loaded afresh into the globals as the start-up loads it. The keys of its items.
inline SampleStore LoadSample(const QString& dbDir, ChildLists childLists = ChildLists::Leave,
                              const std::function<void()>& more = {})
{
    SampleStore store;
    store.Build();
    if (more) {
        more();
    }
    LoadCollections(dbDir);
    if (childLists == ChildLists::Build) {
        BuildChildLists();
    }
    return store;
}

// A store of its own in the program's private folder (its user folders stay the environment), with fresh, empty
// collections over it in the globals.
class CollectionStore : public TestStore
{
public:
    CollectionStore() : TestStore(Folders::Program) { NewCollections(db()); }
};

} // namespace TestWorld
