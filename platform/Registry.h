#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The registry as the program and its component libraries use it: keys with typed values under two hives, kept in
// INI files under "${XDG_CONFIG_HOME:-$HOME/.config}/Halvorix/":
//   HKEY_CURRENT_USER "Software\Halvorix\Vidsora" and everything below it   -> "Vidsora.conf"
//   HKEY_CLASSES_ROOT (class registrations)                                  -> "Classes.conf"
// Any other key of HKEY_CURRENT_USER does not exist and cannot be created.
//
// Every call sees the file as it is: a file is read and parsed once per version (told by its device, inode, size and
// times; a version too new to be told by them is compared byte for byte), so a value another process wrote is seen by
// the next call, and a read costs a stat. Reading takes time in proportion to the file's size, however deep its keys;
// a file larger than 16 MB or holding more than 500,000 keys and values is not read (a change that would make such a
// file is refused). Every change is a
// locked read-modify-write that replaces the file through SafeFile (synced, atomic); files are created with mode 0600.
// The rewrite puts back the line of every value it did not change as that line stood, byte for byte; comments and
// blank lines are not kept. A file written by hand is read too (see Parse and docs/settings.md). A file that is
// damaged or unreadable reads as an empty hive, and a change to it is refused (the file is left as it is, byte for
// byte).
//
// Key and value names compare without regard to case and keep the case they were created with. A path uses "\"
// between names. The value named by the empty string is the key's default value.
//
// Every function returns a result code: Success (0) or one of the error codes below.
namespace Registry {

using HKEY = std::uintptr_t;

// The hives' handle values are the 32-bit numbers 0x80000000 and 0x80000001 sign-extended, as the platform defines
// them; the zero-extended forms (a 32-bit value kept in an unsigned number) are accepted too. So a hive formed from
// the text "-2147483647" is HKEY_CURRENT_USER.
inline constexpr HKEY HKEY_CLASSES_ROOT = HKEY(std::intptr_t(-2147483647 - 1));
inline constexpr HKEY HKEY_CURRENT_USER = HKEY(std::intptr_t(-2147483647));

// Result codes, with the values callers of the platform's registry functions expect.
inline constexpr long Success = 0;
inline constexpr long ErrorFileNotFound = 2;  // no such key or value
inline constexpr long ErrorAccessDenied = 5;  // the key was not opened for this, or cannot be created here
inline constexpr long ErrorInvalidHandle = 6; // not an open key nor a hive
inline constexpr long ErrorWriteFault = 29;   // the file could not be written; it is unchanged
inline constexpr long ErrorInvalidParameter = 87;
inline constexpr long ErrorRegistryCorrupt = 1015; // the file is damaged, unreadable or not ours; it is unchanged
inline constexpr long ErrorKeyDeleted = 1018;      // the open key was deleted meanwhile
inline constexpr long ErrorUnsupportedType = 1630; // the value exists with another type

// Value types.
inline constexpr std::uint32_t RegNone = 0;
inline constexpr std::uint32_t RegSz = 1;
inline constexpr std::uint32_t RegExpandSz = 2;
inline constexpr std::uint32_t RegBinary = 3;
inline constexpr std::uint32_t RegDword = 4;

// Access rights of an open key.
inline constexpr std::uint32_t KeyQueryValue = 0x0001;
inline constexpr std::uint32_t KeySetValue = 0x0002;
inline constexpr std::uint32_t KeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t KeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t KeyNotify = 0x0010;
inline constexpr std::uint32_t KeyCreateLink = 0x0020;
inline constexpr std::uint32_t KeyRead = 0x20019;
inline constexpr std::uint32_t KeyWrite = 0x20006;
inline constexpr std::uint32_t KeyAllAccess = 0xF003F;

// The folder of the files: "${XDG_CONFIG_HOME:-$HOME/.config}/Halvorix", read from the environment at each call (a
// relative XDG_CONFIG_HOME is ignored: UserFolders::ConfigHome).
QString Folder();
// The program key's file: Folder() + "/Vidsora.conf".
QString ProgramFile();

// What a settings file is, as the last read found it.
enum class FileState
{
    Missing,    // no file yet: reads give the defaults, the first change creates it
    Ok,         // read
    Damaged,    // read, but not understood: reads give the defaults, changes are refused, the file stays as it is
    Unreadable, // cannot be read at all (no access, not a regular file, too large): as Damaged
};
// The state of ProgramFile() as it is now. Start-up tells the user once when it is Damaged or Unreadable. For a damaged
// file, damagedLine (when given) gets the number of the first line not understood, counting from 1.
FileState ProgramFileState(qsizetype* damagedLine = nullptr);

// Where the user's own data lives: "${XDG_DATA_HOME:-$HOME/.local/share}/Halvorix/Vidsora", read from the
// environment at each call (a relative XDG_DATA_HOME is ignored: UserFolders::DataHome). The default store and the
// user's pick lists are below it.
QString DataFolder();
// The store folder a first start uses: DataFolder() + "/Database33".
QString DefaultDBPath();

// Opens the existing key subKey below parent (a hive or an open key). The empty subKey opens parent itself again.
long OpenKey(HKEY parent, const QString& subKey, std::uint32_t access, HKEY* result);
// Opens subKey below parent, creating it and every missing key above it first. created (when given) tells whether
// the key was new.
long CreateKey(HKEY parent, const QString& subKey, std::uint32_t access, HKEY* result, bool* created = nullptr);
// Releases an open key; closing a hive does nothing.
long CloseKey(HKEY key);

// Deletes subKey below parent with all its keys and values. The empty subKey is refused.
long DeleteTree(HKEY parent, const QString& subKey);
long DeleteValue(HKEY key, const QString& name);

// The type and the stored bytes of a value; either pointer may be null (a query of the type, or of existence).
long QueryValue(HKEY key, const QString& name, std::uint32_t* type, QByteArray* data = nullptr);
// Stores the bytes of a value as given, with its type.
long SetValue(HKEY key, const QString& name, std::uint32_t type, const QByteArray& data);

// A string value (RegSz or RegExpandSz) as stored: a terminating zero that is part of the data comes back as a
// trailing '\0' character, and a value stored without one comes back whole. Another type: ErrorUnsupportedType.
long QueryString(HKEY key, const QString& name, QString* text);
// Stores text (UTF-8) followed by one zero byte that is part of the data, as the platform's string setter does.
long SetString(HKEY key, const QString& name, const QString& text, std::uint32_t type = RegSz);

// A RegDword value of four bytes; another type or size: ErrorUnsupportedType.
long QueryDword(HKEY key, const QString& name, std::uint32_t* value);
long SetDword(HKEY key, const QString& name, std::uint32_t value);

// Convenience for one-shot reads: the string value name of hive\subKey without its terminating zero, or fallback
// when the key or value is missing or not a string.
QString ReadString(HKEY hive, const QString& subKey, const QString& name, const QString& fallback = {});

} // namespace Registry
