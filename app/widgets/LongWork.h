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
// busy cursor, and user input waits; longer work shows a modal dialog, and from then on user input goes to it alone.
// Its Cancel button or Esc cancels at once: Step and WaitUntil answer false from then on.
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

private:
    void Show(int done, int total);

    std::unique_ptr<QProgressDialog> m_dialog;
    QElapsedTimer m_started;
    QElapsedTimer m_sinceEvents;
    bool m_busyCursor = false;
};
