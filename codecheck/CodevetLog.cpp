#include "CodevetLog.h"

Q_LOGGING_CATEGORY(lcCodevet, "vidsora.codevet", QtCriticalMsg)
