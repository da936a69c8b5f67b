#pragma once

#include "CItemCollection.h"
#include "CMedia.h"

class CMedias : public CItemCollection<CMedia>
{
};
