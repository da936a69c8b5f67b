#include "StoreFolder.h"

#include "ItemStore.h"
#include "SafeFile.h"

#include <QDir>

#include <sys/stat.h>

namespace StoreFolder {

State Check(const QString& dbPath, const QString& defaultPath)
{
    struct stat st;
    if (::stat(SafeFile::Encode(dbPath).constData(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? State::Ready : State::Unusable;
    }
    return QDir::cleanPath(dbPath) == QDir::cleanPath(defaultPath) ? State::CreateDefault : State::Ask;
}

bool Create(const QString& dbPath)
{
    if (!SafeFile::MakePath(dbPath)) {
        return false;
    }
    for (ItemKind kind : ItemStore::kKinds) {
        if (!SafeFile::MakePath(dbPath + u'/' + ItemStore::KindFolder(kind))) {
            return false;
        }
    }
    return true;
}

QString AskText(const QString& dbPath)
{
    return QStringLiteral("The collection folder %1 does not exist. Create a new, empty collection there?").arg(dbPath);
}

} // namespace StoreFolder
