#pragma once

#include "core/Collections.h"
#include "shell/mMain.h"

#include <QString>

#include <optional>

class LongWork;
class ProgressBar;
class QWidget;

// The reload's load: fresh collections read on a thread of their own behind the long-work dialog, the status bar's
// progress bar counting along, while the window's thread keeps the window painted. A cancelled load reads on to the
// end of the kind it is in; until then it is kept, holding the store (StoreGate), so that every command waits for it.
namespace ReloadWork {

// The loaded collections, or nothing when the user cancelled work's dialog: the collections in use are untouched
// either way. After a Cancel the load keeps store (the lock of the store it reads, when that is not the one shown)
// until it has ended, and then lets it go.
std::optional<Collections::Loaded> Load(LongWork& work, QWidget* window, const QString& dbPath, ProgressBar* bar,
                                        mMain::NextStore& store);
// Drops what a cancelled load read, once it has ended (it holds the store until then).
void DropAbandoned();

} // namespace ReloadWork
