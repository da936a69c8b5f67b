#pragma once

#include "CGroup.h"
#include "CItemCollection.h"

class CGroups : public CItemCollection<CGroup>
{
};
