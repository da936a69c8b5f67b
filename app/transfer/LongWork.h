#pragma once

#include "core/mUEF.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

// Long work of the window (an import) that reports its progress through a hook: the work runs on the window's thread
// in slices, and between slices the pending events run, so the window repaints throughout. Work done within about
// half a second shows nothing but a busy cursor; longer work shows a modal progress dialog that counts items, and
// from then on user input goes to that dialog alone. Its Cancel button or Esc makes the hook return false, and the
// work stops at its next step. The collections are touched by the window's thread only, as always.
class LongWork
{
public:
    LongWork(QWidget* parent, const QString& label);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // One step: done of total items. Runs the pending events now and then; false once the user cancelled.
    bool Step(int done, int total);
    // Step as an import's progress hook; valid while this object lives.
    ImportProgress Hook();
    bool Cancelled() const;

    // The dialog, for those that drive it from outside (a benchmark's Cancel).
    QProgressDialog* Dialog() const { return m_dialog.get(); }

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    QElapsedTimer m_started;
    QElapsedTimer m_sinceEvents;
    bool m_busyCursor = false;
};
