#pragma once

#include "Result.h"

#include <QString>

#include <functional>

// Where a user's files go: the XDG base folders and the temporary path, and the one way a program makes (and later
// removes) a folder of its own there.
namespace UserFolders {

// An XDG base folder: the variable's value when it is an absolute path, otherwise $HOME followed by fallback. An
// unset, empty or relative value is ignored, as the XDG base-directory rule says: a relative one would move the
// user's files with the folder the program was started from. Read from the environment at each call.
QString XdgHome(const char* variable, const QString& fallback);
// "${XDG_CONFIG_HOME:-$HOME/.config}" under that rule.
QString ConfigHome();
// "${XDG_DATA_HOME:-$HOME/.local/share}" under that rule.
QString DataHome();

// The temporary path: TMPDIR as it stands (made absolute), whether or not it exists, else QDir::tempPath(). Qt's own
// answer falls back to another folder when TMPDIR is missing; a folder that cannot be made under the configured path
// is a failure to report, not a reason to write elsewhere.
QString TempPath();

// A folder a program made for itself, known by its identity, so that a folder or link put at its path later is
// never taken for it.
struct OwnFolder
{
    QString path;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool IsNull() const { return path.isEmpty(); }
};

// Makes a new folder readable by this user only (mode 0700, whatever the umask) by an exclusive create, trying
// nameAt(0), nameAt(1), ... up to attempts names: a name taken by anything (a folder, a file, a link) is passed over,
// any other failure ends the attempts. When none was made, the failure's path is the last name tried.
Result<OwnFolder> MakeOwnFolder(const std::function<QString(int attempt)>& nameAt, int attempts);
// Removes the folder with everything in it (links as links, never followed) if it is still the very folder
// MakeOwnFolder made. False, with nothing removed, when another folder or a link stands at its path now; false also
// when something in it could not be removed.
bool RemoveOwnFolder(const OwnFolder& folder);

} // namespace UserFolders
