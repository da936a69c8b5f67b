#pragma once

#include "CCategory.h"
#include "CItemCollection.h"

class CCategories : public CItemCollection<CCategory>
{
};
