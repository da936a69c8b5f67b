#pragma once

#include "core/mGeneral.h"

#include <QString>

#include <memory>

class CBoxes;
class CCategories;
class CGroups;
class CMedias;
class CMovies;

// State the main window, the editors and the transfer code share for the whole run. The collections are shared
// pointers so that the reload command can replace them whole while a caller still holds the old ones.
extern std::shared_ptr<CCategories> gCategories;
extern std::shared_ptr<CGroups> gGroups;
extern std::shared_ptr<CBoxes> gBoxes;
extern std::shared_ptr<CMedias> gMedias;
extern std::shared_ptr<CMovies> gMovies;

// The child lists, as current as the last BuildChildLists.
extern SortPairList gRootChildren;
extern SortPairList gCategoryChildren;
extern SortPairList gGroupChildren;
extern SortPairList gBoxChildren;
extern SortPairList gMediaChildren;
extern SortPairList gFlatItems;

// This run's temporary folder, without a trailing "/".
extern QString gTempFolder;
