#include "UPCObject.h"

#include <atomic>

namespace {

std::atomic<int> g_liveObjects{0};

bool AllDigits(QStringView code)
{
    for (const QChar c : code) {
        if (c.unicode() < u'0' || c.unicode() > u'9') {
            return false;
        }
    }
    return true;
}

int DigitAt(QStringView code, qsizetype position) // position counted from 1
{
    return code[position - 1].unicode() - u'0';
}

// The modulo-10 check: the digit next to the check digit and every second one leftwards weigh 3, the others 1.
bool CheckDigitHolds(QStringView code)
{
    const qsizetype n = code.size();
    int weighted = 0;
    for (qsizetype position = n - 1, weight = 3; position >= 1; --position, weight = 4 - weight) {
        weighted += int(weight) * DigitAt(code, position);
    }
    return DigitAt(code, n) == (10 - weighted % 10) % 10;
}

} // namespace

UPCObject::UPCObject(QObject* parent) : QObject(parent)
{
    ++g_liveObjects;
}

UPCObject::~UPCObject()
{
    --g_liveObjects;
}

int UPCObject::LiveObjects()
{
    return g_liveObjects.load();
}

int UPCObject::CheckString(const QString& UPCCode) const
{
    QStringView code(UPCCode);
    const qsizetype nul = code.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        code = code.left(nul);
    }
    const qsizetype n = code.size();
    if ((n != 8 && n != 12 && n != 13) || !AllDigits(code) || !CheckDigitHolds(code)) {
        return NotACode;
    }
    switch (n) {
    case 8:
        return code[0] == u'0' ? EightWithLeadingZero : Ean8;
    case 12:
        return code[0] == u'1' || code[0] == u'8' || code[0] == u'9' ? NotACode : UpcA;
    default:
        return Ean13;
    }
}
