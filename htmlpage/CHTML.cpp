#include "CHTML.h"

#include "AnsiText.h"
#include "CMovie.h"
#include "HTMLFuncs.h"
#include "PageLog.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFCollection.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <array>
#include <optional>
#include <string_view>

using namespace HTMLFuncs;

namespace {

const QLatin1String CRLF("\r\n");

// The field rows of one item, with the background that alternates after every row written.
class Rows
{
public:
    explicit Rows(QString& out) : m_out(out) {}
    void Add(const QString& label, const QString& value)
    {
        m_out += ItemDoc(label, value, m_color);
        m_color = 1 - m_color;
    }
    // A row only when its value is there; a row left out does not flip the colour.
    void AddIf(const QString& label, const QString& value)
    {
        if (!value.isEmpty()) {
            Add(label, value);
        }
    }

private:
    QString& m_out;
    qint32 m_color = 0;
};

QString Lines(const QString& text)
{
    QString out = text;
    return out.replace(CRLF, QLatin1String("<br>"));
}

QString Website(const QString& raw, const QString& text)
{
    // Only a web address becomes a link; anything else (a script address, a file) is shown as it reads.
    if (raw.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        raw.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        return QLatin1String("<a href=\"") + text + QLatin1String("\" Class=\"Alldata\" Target=_Blank>") + text +
               QLatin1String("</a>");
    }
    return text;
}

QString CastTable(const QString& cast)
{
    QString out = QLatin1String("     <TABLE width=100%>") + CRLF;
    // Split at CR alone: the LF of each pair starts the next piece and stays (the browser shows it as a blank).
    const QStringList pieces = cast.split(QLatin1Char('\r'));
    for (const QString& piece : pieces) {
        if (AnsiText::Trim(piece).isEmpty()) {
            continue;
        }
        const qsizetype colon = piece.indexOf(QLatin1Char(':'));
        const QString cell =
            QLatin1String("        <TD Class=\"") + strDataClass + QLatin1String("\" WIDTH=50%>") + CRLF;
        out += QLatin1String("       <TR>") + CRLF;
        out += cell;
        out += QLatin1String("         ") + (colon < 0 ? piece : piece.left(colon)) + CRLF;
        out += QLatin1String("        </TD>") + CRLF;
        out += cell;
        if (colon >= 0) {
            out += QLatin1String("         ") + piece.mid(colon + 1) + CRLF;
        }
        out += QLatin1String("        </TD>") + CRLF;
        out += QLatin1String("       </TR>") + CRLF;
    }
    out += QLatin1String("      </TABLE>") + CRLF;
    return out;
}

template <class U> using Getter = const QString& (U::*)() const;

// The exchange item's reader of the field with the tag; null when it has none.
template <class U, size_t N> constexpr Getter<U> GetterOf(const std::array<UEFField<U>, N>& fields, const char* tag)
{
    for (const UEFField<U>& field : fields) {
        if (std::string_view(field.tag) == tag) {
            return field.get;
        }
    }
    return nullptr;
}

// A row of a movie's page: its field, and where the exchange movie (and, for the description's fields, the exchange
// medium) keeps its text.
struct PageRow
{
    MovieField field{};
    PagePart part = PagePart::None;
    unsigned char place = 0;
    Getter<UEFMovie> movieText = nullptr;
    Getter<UEFMedia> mediaText = nullptr;
};

// The rows the movie's field list puts on the page, in the page's order. Paired with the exchange items' fields by tag
// when the program is built.
constexpr auto kMoviePage = [] {
    constexpr auto fields = CMovie::Fields();
    constexpr size_t count = [fields] {
        size_t n = 0;
        for (const ItemField<CMovie>& field : fields) {
            n += field.pagePart != PagePart::None ? 1 : 0;
        }
        return n;
    }();
    std::array<PageRow, count> rows{};
    size_t r = 0;
    for (size_t f = 0; f < fields.size(); ++f) {
        const ItemField<CMovie>& field = fields[f];
        if (field.pagePart == PagePart::None) {
            continue;
        }
        PageRow row{MovieField(f), field.pagePart, field.pagePlace, GetterOf(kMovieFields, field.exchange)};
        if (field.media) {
            row.mediaText = GetterOf(kMediaFields, field.exchange);
        }
        if (!row.movieText || (field.media && !row.mediaText)) {
            throw "the page shows a field the exchange item lacks";
        }
        // In page order as it goes: each row after every row before it in the page.
        size_t at = r++;
        for (; at > 0 &&
               (rows[at - 1].part > row.part || (rows[at - 1].part == row.part && rows[at - 1].place > row.place));
             --at) {
            rows[at] = rows[at - 1];
        }
        if (at > 0 && rows[at - 1].part == row.part && rows[at - 1].place == row.place) {
            throw "two fields take one place on the page";
        }
        rows[at] = row;
    }
    return rows;
}();

// The labels of the page's rows, by kMoviePage.
const std::array<QString, kMoviePage.size()>& MoviePageLabels()
{
    static const std::array<QString, kMoviePage.size()> labels = [] {
        std::array<QString, kMoviePage.size()> out;
        for (size_t r = 0; r < kMoviePage.size(); ++r) {
            out[r] = PageLabel(CMovie::Fields()[size_t(kMoviePage[r].field)]);
        }
        return out;
    }();
    return labels;
}

QString PartTitle(PagePart part)
{
    switch (part) {
    case PagePart::Details:
        return QStringLiteral("Details");
    case PagePart::Story:
        return QStringLiteral("Synopsis & notes");
    case PagePart::People:
        return QStringLiteral("Cast & crew");
    default:
        return QString();
    }
}

// Whether the page shows a field of the media description, given the medium (made safe for markup): the DVD's own
// fields for a DVD only, the laserdisc's type for a laserdisc only.
bool MediaRowShown(MovieField field, const QString& media)
{
    switch (field) {
    case MovieField::DVDRegion:
    case MovieField::DVDType:
    case MovieField::DVDCase:
        return media == QLatin1String("DVD");
    case MovieField::LDType:
        return AnsiText::UCase(media) == QLatin1String("LASERDISC");
    default:
        return true;
    }
}

// The media rows of a medium: the description's rows of a movie's page.
void MediaRows(Rows& rows, const UEFMedia& medium)
{
    const QString media = ItemText(medium.strMedia());
    for (size_t r = 0; r < kMoviePage.size(); ++r) {
        const PageRow& row = kMoviePage[r];
        if (row.mediaText && MediaRowShown(row.field, media)) {
            rows.AddIf(MoviePageLabels()[r], ItemText((medium.*row.mediaText)()));
        }
    }
}

// The "Extras:" row of a box or medium: its own list (own, made of extras), then its contents' (inner) after a line
// break. An extras text of blank lines still counts as the item's own.
void ExtrasRow(Rows& rows, const QString& extras, const QString& own, const QString& inner)
{
    if (!extras.isEmpty() && !inner.isEmpty()) {
        rows.Add(QStringLiteral("Extras:"), own + QLatin1String("<br>") + inner);
    } else if (!extras.isEmpty()) {
        rows.Add(QStringLiteral("Extras:"), own);
    } else if (!inner.isEmpty()) {
        rows.Add(QStringLiteral("Extras:"), inner);
    }
}

// The closing of one section: its rows were written, the next section gets the next id.
void EndSection(QString& out)
{
    out += BlockEnd();
    NextBlock();
}

} // namespace

CHTML::CHTML(QObject* parent) : QObject(parent)
{
    InitModule();
}

void CHTML::setUEF(std::shared_ptr<::UEF> document)
{
    m_UEF = std::move(document);
}

QString CHTML::HTML() const
{
    if (!m_UEF || !m_UEF->colUEF()) {
        return QString();
    }
    return GetCode(*m_UEF->colUEF(), false, false, 0);
}

QString CHTML::GetCode(const UEFCollection& colIn, bool blSub, bool blMedia, int depth) const
{
    QString out = JavaCode() + CRLF;
    // Contents nested deeper than any exchange text can carry are left out, so a tree that holds itself still ends.
    if (depth > UEFCollection::MaxDepth) {
        qCWarning(lcPage) << "contents nested deeper than" << UEFCollection::MaxDepth << "levels left off the page";
        return out;
    }
    for (const std::shared_ptr<QObject>& entry : colIn) {
        QObject* item = entry.get();
        if (const auto* movie = qobject_cast<const UEFMovie*>(item)) {
            out += ShowMovie(*movie, blSub, blMedia);
        } else if (const auto* media = qobject_cast<const UEFMedia*>(item)) {
            out += ShowMedia(*media, blSub, depth);
        } else if (const auto* box = qobject_cast<const UEFBox*>(item)) {
            out += ShowBox(*box, depth);
        }
    }
    return out;
}

QString CHTML::ShowMovie(const UEFMovie& objMovie, bool blSub, bool blMedia) const
{
    const QString media = ItemText(objMovie.strMedia());
    // A row's text, or none when the page leaves the row out. Every field enters the markup here, made safe once,
    // before its line breaks become tags.
    const auto rowText = [&](const PageRow& row) -> std::optional<QString> {
        const QString& raw = (objMovie.*row.movieText)();
        const auto shown = [](const QString& text) { return text.isEmpty() ? std::nullopt : std::optional(text); };
        if (row.mediaText && (blMedia || !MediaRowShown(row.field, media))) {
            return std::nullopt;
        }
        switch (row.field) {
        case MovieField::UPC:
            return blSub ? std::nullopt : shown(ItemText(NiceUPC(raw)));
        case MovieField::Subtitles: {
            QString subtitles = ItemText(raw).replace(CRLF, QLatin1String(", "));
            if (subtitles.endsWith(QLatin1String(", "))) {
                subtitles.chop(2);
            }
            return shown(subtitles);
        }
        case MovieField::Website: {
            const QString website = ItemText(raw);
            return website.isEmpty() ? std::nullopt : std::optional(Website(raw, website));
        }
        case MovieField::Extras: {
            const QString extras = ItemText(raw);
            return blSub || extras.isEmpty() ? std::nullopt : std::optional(BulletList(extras, QString()));
        }
        case MovieField::Cast: {
            const QString cast = ItemText(raw);
            return cast.isEmpty() ? std::nullopt : std::optional(CastTable(cast));
        }
        default:
            const bool line = CMovie::Fields()[size_t(row.field)].form == FieldForm::Line;
            return shown(line ? ItemText(raw) : Lines(ItemText(raw)));
        }
    };

    NextBlock();
    QString out = BeginDoc(ItemText(objMovie.strTitle()), ItemText(objMovie.strFrontCoverURL()),
                           ItemText(objMovie.strBackCoverURL()), QStringLiteral("100%"), blSub);
    Rows rows(out);
    std::array<std::optional<QString>, kMoviePage.size()> texts;
    for (size_t r = 0; r < kMoviePage.size(); ++r) {
        texts[r] = rowText(kMoviePage[r]);
    }
    // Part by part; a part after the head has its divider and section, and only when it shows a row.
    for (size_t first = 0, end = 0; first < kMoviePage.size(); first = end) {
        const PagePart part = kMoviePage[first].part;
        bool any = false;
        for (end = first; end < kMoviePage.size() && kMoviePage[end].part == part; ++end) {
            any = any || texts[end].has_value();
        }
        if (!any) {
            continue;
        }
        const bool section = part != PagePart::Head;
        if (section) {
            out += DividerDoc(PartTitle(part)) + BlockStart(blSub);
        }
        for (size_t r = first; r < end; ++r) {
            if (texts[r]) {
                rows.Add(MoviePageLabels()[r], *texts[r]);
            }
        }
        if (section) {
            EndSection(out);
        }
    }

    out += EndDoc();
    return out + CRLF;
}

QString CHTML::ShowMedia(const UEFMedia& objMedia, bool blSub, int depth) const
{
    const QString extras = ItemText(objMedia.strExtras());
    const UEFCollection& contents = *objMedia.colContents();

    NextBlock();
    QString out = BeginDoc(ItemText(objMedia.strName()), ItemText(objMedia.strFrontCoverURL()),
                           ItemText(objMedia.strBackCoverURL()), QStringLiteral("100%"), blSub);
    Rows rows(out);
    if (!blSub) {
        rows.AddIf(QStringLiteral("UPC / EAN:"), ItemText(NiceUPC(objMedia.strUPC())));
    }
    MediaRows(rows, objMedia);
    if (!blSub) {
        ExtrasRow(rows, extras, BulletList(extras, QString()), MediaExtras(contents, QString()));
    }
    if (contents.Count() > 0) {
        rows.Add(QStringLiteral("Contents:"), GetCode(contents, true, true, depth + 1));
    }
    out += EndDoc();
    return out + CRLF;
}

QString CHTML::ShowBox(const UEFBox& objBox, int depth) const
{
    const QString extras = ItemText(objBox.strExtras());
    const UEFCollection& contents = *objBox.colContents();

    NextBlock();
    QString out = BeginDoc(ItemText(objBox.strName()), ItemText(objBox.strFrontCoverURL()),
                           ItemText(objBox.strBackCoverURL()), QStringLiteral("100%"), false);
    Rows rows(out);
    rows.AddIf(QStringLiteral("UPC / EAN:"), ItemText(NiceUPC(objBox.strUPC())));
    ExtrasRow(rows, extras, BulletList(extras, QString()), BoxExtras(contents));
    if (contents.Count() > 0) {
        rows.Add(QStringLiteral("Contents:"), GetCode(contents, true, true, depth + 1));
    }
    out += EndDoc();
    return out + CRLF;
}

QString CHTML::BulletList(const QString& strIn, const QString& strComment)
{
    QString out;
    const QStringList lines = strIn.split(CRLF);
    for (const QString& line : lines) {
        if (AnsiText::Trim(line).isEmpty()) {
            continue;
        }
        if (!out.isEmpty()) {
            out += QLatin1String("<br>");
        }
        out += QLatin1String("<LI>") + line;
        if (!strComment.isEmpty()) {
            out += QLatin1String(" (") + strComment + QLatin1Char(')');
        }
    }
    return out;
}

QString CHTML::MediaExtras(const UEFCollection& colData, const QString& strMediaName)
{
    QString out;
    for (const std::shared_ptr<QObject>& entry : colData) {
        const auto* movie = qobject_cast<const UEFMovie*>(entry.get());
        if (!movie || movie->strExtras().isEmpty()) {
            continue;
        }
        if (!out.isEmpty()) {
            out += QLatin1String("<br>");
        }
        const QString title = ItemText(movie->strTitle());
        out += BulletList(ItemText(movie->strExtras()),
                          strMediaName.isEmpty() ? title : strMediaName + QLatin1String(": ") + title);
    }
    return out;
}

QString CHTML::BoxExtras(const UEFCollection& colData)
{
    QString out;
    for (const std::shared_ptr<QObject>& entry : colData) {
        QObject* item = entry.get();
        if (const auto* movie = qobject_cast<const UEFMovie*>(item)) {
            if (movie->strExtras().isEmpty()) {
                continue;
            }
            if (!out.isEmpty()) {
                out += QLatin1String("<br>");
            }
            out += BulletList(ItemText(movie->strExtras()), ItemText(movie->strTitle()));
        } else if (const auto* media = qobject_cast<const UEFMedia*>(item)) {
            const QString name = ItemText(media->strName());
            const QString inner = MediaExtras(*media->colContents(), name);
            if (media->strExtras().isEmpty() && inner.isEmpty()) {
                continue;
            }
            if (!out.isEmpty() && !media->strExtras().isEmpty()) {
                out += QLatin1String("<br>");
            }
            out += BulletList(ItemText(media->strExtras()), name);
            if (!inner.isEmpty()) {
                if (!out.isEmpty()) {
                    out += QLatin1String("<br>");
                }
                out += inner;
            }
        }
    }
    return out;
}

namespace {

// The page around the fragment: up to the body's start, and after the body.
const QString& PageHead()
{
    static const char* const style[] = {
        "<style type=text/css>",
        "<!--",
        "/* headersBlack - All headers */",
        " .headersblack       { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; font-style: bold; "
        "color: black;}",
        "A.headersblack       { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; font-style: bold; "
        "color: black; text-decoration: none}",
        "A.headersblack:hover { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; font-style: bold; "
        "color: black; text-decoration: underline}",
        "/* LargeheadersBlack - All large headers */",
        " .largeheadersblack       { font-family: Arial, Helvetica; font-size: 15px; line-height: 15px; font-style: "
        "bold; color: black;}",
        "A.largeheadersblack       { font-family: Arial, Helvetica; font-size: 15px; line-height: 15px; font-style: "
        "bold; color: black; text-decoration: none}",
        "A.largeheadersblack:hover { font-family: Arial, Helvetica; font-size: 15px; line-height: 15px; font-style: "
        "bold; color: black; text-decoration: underline}",
        "/* ALLData - All other data */",
        ".alldata       { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; font-style: normal; "
        "color: black;}",
        "A.alldata       { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; font-style: normal; "
        "color: black; text-decoration: none}",
        "A.alldata:hover { font-family: Arial, Helvetica; font-size: 11px; line-height: 11px; font-style: normal; "
        "color: black; text-decoration: underline}",
        "//-->",
        "</style>",
    };
    static const QString head = []() -> QString {
        QString out = QStringLiteral("<HTML><HEAD>");
        for (const char* piece : style) {
            out += QLatin1String(piece);
        }
        out += QLatin1String("</HEAD><BODY BGCOLOR=FFFFFF>");
        return out;
    }();
    return head;
}

const QLatin1String kPageTail("</BODY></HTML>");

} // namespace

QString CHTML::WrapPage(const QString& strFragment)
{
    QString out = PageHead() + strFragment + kPageTail;
    return out;
}

QByteArray CHTML::WrapPageAnsi(QStringView strFragment)
{
    // Each piece is encoded straight into the page's bytes: a large page is never copied whole as text first.
    const QString& head = PageHead();
    QByteArray out;
    out.reserve(head.size() + strFragment.size() + kPageTail.size());
    out += AnsiText::Encode(head);
    out += AnsiText::Encode(strFragment);
    out += kPageTail;
    return out;
}
