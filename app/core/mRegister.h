#pragma once

#include "Registry.h"

#include <QString>
#include <QVariant>

#include <cstdint>

// The small registry procedures that ReadRegSetting and WriteRegSetting rest on. Each returns the registry layer's
// result code, 0 for success. No key stays open between calls.
namespace mRegister {

// Every open and create asks for query/set value, create/enumerate sub-keys, notify and create link.
inline constexpr std::uint32_t kAccess = 0x3F;

// Creates the key, or opens it when it exists, and closes it at once.
long EnsureKey(Registry::HKEY hive, const QString& keyPath);
// Opens the existing key and reads one value; the open's code when it fails, else the read's.
long ReadValue(Registry::HKEY hive, const QString& keyPath, const QString& name, QVariant& value);
// Opens the existing key (never creating it) and writes one value of type 1 (string) or 4 (32-bit number).
long WriteValue(Registry::HKEY hive, const QString& keyPath, const QString& name, const QVariant& value,
                std::uint32_t type);
// A string value comes back as stored, with its terminating zero character; a number as a 32-bit integer. Any other
// type gives -1. When the value is missing, value is left untouched.
long ReadValueOfOpenKey(Registry::HKEY key, const QString& name, QVariant& value);
// Type 1 writes the value's text, type 4 the value as a 32-bit integer; any other type writes nothing and gives 0.
long WriteValueOfOpenKey(Registry::HKEY key, const QString& name, std::uint32_t type, const QVariant& value);

} // namespace mRegister
