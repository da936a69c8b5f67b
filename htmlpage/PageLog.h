#pragma once

#include <QLoggingCategory>

// The trace of page content left out. Silent unless QT_LOGGING_RULES turns it on ("vidsora.page.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcPage)
