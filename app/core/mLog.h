#pragma once

#include <QLoggingCategory>

// The main program's trace of failures nobody is told about; silent unless QT_LOGGING_RULES turns it on
// ("vidsora.app.warning=true").
Q_DECLARE_LOGGING_CATEGORY(lcApp)
