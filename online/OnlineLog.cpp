#include "OnlineLog.h"

Q_LOGGING_CATEGORY(lcOnline, "vidsora.online", QtCriticalMsg)
