#pragma once

#include "CGroup.h"
#include "CItemCollection.h"

// The collection of the store's groups (sub-categories): CItemList's rules, typed for CGroup.
class CGroups : public CItemCollection<CGroup>
{
};
