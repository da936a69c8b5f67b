#pragma once

#include "CBox.h"
#include "CItemCollection.h"

class CBoxes : public CItemCollection<CBox>
{
};
