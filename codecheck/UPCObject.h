#pragma once

#include <QObject>
#include <QString>

// The product-code check: tells whether a string is a well-formed UPC/EAN code and of which kind. Keeps no state,
// so any number of objects behave alike; callers create one by its ProgID and call CheckString by name.
class UPCObject : public QObject
{
    Q_OBJECT

public:
    // Results of CheckString.
    enum Kind
    {
        NotACode = 0,
        EightWithLeadingZero = 1, // eight digits, the first "0"
        Ean8 = 2,                 // eight digits, any other first digit
        UpcA = 3,                 // twelve digits, the first not "1", "8" or "9"
        Ean13 = 4,                // thirteen digits
    };
    Q_ENUM(Kind)

    explicit UPCObject(QObject* parent = nullptr);
    ~UPCObject() override;

    // The kind of UPCCode, or 0 when it is not a code with a right check digit. Only the part before the first NUL
    // character counts; nothing is trimmed.
    Q_INVOKABLE int CheckString(const QString& UPCCode) const;

    // Objects of this class alive in the process; the library may be unloaded only when it is 0.
    static int LiveObjects();
};
