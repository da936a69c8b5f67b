#include "core/mFunctions.h"

#include "core/Collections.h"
#include "core/mGlobals.h"
#include "core/mLog.h"
#include "core/mRegister.h"

#include "CBoxes.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Registry.h"
#include "UserFolders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <cmath>

// ---- settings ----

namespace {
QString& ProgramFolderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString ProgramFolder()
{
    const QString& folder = ProgramFolderOverride();
    if (!folder.isEmpty()) {
        return folder;
    }
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

void SetProgramFolder(const QString& folder)
{
    ProgramFolderOverride() = folder;
}

QString DefaultDBPath()
{
    // The user's data folder, never the program's: deleting a build or an installed program keeps the collection.
    return Registry::DefaultDBPath();
}

namespace {

// What mRegister::ReadValue gives for a value that is there but of a type or form the reader does not take.
bool NotTaken(long result)
{
    return result == -1 || result == Registry::ErrorUnsupportedType;
}

bool IsDBPath(const QString& name)
{
    return name.compare(QLatin1String("DBPath"), Qt::CaseInsensitive) == 0;
}

QVariant DefaultOf(const QString& name, const QVariant& defaultValue)
{
    QVariant setting = defaultValue.isValid() ? defaultValue : QVariant(QString());
    if (IsDBPath(name) && setting.toString().trimmed().isEmpty()) {
        setting = DefaultDBPath();
    }
    return setting;
}

} // namespace

QVariant ReadRegSetting(const QString& name, const QVariant& defaultValue)
{
    const Registry::HKEY hive = Registry::HKEY_CURRENT_USER;

    QVariant value;
    long result = mRegister::ReadValue(hive, kProgramKey, name, value);
    if (NotTaken(result)) {
        // The user's line stands: this run goes on with the default, and nothing is written over the line.
        qCWarning(lcApp) << "setting" << name
                         << "has a value of a type or form that cannot be read; its default is used";
        return DefaultOf(name, defaultValue);
    }
    if (result == Registry::Success && value.typeId() == QMetaType::QString) {
        QString text = value.toString();
        if (text.endsWith(QChar(0))) {
            text.chop(1);
        }
        value = text;
        if (IsDBPath(name) && text.trimmed().isEmpty()) {
            result = -1; // a blank store folder would be the file-system root
        }
    }
    if (result == Registry::Success) {
        return value;
    }

    const QVariant setting = DefaultOf(name, defaultValue);
    mRegister::EnsureKey(hive, kProgramKey);
    if (mRegister::WriteValue(hive, kProgramKey, name, setting, Registry::RegSz) != Registry::Success) {
        qCWarning(lcApp) << "the default of setting" << name << "could not be stored";
    }
    return setting;
}

void WriteRegSetting(const QString& name, const QString& value)
{
    TryWriteRegSetting(name, value);
}

bool TryWriteRegSetting(const QString& name, const QString& value)
{
    if (IsUnreadableSetting(name)) {
        qCWarning(lcApp) << "setting" << name << "is not stored: the line it has cannot be read and is kept";
        return false;
    }
    if (mRegister::WriteValue(Registry::HKEY_CURRENT_USER, kProgramKey, name, value, Registry::RegSz) !=
        Registry::Success) {
        qCWarning(lcApp) << "setting" << name << "could not be stored";
        return false;
    }
    return true;
}

bool IsUnreadableSetting(const QString& name)
{
    QVariant value;
    return NotTaken(mRegister::ReadValue(Registry::HKEY_CURRENT_USER, kProgramKey, name, value));
}

QStringList UnreadableSettings()
{
    QStringList names;
    for (const char* name : {"DBPath", "User", "Password", "CheckAnnouncements"}) {
        if (IsUnreadableSetting(QLatin1String(name))) {
            names << QLatin1String(name);
        }
    }
    return names;
}

QString UnreadableSettingsMessage()
{
    const QStringList names = UnreadableSettings();
    if (names.isEmpty()) {
        return {};
    }
    QStringList quoted;
    for (const QString& name : names) {
        quoted << u'"' + name + u'"';
    }
    const QString last = quoted.takeLast();
    const QString listed = quoted.isEmpty() ? last : quoted.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    QString text = names.size() == 1
                       ? QStringLiteral("The setting %1 in the settings file %2 has a value Vidsora cannot read. "
                                        "Vidsora uses its default this time and leaves the file as it is.")
                       : QStringLiteral("The settings %1 in the settings file %2 have values Vidsora cannot read. "
                                        "Vidsora uses their defaults this time and leaves the file as it is.");
    text = text.arg(listed, Registry::ProgramFile());
    if (names.contains(QStringLiteral("DBPath"))) {
        text += QStringLiteral(" The default collection is opened.");
    }
    return text;
}

// ---- keys and child lists ----

int GetKeyDepth(const QString& key)
{
    // Written data never nests deeper than medium, box, group, category; a longer chain can only be a loop.
    constexpr int kMaxSteps = 8;
    QSet<QString> visited;
    QString current = key;
    int depth = 0;
    for (int step = 0; step < kMaxSteps; ++step) {
        if (visited.contains(current)) {
            break;
        }
        visited.insert(current);
        const QChar letter = current.isEmpty() ? QChar() : current.at(0);
        if (letter == u'C') {
            return depth + 1;
        }
        // A movie ends the walk: it is never a parent, so its depth is no place in the tree.
        const QString parent = letter == u'M' ? QString() : Collections::ParentKey(current);
        if (parent.isEmpty()) {
            break; // the root, a movie, anything else, or an item that is not loaded
        }
        ++depth;
        current = parent;
    }
    return depth;
}

void BuildChildLists()
{
    for (SortPairList* list :
         {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren, &gMediaChildren, &gFlatItems}) {
        list->Reset();
    }
    SortPairList* const byParent[] = {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren,
                                      &gMediaChildren};
    const auto addByParent = [&byParent](int parentType, int highestType, const QString& key, const QString& sortKey) {
        if (parentType >= 0 && parentType <= highestType) {
            AddPair(*byParent[parentType], key, sortKey);
        }
    };

    // Each list is sized once: growing five lists of thousands of pairs step by step costs more than this count.
    {
        int counts[5] = {};
        int flat = 0;
        const auto count = [&](int parentType, int highestType, bool inFlat) {
            if (parentType >= 0 && parentType <= highestType) {
                ++counts[parentType];
            }
            flat += inFlat ? 1 : 0;
        };
        if (gBoxes) {
            for (const auto& box : *gBoxes) {
                count(box->lngParentType(), 2, true);
            }
        }
        if (gMedias) {
            for (const auto& media : *gMedias) {
                count(media->lngParentType(), 3, media->lngParentType() != 3);
            }
        }
        if (gMovies) {
            for (const auto& movie : *gMovies) {
                const int type = movie->lngParentType();
                count(type, 4, type != 3 && type != 4);
            }
        }
        for (int t = 0; t < 5; ++t) {
            byParent[t]->Items().reserve(counts[t] + 1);
        }
        gFlatItems.Items().reserve(flat + 1);
    }

    if (gBoxes) {
        for (const auto& box : *gBoxes) {
            AddPair(gFlatItems, box->strKey(), box->strSortKey());
            addByParent(box->lngParentType(), 2, box->strKey(), box->strSortKey());
        }
    }
    if (gMedias) {
        for (const auto& media : *gMedias) {
            if (media->lngParentType() != 3) {
                AddPair(gFlatItems, media->strKey(), media->strSortKey());
            }
            addByParent(media->lngParentType(), 3, media->strKey(), media->strSortKey());
        }
    }
    if (gMovies) {
        for (const auto& movie : *gMovies) {
            if (movie->lngParentType() != 3 && movie->lngParentType() != 4) {
                AddPair(gFlatItems, movie->strKey(), movie->strSortKey());
            }
            addByParent(movie->lngParentType(), 4, movie->strKey(), movie->strSortKey());
        }
    }

    for (SortPairList* list :
         {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren, &gMediaChildren, &gFlatItems}) {
        SortPairs(*list);
    }
}

// ---- temporary folder ----

QString MakeTempName()
{
    QString path = UserFolders::TempPath();
    if (path.isEmpty()) {
        path = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    }
    if (!path.endsWith(u'/')) {
        path += u'/';
    }
    // r x 1000 rounded half to even, as the old runtime rounds: 0 to 1000.
    const double r = QRandomGenerator::global()->generateDouble();
    const long number = std::lrint(r * 1000.0);
    return path + QStringLiteral("VDS") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")) +
           QString::number(number);
}

namespace {

// The folder CreateTempFolder made in this run, known by its identity so a swapped-in folder or link is left alone.
UserFolders::OwnFolder g_madeFolder;

} // namespace

Result<> CreateTempFolder()
{
    // The name chosen at start-up first; when it is taken, a fresh one.
    const QString first = gTempFolder;
    const auto made = UserFolders::MakeOwnFolder(
        [&first](int attempt) { return (attempt == 0 && !first.isEmpty()) ? first : MakeTempName(); }, 50);
    g_madeFolder = made.valueOr(UserFolders::OwnFolder{});
    gTempFolder = g_madeFolder.path;
    if (!made) {
        return made.failure();
    }
    return {};
}

void RemoveTempFolder()
{
    const UserFolders::OwnFolder made = g_madeFolder;
    g_madeFolder = UserFolders::OwnFolder{};
    if (!made.IsNull() && !UserFolders::RemoveOwnFolder(made)) {
        qCWarning(lcApp) << "the temporary folder was left:" << made.path;
    }
}

// ---- shell ----

QUrl DocumentUrl(const QString& target)
{
    const QString text = target.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    QUrl url(text, QUrl::StrictMode);
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        url = QUrl(QStringLiteral("http://") + text, QUrl::StrictMode);
    }
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == u"http" || scheme == u"https")) {
        return url.host().isEmpty() ? QUrl() : url;
    }

    // A file: only what this run wrote, that is, inside its own temporary folder.
    if (gTempFolder.isEmpty()) {
        return {};
    }
    const QString path = url.isValid() && scheme == u"file" ? url.toLocalFile() : text;
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    const QString folder = QFileInfo(gTempFolder).canonicalFilePath();
    if (canonical.isEmpty() || folder.isEmpty() || !QFileInfo(canonical).isFile() ||
        !canonical.startsWith(folder + u'/')) {
        return {};
    }
    return QUrl::fromLocalFile(canonical);
}
