#include "Component.h"

#include "PlatformLog.h"
#include "Registry.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QMutex>
#include <QMutexLocker>

#include <array>

namespace Component {
namespace {

using GetClassObjectFn = QObject* (*)(const char*);
using RegisterServerFn = int (*)(const char*);
using UnregisterServerFn = int (*)();

struct Factory
{
    QByteArray clsid;
    GetClassObjectFn create = nullptr;
};

QMutex g_mutex;
QHash<QString, Factory> g_factories; // by case-folded ProgID

// A "CurVer" chain longer than this is a loop.
constexpr int kMaxCurVer = 8;

QString DefaultValue(const QString& key)
{
    return Registry::ReadString(Registry::HKEY_CLASSES_ROOT, key, QString());
}

// The class identifier a ProgID names, directly or through its current version.
QString ClassIdOf(const QString& progId)
{
    QString name = progId;
    for (int hop = 0; hop <= kMaxCurVer && !name.isEmpty(); ++hop) {
        const QString clsid = DefaultValue(name + QStringLiteral("\\CLSID"));
        if (!clsid.isEmpty()) {
            return clsid;
        }
        name = DefaultValue(name + QStringLiteral("\\CurVer"));
    }
    if (name.isEmpty()) {
        qCWarning(lcPlatform) << "no component is registered as" << progId;
    } else {
        qCWarning(lcPlatform) << "the current versions of" << progId << "name each other in a loop";
    }
    return {};
}

// Loads the library registered for progId and resolves its factory; false when any step fails.
bool Resolve(const QString& progId, Factory* factory)
{
    if (progId.isEmpty() || progId.contains(u'\\')) {
        qCWarning(lcPlatform) << "no component can be registered as" << progId;
        return false;
    }
    const QString clsid = ClassIdOf(progId);
    if (clsid.isEmpty()) {
        return false;
    }
    if (clsid.contains(u'\\')) {
        qCWarning(lcPlatform) << "the component" << progId << "is registered with the malformed class" << clsid;
        return false;
    }
    const QString path = DefaultValue(QStringLiteral("CLSID\\") + clsid + QStringLiteral("\\InprocServer32"));
    if (path.isEmpty()) {
        qCWarning(lcPlatform) << "the class" << clsid << "of the component" << progId << "names no library";
        return false;
    }
    if (!QFileInfo(path).isFile()) {
        qCWarning(lcPlatform) << "the library" << path << "of the component" << progId << "is missing";
        return false;
    }
    // Never unloaded: objects made by the library may outlive any cache entry. The loaded libraries stay reachable
    // from a static that is never destroyed, one per file however often the cache is cleared.
    static auto* const loaded = new QHash<QString, QLibrary*>();
    QLibrary*& library = (*loaded)[path];
    if (library == nullptr) {
        library = new QLibrary(path);
    }
    const auto create = reinterpret_cast<GetClassObjectFn>(library->resolve("VidsoraGetClassObject"));
    if (create == nullptr) {
        qCWarning(lcPlatform) << "the library" << path << "of the component" << progId << "gives no factory:"
                              << (library->isLoaded() ? QStringLiteral("VidsoraGetClassObject is not exported")
                                                      : library->errorString());
        return false;
    }
    *factory = {clsid.toUtf8(), create};
    return true;
}

// Converts every argument to the parameter type of method; false when one does not convert, or (when exact) when
// one would need converting at all.
bool ConvertArguments(const QMetaMethod& method, const QVariantList& args, bool exact, QVariantList* converted)
{
    converted->clear();
    for (int i = 0; i < args.size(); ++i) {
        const QMetaType type = method.parameterMetaType(i);
        if (type.id() == QMetaType::QVariant) {
            converted->append(QVariant()); // passed as given
            continue;
        }
        QVariant value = args[i];
        if (value.metaType() != type && (exact || !value.convert(type))) {
            return false;
        }
        converted->append(value);
    }
    return true;
}

// The public or protected invokable method of that name and argument count that the arguments fit: one whose
// parameter types they have exactly, else one they convert to. The most derived class is searched first, so an
// override wins.
int FindMethod(const QObject* object, const char* name, const QVariantList& args, QVariantList* converted)
{
    const QMetaObject* meta = object->metaObject();
    const QByteArray wanted(name);
    for (const bool exact : {true, false}) {
        for (int i = meta->methodCount() - 1; i >= 0; --i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal || method.methodType() == QMetaMethod::Constructor ||
                method.access() == QMetaMethod::Private || method.name() != wanted ||
                method.parameterCount() != args.size()) {
                continue;
            }
            if (ConvertArguments(method, args, exact, converted)) {
                return i;
            }
        }
    }
    return -1;
}

// Creates parent\subKey and sets its default value; the first failure code wins in *code.
void SetDefaultOf(const QString& subKey, const QString& value, long* code, const QString& name = {})
{
    Registry::HKEY key = 0;
    long result = Registry::CreateKey(Registry::HKEY_CLASSES_ROOT, subKey, Registry::KeyAllAccess, &key);
    if (result == Registry::Success) {
        result = Registry::SetString(key, name, value);
        Registry::CloseKey(key);
    }
    if (*code == Registry::Success) {
        *code = result;
    }
}

int CallLibrary(const QString& libraryPath, bool registering)
{
    QLibrary library(QFileInfo(libraryPath).absoluteFilePath());
    const char* const symbol = registering ? "VidsoraRegisterServer" : "VidsoraUnregisterServer";
    const QFunctionPointer fn = library.resolve(symbol);
    if (fn == nullptr) {
        qCWarning(lcPlatform) << "the library" << library.fileName() << "gives no" << symbol << "-"
                              << library.errorString();
        return -1;
    }
    if (registering) {
        return reinterpret_cast<RegisterServerFn>(fn)(QFile::encodeName(library.fileName()).constData());
    }
    return reinterpret_cast<UnregisterServerFn>(fn)();
}

} // namespace

std::shared_ptr<QObject> CreateObject(const QString& progId)
{
    const QString key = progId.toCaseFolded();
    Factory factory;
    {
        const QMutexLocker locker(&g_mutex);
        const auto it = g_factories.constFind(key);
        if (it != g_factories.constEnd()) {
            factory = *it;
        } else if (Resolve(progId, &factory)) {
            g_factories.insert(key, factory);
        } else {
            return {};
        }
    }
    QObject* object = factory.create(factory.clsid.constData());
    if (object == nullptr) {
        qCWarning(lcPlatform) << "the factory of the component" << progId << "made no object of the class"
                              << factory.clsid;
        return {};
    }
    return std::shared_ptr<QObject>(object, [](QObject* o) { delete o; });
}

QVariant CallByName(QObject* object, const char* name, const QVariantList& args, bool* ok)
{
    if (ok != nullptr) {
        *ok = false;
    }
    constexpr int kMaxArguments = 10;
    if (object == nullptr || name == nullptr || args.size() > kMaxArguments) {
        return {};
    }
    QVariantList converted;
    const int index = FindMethod(object, name, args, &converted);
    if (index < 0) {
        return {};
    }
    const QMetaMethod method = object->metaObject()->method(index);

    std::array<QGenericArgument, kMaxArguments> generic{};
    for (int i = 0; i < converted.size(); ++i) {
        const QMetaType type = method.parameterMetaType(i);
        generic[i] = QGenericArgument(type.name(), type.id() == QMetaType::QVariant ? static_cast<const void*>(&args[i])
                                                                                    : converted[i].constData());
    }

    const QMetaType returnType = method.returnMetaType();
    const bool returnsValue = returnType.isValid() && returnType.id() != QMetaType::Void;
    const bool returnsVariant = returnType.id() == QMetaType::QVariant;
    // A QVariant result is written straight into result; any other type into the value result holds.
    QVariant result = returnsValue && !returnsVariant ? QVariant(returnType) : QVariant();
    QGenericReturnArgument returned;
    if (returnsValue) {
        returned =
            QGenericReturnArgument(returnType.name(), returnsVariant ? static_cast<void*>(&result) : result.data());
    }
    const bool invoked =
        method.invoke(object, Qt::DirectConnection, returned, generic[0], generic[1], generic[2], generic[3],
                      generic[4], generic[5], generic[6], generic[7], generic[8], generic[9]);
    if (!invoked) {
        return {};
    }
    if (ok != nullptr) {
        *ok = true;
    }
    return result;
}

QVariant GetProperty(const QObject* object, const char* name)
{
    if (object == nullptr || name == nullptr) {
        return {};
    }
    const int index = object->metaObject()->indexOfProperty(name);
    if (index < 0) {
        return {};
    }
    return object->metaObject()->property(index).read(object);
}

bool SetProperty(QObject* object, const char* name, const QVariant& value)
{
    if (object == nullptr || name == nullptr) {
        return false;
    }
    const int index = object->metaObject()->indexOfProperty(name);
    if (index < 0) {
        return false;
    }
    return object->metaObject()->property(index).write(object, value);
}

void ClearCache()
{
    const QMutexLocker locker(&g_mutex);
    g_factories.clear();
}

long RegisterClassEntries(const ClassRegistration& entry, const QString& libraryPath)
{
    if (entry.clsid.isEmpty() || entry.progId.isEmpty() || entry.versionIndependentProgId.isEmpty()) {
        return Registry::ErrorInvalidParameter;
    }
    long code = Registry::Success;
    SetDefaultOf(entry.progId, entry.description, &code);
    SetDefaultOf(entry.progId + QStringLiteral("\\CLSID"), entry.clsid, &code);

    SetDefaultOf(entry.versionIndependentProgId, entry.description, &code);
    SetDefaultOf(entry.versionIndependentProgId + QStringLiteral("\\CLSID"), entry.clsid, &code);
    SetDefaultOf(entry.versionIndependentProgId + QStringLiteral("\\CurVer"), entry.progId, &code);

    // A stale registration of the class must not leave subkeys behind.
    const QString classKey = QStringLiteral("CLSID\\") + entry.clsid;
    const long deleted = Registry::DeleteTree(Registry::HKEY_CLASSES_ROOT, classKey);
    if (deleted != Registry::Success && deleted != Registry::ErrorFileNotFound && code == Registry::Success) {
        code = deleted;
    }
    SetDefaultOf(classKey, entry.description, &code);
    SetDefaultOf(classKey + QStringLiteral("\\ProgID"), entry.progId, &code);
    SetDefaultOf(classKey + QStringLiteral("\\VersionIndependentProgID"), entry.versionIndependentProgId, &code);
    Registry::HKEY key = 0;
    const long programmable = Registry::CreateKey(
        Registry::HKEY_CLASSES_ROOT, classKey + QStringLiteral("\\Programmable"), Registry::KeyAllAccess, &key);
    if (programmable == Registry::Success) {
        Registry::CloseKey(key);
    } else if (code == Registry::Success) {
        code = programmable;
    }
    const QString server = classKey + QStringLiteral("\\InprocServer32");
    SetDefaultOf(server, QFileInfo(libraryPath).absoluteFilePath(), &code);
    SetDefaultOf(server, entry.threadingModel, &code, QStringLiteral("ThreadingModel"));
    SetDefaultOf(classKey + QStringLiteral("\\TypeLib"), entry.typeLibId, &code);
    ClearCache();
    return code;
}

long UnregisterClassEntries(const ClassRegistration& entry)
{
    if (entry.clsid.isEmpty() || entry.progId.isEmpty() || entry.versionIndependentProgId.isEmpty()) {
        return Registry::ErrorInvalidParameter;
    }
    long code = Registry::Success;
    for (const QString& key : {entry.progId, entry.versionIndependentProgId, QStringLiteral("CLSID\\") + entry.clsid}) {
        const long result = Registry::DeleteTree(Registry::HKEY_CLASSES_ROOT, key);
        if (result != Registry::Success && result != Registry::ErrorFileNotFound && code == Registry::Success) {
            code = result;
        }
    }
    ClearCache();
    return code;
}

int RegisterLibrary(const QString& libraryPath)
{
    return CallLibrary(libraryPath, true);
}

int UnregisterLibrary(const QString& libraryPath)
{
    return CallLibrary(libraryPath, false);
}

QString RegisteredLibrary(const QString& progId)
{
    if (progId.isEmpty() || progId.contains(u'\\')) {
        return {};
    }
    const QString clsid = ClassIdOf(progId);
    if (clsid.isEmpty() || clsid.contains(u'\\')) {
        return {};
    }
    return DefaultValue(QStringLiteral("CLSID\\") + clsid + QStringLiteral("\\InprocServer32"));
}

bool RegisterWhereMissing(const QString& progId, const QString& libraryPath)
{
    if (!QFileInfo(libraryPath).isFile()) {
        return false;
    }
    const QString current = RegisteredLibrary(progId);
    if (!current.isEmpty() && QFileInfo(current).isFile()) {
        return false;
    }
    const int result = RegisterLibrary(libraryPath);
    if (result != 0) {
        qCWarning(lcPlatform) << "the component library" << libraryPath << "could not be registered:" << result;
        return false;
    }
    return true;
}

} // namespace Component
