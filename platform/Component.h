#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>

// Creation of components by ProgID and late-bound calls by name.
//
// A component library registers its classes under HKEY_CLASSES_ROOT of the registry layer (ProgID -> CLSID or CurVer
// -> "CLSID\{...}\InprocServer32" naming the library file). Creating by ProgID follows those entries, loads the
// library at run time and asks its exported factory for a QObject; operations are then called by name through the
// meta-object system (Q_INVOKABLE methods, Q_PROPERTY properties).
//
// Every component library exports, with C linkage:
//   QObject* VidsoraGetClassObject(const char* clsid);      // a new object of that class, or nullptr
//   int      VidsoraCanUnloadNow();                         // 0 when no object of the library is alive, else 1
//   int      VidsoraRegisterServer(const char* libraryPath);  // 0 on success
//   int      VidsoraUnregisterServer();                     // 0 on success
namespace Component {

// A new object of the class registered under progId, or null when the ProgID is not registered, its library file
// is missing or cannot be loaded, or the factory refuses. Resolved factories are cached per ProgID.
std::shared_ptr<QObject> CreateObject(const QString& progId);

// Calls the invokable method `name` of object with args and returns its result. ok (when given) is false when the
// object is null or has no such method taking that many arguments; the result is then invalid.
QVariant CallByName(QObject* object, const char* name, const QVariantList& args = {}, bool* ok = nullptr);

// Reads and writes a property by name; false / invalid when the object has no such property.
QVariant GetProperty(const QObject* object, const char* name);
bool SetProperty(QObject* object, const char* name, const QVariant& value);

// Forgets the cached factories (tests that register and unregister in one process).
void ClearCache();

// What a library writes for one of its classes under HKEY_CLASSES_ROOT when it registers itself:
//   <progId>                       default description, "CLSID" = clsid
//   <versionIndependentProgId>     default description, "CLSID" = clsid, "CurVer" = progId
//   CLSID\<clsid>                  default description, "ProgID", "VersionIndependentProgID", "Programmable",
//                                  "InprocServer32" (the library's full path, "ThreadingModel"), "TypeLib"
// Identifiers are written in braces, as given.
struct ClassRegistration
{
    QString clsid;
    QString description;
    QString progId;
    QString versionIndependentProgId;
    QString threadingModel;
    QString typeLibId;
};

// Writes those entries, replacing the class identifier's key whole; the library path is made absolute. Returns a
// registry result code (0 on success).
long RegisterClassEntries(const ClassRegistration& entry, const QString& libraryPath);
// Removes the three keys with everything below them; the "CLSID" key itself stays. Missing keys are no error.
long UnregisterClassEntries(const ClassRegistration& entry);

// Loads the library at libraryPath and calls its registration (or unregistration) export: what the registration
// command does. 0 on success; -1 when the library cannot be loaded or lacks the export; else the export's result.
int RegisterLibrary(const QString& libraryPath);
int UnregisterLibrary(const QString& libraryPath);

// The library file the registration of progId names (directly or through its current version), or "" when it is
// not registered.
QString RegisteredLibrary(const QString& progId);
// What an installer did once, for a program that carries its component libraries beside it: registers the library
// at libraryPath when it is there and progId's registration is missing or names a file that no longer exists. A
// registration naming another file that exists is left alone. True when it registered the library.
bool RegisterWhereMissing(const QString& progId, const QString& libraryPath);

} // namespace Component
