#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

// Shared procedures of the main program that reach the collections, the settings and the file system. The ones that
// need a window (TreeNodeExists, OpenDocument) are in "widgets/mControls.h".

// The per-user key that holds every setting of the program, below HKEY_CURRENT_USER.
inline const QString kProgramKey = QStringLiteral("Software\\Halvorix\\Vidsora");

// The setting, or defaultValue (written back as a string value) when it is missing. A string loses one terminating
// zero character; a number comes back as an int. A value stored with a type or form the reader does not take (an
// expandable string, raw bytes, a number that is not four bytes) gives defaultValue too, but is never written over:
// the line the user wrote stays as it is (IsUnreadableSetting).
// "DBPath" is never blank: an empty or all-blank value counts as missing, and a blank default becomes
// DefaultDBPath(), so the store never lands at the root of the file system.
QVariant ReadRegSetting(const QString& name, const QVariant& defaultValue = QString());
// Writes a string setting; nothing happens when the program's key does not exist yet, nor while the setting's
// stored value is one the reader does not take. Errors are silent.
void WriteRegSetting(const QString& name, const QString& value);
// The same write, telling whether the value was stored, for a caller that must not take a failure for success.
bool TryWriteRegSetting(const QString& name, const QString& value);
// True when the setting is stored with a type or form ReadRegSetting does not take.
bool IsUnreadableSetting(const QString& name);
// Those of the settings read at start ("DBPath", "User", "Password", "CheckAnnouncements"), in that order.
QStringList UnreadableSettings();
// What start-up says once about them: the settings file and the keys; empty when there are none.
QString UnreadableSettingsMessage();
// The folder of the running program (where its default "Resources" lie); tests may point it elsewhere.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);
// The store folder a first start uses: "${XDG_DATA_HOME:-~/.local/share}/Halvorix/Vidsora/Database33".
QString DefaultDBPath();

// Depth in the collection tree: "!0" 0, a category 1, a group, box or medium one more than its parent. The walk up
// stops at a key it has already visited and after 8 steps, so a parent chain that loops (edited by hand or imported)
// still gives a result.
int GetKeyDepth(const QString& key);

// Rebuilds the six child lists from gBoxes, gMedias and gMovies and sorts them.
void BuildChildLists();

// The system's temporary path, "VDS", the local time as "yyyyMMddHHmmss" and a number from 0 to 1000. Creates nothing.
QString MakeTempName();
// Creates gTempFolder with mode 0700. The folder is made by this call and never an existing folder or link: when the
// name is taken, a fresh one is made and gTempFolder follows it. A failure (and gTempFolder emptied) when no folder
// could be made, so nobody writes into a folder that is not ours; its path then names the folder that could not be
// made.
Result<> CreateTempFolder();
// Empties and removes the folder CreateTempFolder made, if it is still that very folder; links inside are removed,
// never followed. Anything else (another folder now at that path, a folder this run did not make) is left alone.
void RemoveTempFolder();

// The address OpenDocument would hand to the desktop: http and https addresses (and "www." ones, as http), and files
// inside this run's temporary folder, which the program itself wrote; an empty URL for anything else.
QUrl DocumentUrl(const QString& target);
