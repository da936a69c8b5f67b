#include "core/mLog.h"

Q_LOGGING_CATEGORY(lcApp, "vidsora.app", QtCriticalMsg)
