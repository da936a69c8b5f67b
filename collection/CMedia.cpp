#include "CMedia.h"

CMedia::CMedia(QObject* parent) : CCoveredItem(0, false, parent) {}
