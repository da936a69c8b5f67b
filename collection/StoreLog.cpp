#include "StoreLog.h"

Q_LOGGING_CATEGORY(lcStore, "vidsora.store", QtCriticalMsg)
