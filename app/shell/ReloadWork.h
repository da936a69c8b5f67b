#pragma once

#include "core/Collections.h"

#include <QString>

#include <optional>

class LongWork;
class ProgressBar;
class QWidget;

// The reload's load: fresh collections read on a thread of their own behind the long-work dialog, the status bar's
// progress bar counting along, while the window's thread keeps the window painted. A cancelled load reads on to the
// end of the kind it is in; until then it is kept, and nothing may change the store (Settle).
namespace ReloadWork {

// The loaded collections, or nothing when the user cancelled work's dialog: the collections in use are untouched
// either way.
std::optional<Collections::Loaded> Load(LongWork& work, QWidget* window, const QString& dbPath, ProgressBar* bar);
// True while a cancelled load still reads the store.
bool Pending();
// Waits, with the busy cursor, the window painting but taking no input, until a cancelled load has ended, and drops
// what it read; busy (the window's "loading" flag, which keeps commands out) is set meanwhile.
void Settle(bool& busy);

} // namespace ReloadWork
