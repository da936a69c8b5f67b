#include "transfer/OnlineSession.h"

#include "core/mFunctions.h"

#include "COM.h"

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

bool OnlineSession::ConnectAndLogIn()
{
    const COM::eStatus status = Com().Status();
    if (status == COM::Status_None || status == COM::StatusFailed) {
        bool connected = false;
        {
            Wait wait(*this);
            connected = Com().Connect();
        }
        if (m_aborted) {
            return false;
        }
        if (!connected) {
            emit Warning(CouldNotConnectMessage());
            return false;
        }
    }
    const QString user = ReadRegSetting(QStringLiteral("User")).toString();
    const QString password = ReadRegSetting(QStringLiteral("Password")).toString();
    bool loggedIn = false;
    {
        Wait wait(*this);
        loggedIn = Com().LogIn(user, password);
    }
    if (m_aborted) {
        return false;
    }
    if (!loggedIn) {
        emit Warning(CouldNotLogInMessage());
        return false;
    }
    return true;
}

OnlineSession::Wait::Wait(OnlineSession& session) : m_session(session)
{
    if (m_session.m_waiting++ == 0) {
        emit m_session.WaitingChanged(true);
    }
}

OnlineSession::Wait::~Wait()
{
    if (--m_session.m_waiting == 0) {
        emit m_session.WaitingChanged(false);
    }
}
