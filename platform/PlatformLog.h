#pragma once

#include <QLoggingCategory>

// The trace of the platform layer's failures (file reads and writes, components) that callers do not report. Silent
// unless QT_LOGGING_RULES turns it on ("vidsora.platform.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
