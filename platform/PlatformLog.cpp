#include "PlatformLog.h"

Q_LOGGING_CATEGORY(lcPlatform, "vidsora.platform", QtCriticalMsg)
