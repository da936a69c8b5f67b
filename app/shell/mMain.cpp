#include "shell/mMain.h"

#include "core/Collections.h"
#include "core/ComponentSetup.h"
#include "core/StoreStart.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "shell/ProgressBar.h"
#include "shell/frmMain.h"
#include "shell/frmSplash.h"
#include "widgets/mControls.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Registry.h"
#include "StoreLock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLockFile>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <memory>
#include <optional>

namespace {

MainWindowLoader& Loader()
{
    static MainWindowLoader loader;
    return loader;
}

MainWindowPreparer& Preparer()
{
    static MainWindowPreparer prepare;
    return prepare;
}

// The main window DefaultMainWindowPreparer made, until the loader takes it.
QPointer<frmMain>& PreparedWindow()
{
    static QPointer<frmMain> window;
    return window;
}

std::unique_ptr<QLockFile>& InstanceLock()
{
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

QPointer<QWidget>& TheMainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

// True when this process is the one instance: it holds the lock from now until it ends. A lock left by a process
// that no longer runs is taken over.
bool ClaimInstance()
{
    auto& lock = InstanceLock();
    if (lock && lock->isLocked()) {
        return true;
    }
    const QString path = mMain::InstanceLockPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    lock = std::make_unique<QLockFile>(path);
    // Only a dead owner makes a lock stale, never its age: a program may run for weeks.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        return true;
    }
    lock.reset();
    return false;
}

// The lock of the open store, held for the whole run.
std::unique_ptr<StoreLock>& TheStoreLock()
{
    static std::unique_ptr<StoreLock> lock;
    return lock;
}

int& LastExitCode()
{
    static int code = 0;
    return code;
}

// A message box captioned "Vidsora"; the answer.
QMessageBox::StandardButton Tell(QMessageBox::Icon icon, const QString& text,
                                 QMessageBox::StandardButtons buttons = QMessageBox::Ok)
{
    QMessageBox box(icon, QStringLiteral("Vidsora"), text, buttons);
    return QMessageBox::StandardButton(box.exec());
}

qint64& LoadTime()
{
    static qint64 ns = 0;
    return ns;
}

// Carries the load's progress from the loading thread to the splash window's bar: the collections step its "Value"
// there, and the bar on the window thread follows. A step goes across at most every 15 ms (the bar then shows the
// latest value): one event per item would cost more than the load of the item.
class ProgressRelay : public QObject
{
    Q_OBJECT
    Q_PROPERTY(float Value READ Value WRITE setValue)

public:
    explicit ProgressRelay(ProgressBar* bar) : m_bar(bar), m_value(bar->Value()) { m_clock.start(); }
    float Value() const { return m_value.load(); }
    // On the loading thread.
    void setValue(float value)
    {
        m_value.store(value);
        if (m_clock.elapsed() >= 15 && !m_pending.exchange(true)) {
            m_clock.restart();
            QMetaObject::invokeMethod(this, &ProgressRelay::Deliver, Qt::QueuedConnection);
        }
    }
    // On the window thread: the bar shows the latest value.
    void Deliver()
    {
        m_pending.store(false);
        if (m_bar) {
            m_bar->setValueF(m_value.load());
        }
    }

private:
    QPointer<ProgressBar> m_bar;
    std::atomic<float> m_value;
    std::atomic<bool> m_pending{false};
    QElapsedTimer m_clock; // used by the loading thread only
};

// Loads the five collections on a thread of their own while the window thread runs prepare and keeps the splash
// window painted; no click or key acts meanwhile. The items belong to the window thread from the moment they are
// read, as if it had loaded them.
// How many folders the load left out.
int LoadWhilePreparing(const QString& dbDir, ProgressBar* bar, const MainWindowPreparer& prepare)
{
    ProgressRelay relay(bar);
    QThread* const windowThread = QThread::currentThread();
    int leftOut = 0; // read after the thread has ended
    std::unique_ptr<QThread> loader(QThread::create(
        [&dbDir, &relay, windowThread, &leftOut] { leftOut = Collections::LoadAll(dbDir, &relay, windowThread); }));
    QEventLoop wait;
    QObject::connect(loader.get(), &QThread::finished, &wait, &QEventLoop::quit);
    loader->start();
    prepare();
    if (!loader->isFinished()) {
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    loader->wait();
    QCoreApplication::removePostedEvents(&relay);
    relay.Deliver();
    return leftOut;
}

// Lets the window system put the shown window on screen; no click or key acts meanwhile. A window system that never
// says so costs at most a second.
void WaitUntilExposed(QWidget* window)
{
    auto onScreen = [window] {
        return !window->isVisible() || (window->windowHandle() && window->windowHandle()->isExposed());
    };
    if (onScreen()) {
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QEventLoop wait;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, &wait, [&] {
        if (onScreen() || clock.elapsed() >= 1000) {
            wait.quit();
        }
    });
    tick.start();
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

namespace mMain {

void SetMainWindowLoader(MainWindowLoader loader, MainWindowPreparer prepare)
{
    Loader() = std::move(loader);
    Preparer() = std::move(prepare);
}

MainWindowLoader DefaultMainWindowLoader()
{
    return []() -> QWidget* {
        frmMain* window = PreparedWindow().data();
        PreparedWindow().clear();
        if (!window) {
            window = new frmMain;
        }
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Load();
        return window;
    };
}

MainWindowPreparer DefaultMainWindowPreparer()
{
    return [] {
        // The window's browser pane starts the browser engine: the costliest part of the window, and one that needs
        // no collection.
        delete PreparedWindow().data();
        PreparedWindow() = new frmMain;
    };
}

QString InstanceLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder + QStringLiteral("/vidsora.lock");
}

QWidget* MainWindow()
{
    return TheMainWindow().data();
}

void ReleaseInstance()
{
    InstanceLock().reset();
}

qint64 LoadNanoseconds()
{
    return LoadTime();
}

int ExitCode()
{
    return LastExitCode();
}

bool OpenStore(const QString& dbDir)
{
    std::optional<NextStore> next = OpenNextStore(dbDir);
    if (!next) {
        return false;
    }
    next->Adopt();
    return true;
}

NextStore::NextStore() = default;
NextStore::NextStore(std::unique_ptr<StoreLock> lock) : m_lock(std::move(lock)) {}
NextStore::NextStore(NextStore&&) noexcept = default;
NextStore& NextStore::operator=(NextStore&&) noexcept = default;
NextStore::~NextStore() = default;

void NextStore::Adopt()
{
    if (m_lock) {
        TheStoreLock() = std::move(m_lock);
    }
}

std::optional<NextStore> OpenNextStore(const QString& dbDir)
{
    const StoreStart::Prompts prompts{
        [](const QString& question) {
            return Tell(QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        },
        [](const QString& message) { Tell(QMessageBox::Warning, message); },
    };
    std::unique_ptr<StoreLock>& held = TheStoreLock();
    if (!held) {
        held = std::make_unique<StoreLock>();
    }
    // The store open now is locked by this very program, and its own lock would refuse it: it is let go and taken
    // again at once.
    const bool sameStore = gCategories && QDir::cleanPath(gCategories->DBDir()) == QDir::cleanPath(dbDir);
    if (sameStore) {
        if (StoreStart::Open(dbDir, Registry::DefaultDBPath(), *held, prompts) != StoreStart::Outcome::Opened) {
            return std::nullopt;
        }
        return NextStore();
    }
    // Another store: the one open now stays locked until the new one's collections are in place.
    auto fresh = std::make_unique<StoreLock>();
    if (StoreStart::Open(dbDir, Registry::DefaultDBPath(), *fresh, prompts) != StoreStart::Outcome::Opened) {
        return std::nullopt;
    }
    return NextStore(std::move(fresh));
}

void CloseStore()
{
    TheStoreLock().reset();
}

} // namespace mMain

bool Main()
{
    // 1. One instance only; a second one says so and reads nothing.
    if (!ClaimInstance()) {
        Tell(QMessageBox::Warning, QStringLiteral("Vidsora is already running!"));
        LastExitCode() = mMain::kExitAlreadyRunning;
        return false;
    }

    // A settings file that cannot be read is said once; every setting then reads as its default, and the file is
    // never written over.
    const QString settingsMessage = StoreStart::SettingsFileMessage();
    if (!settingsMessage.isEmpty()) {
        Tell(QMessageBox::Warning, settingsMessage);
    }
    // So is a setting whose value cannot be read: it runs on its default and its line is never written over.
    const QString unreadable = UnreadableSettingsMessage();
    if (!unreadable.isEmpty()) {
        Tell(QMessageBox::Warning, unreadable);
    }

    // The component libraries beside the program register themselves where no installer did, before any editor
    // creates one. This writes the user's settings only.
    ComponentSetup::RegisterMissing(ProgramFolder());

    // 2. The database folder; a first start stores the default (an unreadable one is left as it is). It must exist and
    // be ours before any collection touches it (a collection's folder setter creates its kind folder).
    const QString dbDir = ReadRegSetting(QStringLiteral("DBPath"), DefaultDBPath()).toString();
    if (!mMain::OpenStore(dbDir)) {
        LastExitCode() = mMain::kExitStoreNotOpened;
        return false;
    }

    // 3. The hourglass, until the main window is on screen.
    std::optional<CursorOverride> wait(std::in_place);

    // 4. The bar's range, from the entries of the kind folders.
    const int total = Collections::EntryCount(dbDir);

    // 5.
    gTempFolder = MakeTempName();

    // 6-8. The splash window, painted once before the loads begin.
    auto* splash = new frmSplash;
    splash->show();
    splash->raise();
    splash->pgLoading->setMax(float(total));
    splash->pgLoading->setValueF(0.0f);
    // No click or key may act before the collections are in place.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    // 9. Categories first, movies last: the main window reads them all. Meanwhile the window thread makes what of the
    // main window needs no collection.
    QElapsedTimer loadClock;
    loadClock.start();
    int leftOut = 0;
    if (const MainWindowPreparer& prepare = Preparer()) {
        leftOut = LoadWhilePreparing(dbDir, splash->pgLoading, prepare);
    } else {
        leftOut = Collections::LoadAll(dbDir, splash->pgLoading);
    }
    LoadTime() = loadClock.nsecsElapsed();

    // 10. The main window loads unseen.
    QWidget* window = nullptr;
    if (const MainWindowLoader& loader = Loader()) {
        window = loader();
    }
    TheMainWindow() = window;

    // 11-13. The splash window stays until the main window is on screen, so the screen is never empty meanwhile.
    if (window) {
        window->show();
        WaitUntilExposed(window);
    }
    splash->close();
    delete splash;
    // Folders that hold no item are left on disk untouched; the user hears of them once, with the main window up.
    wait.reset();
    if (leftOut > 0) {
        Tell(QMessageBox::Information, Collections::LeftOutMessage(dbDir, leftOut));
    }
    return true;
}

#include "mMain.moc"
