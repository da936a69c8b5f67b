#pragma once

#include <QLoggingCategory>

// The trace of exchange text that could not be read or written whole. Silent unless QT_LOGGING_RULES turns it on
// ("vidsora.exchange.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcExchange)
