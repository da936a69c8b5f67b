#pragma once

#include "core/mUEF.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// Long work of the window with a progress dialog that counts items. The work either runs on the window's thread in
// slices (Step between them) or on a thread of its own (WaitUntil meanwhile); either way the pending events run every
// few dozen milliseconds, so the window repaints throughout. Work done within about half a second shows nothing but a
// busy cursor, and user input waits; longer work shows the dialog, and from then on user input goes to it alone (a
// gate drops the rest; Esc pressed in any window of the program counts as the dialog's). Its Cancel button or Esc
// cancels at once: Step and WaitUntil answer false from then on. The dialog blocks no window, so the window
// system's close of the main window reaches it during the work and can be kept for the work's end (CloseAsked).
class LongWork
{
public:
    LongWork(QWidget* parent, const QString& label);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // One step of work on the window's thread: done of total items. Runs the pending events now and then; false once
    // the user cancelled.
    bool Step(int done, int total);
    // Lets the window's thread run its events until finished() answers true (true) or the user cancels (false),
    // showing what progress() says: done of total items.
    bool WaitUntil(const std::function<bool()>& finished, const std::function<std::pair<int, int>()>& progress);
    // Step as an import's progress hook; valid while this object lives.
    ImportProgress Hook();
    // Waits until no worker of the program holds the store (StoreGate): the busy cursor, and the dialog when the
    // wait is long. False when the user cancelled the wait: what was to follow it should not run.
    static bool WaitForStore(QWidget* parent);
    bool Cancelled() const;

    // The dialog, for those that drive it from outside (a test's Cancel).
    QProgressDialog* Dialog() const { return m_dialog.get(); }

    // Whether long work runs now.
    static bool Running();
    // How many long works the user has cancelled since the program started: a close asked for during the work is
    // given up when this moved on meanwhile.
    static int UserCancels();
    // The window was asked to close during the work: the dialogs say it closes when the work has ended.
    static void CloseAsked();

private:
    void Show(int done, int total);
    class Gate;

    std::unique_ptr<QProgressDialog> m_dialog;
    std::unique_ptr<Gate> m_gate;
    QString m_label;
    mutable bool m_counted = false; // the user's cancel is counted in UserCancels
    QElapsedTimer m_started;
    QElapsedTimer m_sinceEvents;
    bool m_busyCursor = false;
};
