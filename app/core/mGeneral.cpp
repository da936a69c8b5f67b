#include "core/mGeneral.h"

#include "AnsiText.h"

#include <algorithm>

void AddPair(SortPairList& list, const QString& key, const QString& sortKey)
{
    list.Items().append(mTypSortPair{key, sortKey});
}

void SortPairs(SortPairList& list)
{
    QVector<mTypSortPair>& a = list.Items();
    const int n = list.UBound();
    bool sorted = true;
    for (int i = 2; i <= n && sorted; ++i) {
        sorted = !(a[i].strSortKey < a[i - 1].strSortKey);
    }
    if (sorted) {
        return; // the exchange sort swaps nothing in a sorted list
    }

    // The exchange sort itself is kept, since the order it leaves equal keys in is what the tree shows; but it runs
    // over integers: each entry's rank among the distinct keys in the high half, its position in the low half, so
    // one integer comparison tells "strictly less" and a swap carries the entry along.
    std::vector<int> byKey(n);
    for (int i = 0; i < n; ++i) {
        byKey[i] = i + 1;
    }
    std::sort(byKey.begin(), byKey.end(), [&a](int x, int y) { return a[x].strSortKey < a[y].strSortKey; });
    std::vector<quint64> v(n + 1, 0);
    quint64 rank = 0;
    for (int k = 0; k < n; ++k) {
        if (k > 0 && a[byKey[k - 1]].strSortKey < a[byKey[k]].strSortKey) {
            ++rank;
        }
        v[byKey[k]] = (rank << 32) | quint64(byKey[k]);
    }
    constexpr quint64 kRankMask = ~quint64(0xFFFFFFFFu);
    for (int i = 1; i <= n; ++i) {
        quint64 current = v[i];
        quint64 floor = current & kRankMask;
        for (int j = i + 1; j <= n; ++j) {
            if (v[j] < floor) {
                std::swap(current, v[j]);
                floor = current & kRankMask;
            }
        }
        v[i] = current;
    }

    QVector<mTypSortPair> result(n + 1);
    result[0] = a[0];
    for (int i = 1; i <= n; ++i) {
        result[i] = std::move(a[int(v[i] & 0xFFFFFFFFu)]);
    }
    a = std::move(result);
}

QString MakeItemKey(int parentType, const QVariant& id)
{
    static const char16_t letters[] = {u'!', u'C', u'S', u'B', u'E'};
    if (parentType < 1 || parentType > 4) {
        return QStringLiteral("!0");
    }
    return QChar(letters[parentType]) + id.toString();
}

QString MakeItemKey(int parentType, qint64 id)
{
    return MakeItemKey(parentType, QVariant(id));
}

int KeyPrefixToType(const QString& letter)
{
    if (letter == u"!") {
        return 0;
    }
    if (letter == u"C") {
        return 1;
    }
    if (letter == u"S") {
        return 2;
    }
    if (letter == u"B") {
        return 3;
    }
    if (letter == u"E") {
        return 4;
    }
    return 0;
}

QString MakeSortKey(const QString& title)
{
    QString s = AnsiText::UCase(AnsiText::Trim(title));
    QString trailing;
    if (s.endsWith(u')')) {
        const qsizetype open = s.lastIndexOf(u'(');
        if (open >= 0) {
            trailing = s.mid(open);
            s = AnsiText::Trim(s.left(open));
        }
    } else {
        const qsizetype colon = s.lastIndexOf(u':');
        if (colon >= 0) {
            trailing = s.mid(colon);
            s = AnsiText::Trim(s.left(colon));
        }
    }
    static const char* const articles[] = {"A", "AN", "THE", "EN", "ETT", "DE", "DEN", "DET"};
    for (const char* article : articles) {
        const QString prefix = QString::fromLatin1(article) + u' ';
        if (s.startsWith(prefix)) {
            s = s.mid(prefix.size()) + QStringLiteral(", ") + QString::fromLatin1(article);
            break;
        }
    }
    if (!trailing.isEmpty()) {
        s += u' ' + trailing;
    }
    return s;
}

QString GetVersionText()
{
    return QStringLiteral("version 3.3.25 - Beta");
}

QString DigitsOnly(const QString& text)
{
    QString digits;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            digits += c;
        }
    }
    return digits;
}

QString FormatRegions(const QString& regions)
{
    QString result;
    for (char16_t d = u'0'; d <= u'6'; ++d) {
        if (regions.contains(QChar(d))) {
            if (!result.isEmpty()) {
                result += u", ";
            }
            result += QChar(d);
        }
    }
    return result;
}

QString ShortenText(const QString& text, int maxLength)
{
    if (maxLength >= 20 && text.size() >= maxLength) {
        return text.left(8) + QStringLiteral(" ... ") + text.right(maxLength - 13);
    }
    return text;
}

QString GetExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.mid(dot + 1);
}
