#include "core/mGeneral.h"

#include "AnsiText.h"
#include "CItem.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>
#include <vector>

void AddPair(SortPairList& list, const QString& key, const QString& sortKey)
{
    list.Items().append(mTypSortPair{key, sortKey});
}

namespace {

using KeyView = std::u16string_view;

KeyView ViewOf(const QString& s)
{
    return KeyView(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

// Positions 0..n-1 ordered by key, equal keys by position: the list's ascending runs merged pairwise, so a list made
// of a few sorted runs costs little more than one pass.
std::vector<int> StableOrder(const std::vector<KeyView>& keys)
{
    const int n = int(keys.size());
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        order[size_t(i)] = i;
    }
    std::vector<int> bounds{0};
    for (int i = 1; i < n; ++i) {
        if (keys[size_t(i)] < keys[size_t(i - 1)]) {
            bounds.push_back(i);
        }
    }
    bounds.push_back(n);
    const auto less = [&keys](int x, int y) { return keys[size_t(x)] < keys[size_t(y)]; };
    std::vector<int> merged(static_cast<size_t>(n));
    while (bounds.size() > 2) {
        std::vector<int> next{0};
        size_t r = 0;
        for (; r + 2 < bounds.size(); r += 2) {
            std::merge(order.begin() + bounds[r], order.begin() + bounds[r + 1], order.begin() + bounds[r + 1],
                       order.begin() + bounds[r + 2], merged.begin() + bounds[r], less);
            next.push_back(bounds[r + 2]);
        }
        if (r + 2 == bounds.size()) { // an odd run out stays as it is
            std::copy(order.begin() + bounds[r], order.end(), merged.begin() + bounds[r]);
            next.push_back(n);
        }
        order.swap(merged);
        bounds = std::move(next);
    }
    return order;
}

// Counts of positions taken so far, by position.
class PositionCounts
{
public:
    explicit PositionCounts(int n) : m_tree(size_t(n) + 1, 0) {}
    void Take(int position)
    {
        for (size_t i = size_t(position) + 1; i < m_tree.size(); i += i & (~i + 1)) {
            ++m_tree[i];
        }
    }
    // Taken positions below `end`.
    int Below(int end) const
    {
        int sum = 0;
        for (size_t i = size_t(end); i > 0; i -= i & (~i + 1)) {
            sum += m_tree[i];
        }
        return sum;
    }

private:
    std::vector<int> m_tree;
};

} // namespace

void SortPairs(SortPairList& list)
{
    QVector<mTypSortPair>& a = list.Items();
    const int n = list.UBound();
    std::vector<KeyView> keys;
    keys.reserve(size_t(std::max(n, 0)));
    for (int i = 1; i <= n; ++i) {
        keys.push_back(ViewOf(a[i].strSortKey));
    }
    if (std::is_sorted(keys.begin(), keys.end())) {
        return; // the exchange sort swaps nothing in a sorted list
    }

    // The exchange sort (for i, for j > i, swap when i's key is greater) ends in key order, and what it does to a run
    // of equal keys can be told without running it. Take the entries of one key X, at positions p1 < ... < pr, and
    // every entry with a smaller key: each smaller one that lies after p(c) and before p(c+1) turns the first c
    // X-entries (in their current order) one place to the left, the first to the back; larger keys do not matter.
    // So each key's entries are turned k(c) mod c places for each c, k(c) counted with the positions of the smaller
    // keys, which the walk in key order collects as it goes.
    std::vector<int> order = StableOrder(keys);
    std::vector<int> result;
    result.reserve(size_t(n));
    PositionCounts smaller(n);
    std::vector<int> next; // the equal run as a ring: next[c] follows c
    for (int from = 0; from < n;) {
        int to = from + 1;
        while (to < n && keys[size_t(order[size_t(to)])] == keys[size_t(order[size_t(from)])]) {
            ++to;
        }
        const int r = to - from;
        const auto position = [&](int c) { return order[size_t(from + c)]; };
        if (r == 1) {
            result.push_back(position(0));
        } else {
            next.assign(size_t(r), 0);
            int head = 0;
            int tail = 0;
            for (int c = 1; c <= r; ++c) {
                if (c >= 2) {
                    const int end = c < r ? position(c) : n;
                    const int k = smaller.Below(end) - smaller.Below(position(c - 1) + 1);
                    for (int step = k % c; step > 0; --step) {
                        tail = head;
                        head = next[size_t(head)];
                    }
                }
                if (c < r) {
                    next[size_t(tail)] = c;
                    next[size_t(c)] = head;
                    tail = c;
                }
            }
            for (int c = 0, at = head; c < r; ++c, at = next[size_t(at)]) {
                result.push_back(position(at));
            }
        }
        for (int c = from; c < to; ++c) {
            smaller.Take(order[size_t(c)]);
        }
        from = to;
    }

    QVector<mTypSortPair> sorted(n + 1);
    sorted[0] = std::move(a[0]);
    for (int i = 0; i < n; ++i) {
        sorted[i + 1] = std::move(a[result[size_t(i)] + 1]);
    }
    a = std::move(sorted);
}

namespace {

constexpr char16_t kRootLetter = u'!';
// Parent types 1 to 4, in order.
constexpr ItemKind kParentKinds[] = {ItemKind::Category, ItemKind::Group, ItemKind::Box, ItemKind::Media};
constexpr ItemKind kKinds[] = {ItemKind::Category, ItemKind::Group, ItemKind::Box, ItemKind::Media, ItemKind::Movie};

bool IsParentType(int parentType)
{
    return parentType >= 1 && parentType <= int(std::size(kParentKinds));
}

char16_t ParentLetter(int parentType)
{
    return CItem::KeyLetter(kParentKinds[parentType - 1]).unicode();
}

// 0 for a kind that holds nothing (a movie).
int ParentTypeOfKind(ItemKind kind)
{
    const auto* at = std::find(std::begin(kParentKinds), std::end(kParentKinds), kind);
    return at == std::end(kParentKinds) ? 0 : int(at - std::begin(kParentKinds)) + 1;
}

} // namespace

QString MakeItemKey(int parentType, const QVariant& id)
{
    if (!IsParentType(parentType)) {
        return QStringLiteral("!0");
    }
    return QChar(ParentLetter(parentType)) + id.toString();
}

QString MakeItemKey(int parentType, qint64 id)
{
    // The digits as QVariant's text of the number gives them, without going through one.
    if (!IsParentType(parentType)) {
        return QStringLiteral("!0");
    }
    char text[1 + 20];
    text[0] = char(ParentLetter(parentType));
    const auto end = std::to_chars(text + 1, text + sizeof text, id).ptr;
    return QString::fromLatin1(text, end - text);
}

int KeyPrefixToType(const QString& letter)
{
    const std::optional<ItemKind> kind = letter.size() == 1 ? KindOfKey(letter) : std::nullopt;
    return kind ? ParentTypeOfKind(*kind) : 0;
}

std::optional<ItemKind> KindOfKey(QStringView key)
{
    if (!key.isEmpty()) {
        for (const ItemKind kind : kKinds) {
            if (CItem::KeyLetter(kind) == key.front()) {
                return kind;
            }
        }
    }
    return std::nullopt;
}

bool IsRootKey(QStringView key)
{
    return !key.isEmpty() && key.front() == kRootLetter;
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
