#pragma once

#include "CItemCollection.h"
#include "CMovie.h"

class CMovies : public CItemCollection<CMovie>
{
};
