#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;
class StoreLock;

// The program's start: one instance only, the settings file, the database folder and its lock, the splash window
// while the five collections load, then the main window. After Main the program lives on the event loop until its last
// window closes.

// Makes the main window and runs its load handler, without showing it. The program sets this to its main window;
// Main shows what it returns.
using MainWindowLoader = std::function<QWidget*()>;
// Makes, on the window thread while the collections load on another thread, what the main window needs that reads no
// collection (the window itself and its browser engine), so that the loader only fills it in. It must not touch the
// collections: they are being replaced meanwhile.
using MainWindowPreparer = std::function<void()>;

namespace mMain {

// The exit code of a second instance, after its message.
inline constexpr int kExitAlreadyRunning = 3;
// The exit code when the collection was not opened: in use by another program, not to be created, or unusable.
inline constexpr int kExitStoreNotOpened = 4;
// The exit code of the last Main that returned false.
int ExitCode();
// How long the last Main spent loading the five collections, in nanoseconds (the start-up benchmark's measure).
qint64 LoadNanoseconds();

// Without a preparer the collections load on the window thread, before the loader runs.
void SetMainWindowLoader(MainWindowLoader loader, MainWindowPreparer prepare = {});
// The program's own: takes the main window DefaultMainWindowPreparer made (or makes one), deleted when it closes, and
// runs its load handler.
MainWindowLoader DefaultMainWindowLoader();
// The program's own: makes the main window, empty and unseen, while the collections load.
MainWindowPreparer DefaultMainWindowPreparer();
// The lock file that marks a running instance, in the user's runtime folder.
QString InstanceLockPath();
// The main window Main showed, while it exists.
QWidget* MainWindow();
// Gives up this process's claim to be the running instance (tests, and the end of the program).
void ReleaseInstance();

// Makes sure the store in dbDir exists (asking before it creates any folder but the default) and holds its lock for
// the rest of the run, in place of the store opened before. False, after the user was asked or told why, when it
// cannot be opened; the store opened before then stays locked.
bool OpenStore(const QString& dbDir);

// A store a reload opens. The lock of another store than the one shown is taken beside the lock of the shown one,
// which stays held until Adopt (the reload has installed the new store's collections); dropped without Adopt (a
// cancelled reload, once its load has ended), it frees the other store, and the locks are as they were before.
class NextStore
{
public:
    NextStore();
    explicit NextStore(std::unique_ptr<StoreLock> lock);
    NextStore(NextStore&&) noexcept;
    NextStore& operator=(NextStore&&) noexcept;
    ~NextStore();

    // Its lock becomes the lock of the open store, the lock held before is let go.
    void Adopt();

private:
    std::unique_ptr<StoreLock> m_lock; // null: the store shown, whose own lock stays
};
// Makes sure the store in dbDir exists, as OpenStore, for a reload. Nothing, after the user was asked or told why, when
// it cannot be opened; the store shown then stays locked.
std::optional<NextStore> OpenNextStore(const QString& dbDir);
// Frees the lock of the open store (tests, and the end of the program).
void CloseStore();

} // namespace mMain

// False when another instance runs or the collection cannot be opened: the message has been shown and the program is
// to end with mMain::ExitCode().
bool Main();
