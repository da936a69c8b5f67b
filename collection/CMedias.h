#pragma once

#include "CItemCollection.h"
#include "CMedia.h"

// The collection of the store's media: CItemList's rules, typed for CMedia.
class CMedias : public CItemCollection<CMedia>
{
};
