#pragma once

#include <QString>
#include <QStringList>

// Which of the main window's item commands (menu entries and toolbar buttons, by object name) may run for the
// selected item, by the rules of the command table. The window switches every managed command off and then on again
// the ones enabled for the key.
namespace CommandState {

// Every command whose state follows the selection.
const QStringList& ManagedCommands();
// The managed commands enabled for the item of key; none for an unknown key.
QStringList EnabledCommands(const QString& key);

} // namespace CommandState
