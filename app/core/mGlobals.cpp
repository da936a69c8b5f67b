#include "core/mGlobals.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"

std::shared_ptr<CCategories> gCategories;
std::shared_ptr<CGroups> gGroups;
std::shared_ptr<CBoxes> gBoxes;
std::shared_ptr<CMedias> gMedias;
std::shared_ptr<CMovies> gMovies;

SortPairList gRootChildren;
SortPairList gCategoryChildren;
SortPairList gGroupChildren;
SortPairList gBoxChildren;
SortPairList gMediaChildren;
SortPairList gFlatItems;

QString gTempFolder;
