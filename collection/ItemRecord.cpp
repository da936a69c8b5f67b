// The record format: the text of "content.mdc" and of a movie's text files, written and read by walking each kind's
// list of fields (T::Fields()).
#include "ItemStore.h"
#include "ItemStoreParts.h"

#include "AnsiText.h"
#include "MGeneral.h"

#include <QVarLengthArray>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace ItemStore {
namespace {

const QString kHeader = QStringLiteral("'Vidsora 3.3 Databasefile - DO NOT EDIT");

// The record fields of kind T by key, matched with case. Keys are told apart by length and first letter before one
// comparison, since this runs for every record line of a load.
template <class T> class RecordKeys
{
public:
    constexpr RecordKeys()
    {
        for (auto& byLength : m_slots) {
            for (auto& slot : byLength) {
                slot.fill(-1);
            }
        }
        const auto fields = T::Fields();
        for (size_t f = 0; f < fields.size(); ++f) {
            if (fields[f].form == FieldForm::File) {
                continue;
            }
            const char* key = fields[f].key;
            const size_t length = std::char_traits<char>::length(key);
            if (length < 1 || length > kMaxLength || key[0] < 'A' || key[0] > 'Z') {
                throw "a record key is 1 to 11 characters, the first a capital letter";
            }
            auto& slot = m_slots[length][size_t(key[0] - 'A')];
            size_t free = 0;
            while (free < slot.size() && slot[free] >= 0) {
                ++free;
            }
            if (free == slot.size()) {
                throw "too many record keys of one length and first letter";
            }
            slot[free] = int8_t(f);
        }
    }

    // The index of the key's field in T::Fields(), or -1 when the kind has none.
    int Find(QByteArrayView key) const
    {
        const qsizetype n = key.size();
        if (n < 1 || n > qsizetype(kMaxLength) || key[0] < 'A' || key[0] > 'Z') {
            return -1;
        }
        for (const int8_t f : m_slots[size_t(n)][size_t(key[0] - 'A')]) {
            if (f < 0) {
                break;
            }
            if (std::memcmp(key.data(), T::Fields()[size_t(f)].key, size_t(n)) == 0) {
                return f;
            }
        }
        return -1;
    }

private:
    static constexpr size_t kMaxLength = 11;
    // For each (length, first letter) the fields with that shape; few keys share both.
    std::array<std::array<std::array<int8_t, 3>, 26>, kMaxLength + 1> m_slots{};
};

template <class T> inline constexpr RecordKeys<T> kRecordKeys{};

// Calls f with each line of text as the record reader splits it: CR LF or a lone CR ends a line, a lone LF stays
// inside; a final line end yields no empty last line.
template <class F> void ForEachLine(QByteArrayView text, F&& f)
{
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n) {
        const char* cr = static_cast<const char*>(std::memchr(text.data() + start, '\r', size_t(n - start)));
        if (!cr) {
            f(text.sliced(start));
            return;
        }
        const qsizetype at = cr - text.data();
        f(text.sliced(start, at - start));
        start = (at + 1 < n && text[at + 1] == '\n') ? at + 2 : at + 1;
    }
}

// Removes the space character (only it) at both ends.
QByteArrayView TrimSpaces(QByteArrayView v)
{
    qsizetype b = 0;
    qsizetype e = v.size();
    while (b < e && v[b] == ' ') {
        ++b;
    }
    while (e > b && v[e - 1] == ' ') {
        --e;
    }
    return v.sliced(b, e - b);
}

// A decimal 32-bit signed number with an optional sign; nothing for any other text or a value out of range.
std::optional<int> ToInt(QByteArrayView value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        negative = value[i] == '-';
        ++i;
    }
    if (i == value.size()) {
        return std::nullopt;
    }
    qint64 n = 0;
    for (; i < value.size(); ++i) {
        const char c = value[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        n = n * 10 + (c - '0');
        if (n > qint64(INT_MAX) + 1) {
            return std::nullopt;
        }
    }
    n = negative ? -n : n;
    if (n > INT_MAX || n < INT_MIN) {
        return std::nullopt;
    }
    return int(n);
}

template <class T> QString RecordTextOf(const T& item)
{
    constexpr auto fields = T::Fields();
    // The keys as text once, so a record costs no conversion of them.
    static const auto keys = [] {
        std::array<QString, T::Fields().size()> text;
        for (size_t f = 0; f < text.size(); ++f) {
            text[f] = QString::fromLatin1(T::Fields()[f].key);
        }
        return text;
    }();
    QString text;
    text.reserve(1024);
    text += kHeader;
    text += u"\r\n";
    for (size_t f = 0; f < fields.size(); ++f) {
        const ItemField<T>& field = fields[f];
        switch (field.form) {
        case FieldForm::Number:
            text += keys[f];
            text += u" = ";
            text += QString::number(field.number(item));
            text += u"\r\n";
            break;
        case FieldForm::Line:
            text += keys[f];
            text += u" = ";
            text += MGeneral::FlattenLine(field.text(item));
            text += u"\r\n";
            break;
        case FieldForm::Lines:
            text += MGeneral::FormatMultiLine(keys[f], field.text(item));
            text += u"\r\n";
            break;
        case FieldForm::File:
            break;
        }
    }
    text += u"\r\n";
    return text;
}

template <class T> void ApplyRecordOf(T& item, QByteArrayView text)
{
    constexpr auto fields = T::Fields();
    // Values are gathered as views into the bytes and decoded once, at the end.
    std::array<QByteArrayView, fields.size()> single;
    std::array<QVarLengthArray<QByteArrayView, 8>, fields.size()> multi;

    ForEachLine(text, [&](QByteArrayView line) {
        const qsizetype eq = line.indexOf('=');
        if (line.isEmpty() || eq < 0 || TrimSpaces(line).startsWith('\'')) {
            return;
        }
        const int f = kRecordKeys<T>.Find(TrimSpaces(line.first(eq)));
        if (f < 0) {
            return;
        }
        const ItemField<T>& field = fields[size_t(f)];
        const QByteArrayView v = TrimSpaces(line.sliced(eq + 1));
        switch (field.form) {
        case FieldForm::Number:
            // A line that converts is taken at once: the id's setter acts once, so its first such line wins; of the
            // other numbers the last.
            if (const auto n = ToInt(v)) {
                field.setNumber(item, *n);
            }
            break;
        case FieldForm::Lines:
            // Lines of one key gather in file order, a CR LF before each but while the field is still empty.
            if (!multi[size_t(f)].isEmpty() || !v.isEmpty()) {
                multi[size_t(f)].append(v);
            }
            break;
        case FieldForm::Line:
            single[size_t(f)] = v; // the last line of a key wins
            break;
        case FieldForm::File:
            break;
        }
    });

    QVarLengthArray<char, 1024> joined;
    for (size_t f = 0; f < fields.size(); ++f) {
        const ItemField<T>& field = fields[f];
        if (field.form == FieldForm::Lines) {
            const auto& parts = multi[f];
            if (parts.isEmpty()) {
                field.setText(item, QString());
                continue;
            }
            joined.clear();
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0) {
                    joined.append("\r\n", 2);
                }
                joined.append(parts[i].data(), parts[i].size());
            }
            field.setText(item, AnsiText::Decode(QByteArrayView(joined.data(), joined.size())));
        } else if (field.form == FieldForm::Line) {
            field.setText(item, single[f].isEmpty() ? QString() : AnsiText::Decode(single[f]));
        }
    }
}

} // namespace

QString RecordText(const CItem& item)
{
    return Parts::VisitKind(item, [](const auto& typed) { return RecordTextOf(typed); });
}

void ApplyRecordBytes(CItem& item, QByteArrayView text)
{
    Parts::VisitKind(item, [text](auto& typed) { ApplyRecordOf(typed, text); });
}

namespace Parts {

std::vector<std::pair<QString, QByteArray>> RecordFiles(const CItem& item)
{
    std::vector<std::pair<QString, QByteArray>> files;
    files.emplace_back(kRecord, AnsiText::Encode(RecordText(item)));
    if (item.Kind() == ItemKind::Movie) {
        const auto& movie = static_cast<const CMovie&>(item);
        for (const ItemField<CMovie>& field : CMovie::Fields()) {
            if (field.form == FieldForm::File) {
                files.emplace_back(QString::fromLatin1(field.key),
                                   AnsiText::Encode(field.text(movie) + QStringLiteral("\r\n")));
            }
        }
    }
    return files;
}

QString ReadTextFile(SafeFile::StartedRead& read, QByteArray& file)
{
    if (read.Finish(file) != SafeFile::ReadStatus::Ok) {
        return {};
    }
    QByteArrayView raw = file;
    // Without a lone CR the line-by-line join only drops leading empty lines and the final line end.
    bool loneCr = false;
    for (qsizetype i = raw.indexOf('\r'); i >= 0 && !loneCr; i = raw.indexOf('\r', i + 1)) {
        loneCr = i + 1 == raw.size() || raw[i + 1] != '\n';
    }
    if (!loneCr) {
        while (raw.startsWith("\r\n")) {
            raw = raw.sliced(2);
        }
        if (raw.endsWith("\r\n")) {
            raw.chop(2);
        }
        return AnsiText::Decode(raw);
    }
    QByteArray text;
    text.reserve(raw.size());
    ForEachLine(raw, [&](QByteArrayView line) {
        if (!text.isEmpty()) {
            text += "\r\n";
        }
        text += line;
    });
    return AnsiText::Decode(text);
}

} // namespace Parts
} // namespace ItemStore
