#include "transfer/OnlineSession.h"

#include "core/mFunctions.h"

#include "COM.h"

#include <QCoreApplication>
#include <QPointer>

#include <utility>

namespace {

// How often a long loop lets events run, and how many of its steps pass between looks at the clock.
constexpr qint64 kEventIntervalMs = 25;
constexpr int kStepsPerLook = 256;

} // namespace

OnlineSession::OnlineSession(QObject* parent) : QObject(parent) {}

OnlineSession::~OnlineSession() = default;

COM& OnlineSession::Com()
{
    if (!m_com) {
        m_com = std::make_unique<COM>();
        connect(m_com.get(), &COM::ProgressChanged, this, [this](qint32& progress) {
            if (m_current >= 0) {
                OnProgress(m_current, progress);
            }
        });
    }
    return *m_com;
}

void OnlineSession::Abort()
{
    if (!IsWaiting()) {
        return;
    }
    m_aborted = true;
    // The client may be destroyed while it waits: its wait then returns the failure value without touching it
    // again. Dropping it ends every kind of wait at once, the address lookup included, and closes the connection.
    std::unique_ptr<COM> gone = std::move(m_com);
    gone.reset();
}

bool OnlineSession::StillWanted()
{
    if (m_aborted) {
        return false;
    }
    if (++m_steps < kStepsPerLook) {
        return true;
    }
    m_steps = 0;
    if (!m_lastEvents.isValid()) {
        m_lastEvents.start();
    } else if (m_lastEvents.elapsed() >= kEventIntervalMs) {
        // Input stays out, as in the client's own wait: the window's gate delivers what reaches Cancel.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_lastEvents.start();
    }
    return !m_aborted;
}

bool OnlineSession::ConnectAndLogIn()
{
    const COM::eStatus status = Com().Status();
    if (status == COM::Status_None || status == COM::StatusFailed) {
        bool connected = false;
        {
            Wait wait(*this, QStringLiteral("Connecting to Vidsora: Online..."));
            connected = Com().Connect();
        }
        if (m_aborted) {
            return false;
        }
        if (!connected) {
            Tell(CouldNotConnectMessage());
            return false;
        }
    }
    const QString user = ReadRegSetting(QStringLiteral("User")).toString();
    const QString password = ReadRegSetting(QStringLiteral("Password")).toString();
    bool loggedIn = false;
    {
        Wait wait(*this, QStringLiteral("Logging in to Vidsora: Online..."));
        loggedIn = Com().LogIn(user, password);
    }
    if (m_aborted) {
        return false;
    }
    if (!loggedIn) {
        Tell(CouldNotLogInMessage());
        return false;
    }
    return true;
}

void OnlineSession::Tell(const QString& text)
{
    if (IsWaiting()) {
        m_held.append(text);
        return;
    }
    emit Warning(text);
}

OnlineSession::Wait::Wait(OnlineSession& session, const QString& what) : m_session(session)
{
    m_outer = std::exchange(m_session.m_waitText, what);
    if (m_session.m_waiting++ == 0) {
        emit m_session.WaitingChanged(true);
    }
    emit m_session.WaitingFor(what);
}

OnlineSession::Wait::~Wait()
{
    m_session.m_waitText = m_outer;
    if (--m_session.m_waiting > 0) {
        emit m_session.WaitingFor(m_outer);
        return;
    }
    emit m_session.WaitingChanged(false);
    // The window takes input again: what was held back can be answered now. A warning may close the dialog and with
    // it the session.
    const QStringList held = std::exchange(m_session.m_held, {});
    QPointer<OnlineSession> alive(&m_session);
    for (const QString& text : held) {
        if (!alive) {
            return;
        }
        emit m_session.Warning(text);
    }
}
