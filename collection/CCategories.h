#pragma once

#include "CCategory.h"
#include "CItemCollection.h"

// The collection of the store's categories: CItemList's rules, typed for CCategory.
class CCategories : public CItemCollection<CCategory>
{
};
