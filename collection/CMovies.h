#pragma once

#include "CItemCollection.h"
#include "CMovie.h"

// The collection of the store's movies: CItemList's rules, typed for CMovie.
class CMovies : public CItemCollection<CMovie>
{
};
