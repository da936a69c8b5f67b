#pragma once

#include <QString>

#include <functional>

class QWidget;

// The program's start: one instance only, the database folder, the splash window while the five collections load,
// then the main window. After Main the program lives on the event loop until its last window closes.

// Makes the main window and runs its load handler, without showing it. The program sets this to its main window;
// Main shows what it returns.
using MainWindowLoader = std::function<QWidget*()>;

namespace mMain {

// The exit code of a second instance, after its message.
inline constexpr int kExitAlreadyRunning = 3;

void SetMainWindowLoader(MainWindowLoader loader);
// The program's own: makes the main window, deleted when it closes, and runs its load handler.
MainWindowLoader DefaultMainWindowLoader();
// The lock file that marks a running instance, in the user's runtime folder.
QString InstanceLockPath();
// The main window Main showed, while it exists.
QWidget* MainWindow();
// Gives up this process's claim to be the running instance (tests, and the end of the program).
void ReleaseInstance();

} // namespace mMain

// False when another instance runs: the message has been shown and the program is to end with
// mMain::kExitAlreadyRunning.
bool Main();
