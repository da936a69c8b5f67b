#pragma once

#include <QLoggingCategory>

// The trace of the registry layer's failures that its callers do not report. Silent unless QT_LOGGING_RULES turns it on
// ("vidsora.registry.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcRegistry)
