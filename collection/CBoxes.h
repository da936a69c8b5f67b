#pragma once

#include "CBox.h"
#include "CItemCollection.h"

// The collection of the store's box sets: CItemList's rules, typed for CBox.
class CBoxes : public CItemCollection<CBox>
{
};
