#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class COM;

// What the online import and upload dialogs share, without their windows: the one online client of the dialog, the
// connection and log-in before each piece of work, the abort of a wait, and the progress of the current row.
//
// Every call to the client waits for the service. While it waits, WaitingChanged(true) has been emitted: the window
// then lets only its Cancel button through, which calls Abort, and shows what is waited for (WaitingFor). Nothing
// the user must answer is raised during a wait: a warning raised then is held until the wait has ended.
class OnlineSession : public QObject
{
    Q_OBJECT

public:
    explicit OnlineSession(QObject* parent = nullptr);
    ~OnlineSession() override;

    static QString CouldNotConnectMessage() { return QStringLiteral("Could not connect!"); }
    static QString CouldNotLogInMessage() { return QStringLiteral("Could not log in!"); }

    // Ends the wait in progress at once: the client is dropped with its connection, and the command that waited
    // stops, marking its row as failed. A fresh client serves the next command. Nothing happens when no wait runs.
    void Abort();
    bool IsWaiting() const { return m_waiting > 0; }
    // True from an Abort until the next command starts.
    bool Aborted() const { return m_aborted; }

    // What the wait in progress waits for, in a few words; empty when none runs.
    const QString& WaitText() const { return m_waitText; }

signals:
    // A failure the user is told about; handled at once, before the command goes on, and never during a wait.
    void Warning(const QString& text);
    void WaitingChanged(bool waiting);
    // A wait began, or the running one moved on to another step: what it waits for now.
    void WaitingFor(const QString& what);
    // A row's state changed.
    void RowChanged(int row);

protected:
    // The client, created when missing.
    COM& Com();
    // Connects when the client is not connected and logs in with the settings "User" and "Password"; tells the user
    // about a failure (not about an abort).
    bool ConnectAndLogIn();
    // Starts a command: clears an earlier abort.
    void BeginCommand() { m_aborted = false; }
    // The row whose transfer is under way, or -1: the client's progress reports go to it.
    void SetCurrentRow(int row) { m_current = row; }
    // A progress report of the client for the current row.
    virtual void OnProgress(int row, int percent) = 0;
    // For each step of a long loop that runs inside a Wait: now and then the pending events run (user input aside,
    // which the window's gate hands to Cancel alone), so Cancel reaches the loop. False once the wait was aborted.
    bool StillWanted();
    // Raises Warning: at once outside a wait, else as soon as the wait has ended (the window's input is gated until
    // then, so a message shown meanwhile could not be answered).
    void Tell(const QString& text);

    // Marks a call to the client, so the window can gate its input meanwhile and say what it waits for.
    class Wait
    {
    public:
        Wait(OnlineSession& session, const QString& what);
        ~Wait();
        Wait(const Wait&) = delete;
        Wait& operator=(const Wait&) = delete;

    private:
        OnlineSession& m_session;
        QString m_outer; // what the enclosing wait waited for
    };

private:
    std::unique_ptr<COM> m_com;
    int m_waiting = 0;
    QString m_waitText;
    QStringList m_held; // warnings raised during the wait in progress
    int m_current = -1;
    bool m_aborted = false;
    // When StillWanted last let events run, and its calls since it last looked at the clock.
    QElapsedTimer m_lastEvents;
    int m_steps = 0;
};
