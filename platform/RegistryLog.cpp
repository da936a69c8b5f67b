#include "RegistryLog.h"

Q_LOGGING_CATEGORY(lcRegistry, "vidsora.registry", QtCriticalMsg)
