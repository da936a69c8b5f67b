#include "core/StoreStart.h"

#include "core/mLog.h"

#include "Registry.h"
#include "StoreFolder.h"
#include "StoreIntent.h"
#include "StoreLock.h"

namespace StoreStart {

Outcome Open(const QString& dbDir, const QString& defaultDir, StoreLock& lock, const Prompts& prompts)
{
    switch (StoreFolder::Check(dbDir, defaultDir)) {
    case StoreFolder::State::Ready:
        break;
    case StoreFolder::State::Unusable:
        prompts.warn(UnusableText(dbDir));
        return Outcome::Unusable;
    case StoreFolder::State::Ask:
        // A typo or an unplugged disk must not quietly become a new, empty collection.
        if (!prompts.ask(StoreFolder::AskText(dbDir))) {
            return Outcome::Declined;
        }
        [[fallthrough]];
    case StoreFolder::State::CreateDefault:
        if (!StoreFolder::Create(dbDir)) {
            prompts.warn(NotCreatedText(dbDir));
            return Outcome::NotCreated;
        }
        break;
    }

    switch (lock.Acquire(dbDir)) {
    case StoreLock::Result::Locked:
        break;
    case StoreLock::Result::InUse:
        prompts.warn(StoreLock::InUseMessage(dbDir));
        return Outcome::InUse;
    case StoreLock::Result::Failed:
        // A collection on a read-only disk can still be browsed; nobody can save into it either. The user is told
        // that no second program is kept out.
        qCWarning(lcApp) << "the collection" << dbDir << "could not be locked; it is opened without a lock";
        prompts.warn(lock.FailedMessage(dbDir));
        break;
    }
    // A command that many items took part in and that a kill or a power cut interrupted is finished first, before
    // anything lists the kind folders or sweeps what they hold.
    if (const QString recovered = RecoverMessage(dbDir); !recovered.isEmpty()) {
        prompts.warn(recovered);
    }
    return Outcome::Opened;
}

QString RecoverMessage(const QString& dbDir)
{
    return StoreIntent::Message(StoreIntent::Recover(dbDir));
}

QString UnusableText(const QString& dbDir)
{
    return QStringLiteral("The collection folder %1 cannot be opened: it is not a folder.").arg(dbDir);
}

QString NotCreatedText(const QString& dbDir)
{
    return QStringLiteral("The collection folder %1 could not be created.").arg(dbDir);
}

QString SettingsFileMessage()
{
    const QString file = Registry::ProgramFile();
    qsizetype line = 0;
    switch (Registry::ProgramFileState(&line)) {
    case Registry::FileState::Missing:
    case Registry::FileState::Ok:
        return QString();
    case Registry::FileState::Damaged:
        return QStringLiteral("The settings file %1 is damaged at line %2. Vidsora uses its default settings and the "
                              "default collection, and leaves the file as it is.")
            .arg(file)
            .arg(line);
    case Registry::FileState::Unreadable:
        return QStringLiteral("The settings file %1 cannot be read. Vidsora uses its default settings and the "
                              "default collection, and leaves the file as it is.")
            .arg(file);
    }
    return QString();
}

} // namespace StoreStart
