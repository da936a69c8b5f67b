#include "PageLog.h"

Q_LOGGING_CATEGORY(lcPage, "vidsora.page", QtCriticalMsg)
