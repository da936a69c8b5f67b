#include "ExchangeLog.h"

Q_LOGGING_CATEGORY(lcExchange, "vidsora.exchange", QtCriticalMsg)
