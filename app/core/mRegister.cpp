#include "core/mRegister.h"

namespace mRegister {

long EnsureKey(Registry::HKEY hive, const QString& keyPath)
{
    Registry::HKEY key = 0;
    const long result = Registry::CreateKey(hive, keyPath, kAccess, &key);
    if (result == Registry::Success) {
        Registry::CloseKey(key);
    }
    return result;
}

long ReadValue(Registry::HKEY hive, const QString& keyPath, const QString& name, QVariant& value)
{
    Registry::HKEY key = 0;
    long result = Registry::OpenKey(hive, keyPath, kAccess, &key);
    if (result == Registry::Success) {
        result = ReadValueOfOpenKey(key, name, value);
        Registry::CloseKey(key);
    }
    return result;
}

long WriteValue(Registry::HKEY hive, const QString& keyPath, const QString& name, const QVariant& value,
                std::uint32_t type)
{
    Registry::HKEY key = 0;
    long result = Registry::OpenKey(hive, keyPath, kAccess, &key);
    if (result == Registry::Success) {
        result = WriteValueOfOpenKey(key, name, type, value);
        Registry::CloseKey(key);
    }
    return result;
}

long ReadValueOfOpenKey(Registry::HKEY key, const QString& name, QVariant& value)
{
    std::uint32_t type = Registry::RegNone;
    long result = Registry::QueryValue(key, name, &type, nullptr);
    if (result != Registry::Success) {
        return result;
    }
    if (type == Registry::RegSz) {
        QString text;
        result = Registry::QueryString(key, name, &text);
        value = result == Registry::Success ? text : QString();
        return result;
    }
    if (type == Registry::RegDword) {
        std::uint32_t number = 0;
        result = Registry::QueryDword(key, name, &number);
        if (result == Registry::Success) {
            value = qint32(number);
        }
        return result;
    }
    return -1;
}

long WriteValueOfOpenKey(Registry::HKEY key, const QString& name, std::uint32_t type, const QVariant& value)
{
    if (type == Registry::RegSz) {
        return Registry::SetString(key, name, value.toString());
    }
    if (type == Registry::RegDword) {
        return Registry::SetDword(key, name, std::uint32_t(qint32(value.toLongLong())));
    }
    return 0;
}

} // namespace mRegister
