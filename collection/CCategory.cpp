#include "CCategory.h"

CCategory::CCategory(QObject* parent) : CItem(-1, parent) {}
