#pragma once

#include <QLoggingCategory>

// The trace of Codevet's failures that its callers do not report. Silent unless QT_LOGGING_RULES turns it on
// ("vidsora.codevet.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcCodevet)
