#pragma once

// The Codevet component library: its fixed identifiers and its exports.
//
// The type library and the version block have no counterpart on Linux (nothing reads an embedded type library or
// a version resource here); their identifiers and texts are kept as constants because the class registration and
// other libraries refer to them.
namespace Codevet {

inline constexpr char kTypeLibName[] = "Codevet";
inline constexpr char kTypeLibVersion[] = "1.0";
inline constexpr char kTypeLibId[] = "{F9F141A1-60E9-40D5-B929-3832982B4241}";
inline constexpr char kTypeLibHelp[] = "Codevet 1.0 Type Library";

inline constexpr char kClassId[] = "{1DA5AA73-80C1-4A4C-AECB-93D2D30B5890}";
inline constexpr char kClassHelp[] = "UPCObject Class";
inline constexpr char kInterfaceId[] = "{E4625259-F9F6-4093-BCAB-F3383C6C0AD2}";
inline constexpr char kInterfaceHelp[] = "IUPCObject Interface";
inline constexpr char kMethodHelp[] = "method CheckString";
inline constexpr int kCheckStringDispId = 1;

inline constexpr char kProgId[] = "Codevet.UPCObject.1";
inline constexpr char kVersionIndependentProgId[] = "Codevet.UPCObject";
inline constexpr char kThreadingModel[] = "Apartment";

inline constexpr char kProjectName[] = "Codevet"; // string resource 100

inline constexpr char kFileVersion[] = "1, 0, 0, 1";
inline constexpr char kProductVersion[] = "1, 0, 0, 1";
inline constexpr char kFileDescription[] = "Codevet Module";
inline constexpr char kProductName[] = "Codevet Module";
inline constexpr char kInternalName[] = "Codevet";
inline constexpr char kOriginalFilename[] = "Codevet.DLL";

} // namespace Codevet

class QObject;

// The exports every component library offers (see platform/Component.h).
extern "C" {
// A new UPCObject when clsid is the class identifier (any case), else null. The caller owns it.
QObject* VidsoraGetClassObject(const char* clsid);
// 0 when no object of the library is alive, else 1.
int VidsoraCanUnloadNow();
// Writes the class registration, InprocServer32 naming libraryPath (this library's own file when null or empty).
int VidsoraRegisterServer(const char* libraryPath);
// Removes the class registration.
int VidsoraUnregisterServer();
}
