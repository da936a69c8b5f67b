#include "CBox.h"

CBox::CBox(QObject* parent) : CCoveredItem(0, false, parent) {}
