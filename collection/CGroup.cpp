#include "CGroup.h"

CGroup::CGroup(QObject* parent) : CItem(-1, parent) {}
