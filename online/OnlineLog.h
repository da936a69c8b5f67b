#pragma once

#include <QLoggingCategory>

// The trace of online-service failures that the dialogs do not report. Silent unless QT_LOGGING_RULES turns it on
// ("vidsora.online.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcOnline)
