#pragma once

#include <QLoggingCategory>

// The trace of store failures that the collections do not report. Silent unless QT_LOGGING_RULES turns it on
// ("vidsora.store.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcStore)
