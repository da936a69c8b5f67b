#include "CHTML.h"

#include "AnsiText.h"
#include "HTMLFuncs.h"
#include "PageLog.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFCollection.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

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

// The media rows of a movie or medium; every argument is already item text made safe for markup.
void MediaRows(Rows& rows, const QString& media, const QString& region, const QString& dvdType, const QString& ldType,
               const QString& dvdCase)
{
    const bool dvd = media == QLatin1String("DVD");
    rows.AddIf(QStringLiteral("Media:"), media);
    if (dvd) {
        rows.AddIf(QStringLiteral("DVD region:"), region);
        rows.AddIf(QStringLiteral("DVD type:"), dvdType);
    }
    if (AnsiText::UCase(media) == QLatin1String("LASERDISC")) {
        rows.AddIf(QStringLiteral("LD type:"), ldType);
    }
    if (dvd) {
        rows.AddIf(QStringLiteral("DVD case:"), dvdCase);
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
    // Every field enters the markup here, made safe once, before its line breaks become tags.
    const QString title = ItemText(objMovie.strTitle());
    const QString extras = ItemText(objMovie.strExtras());
    const QString country = ItemText(objMovie.strCountry());
    const QString year = ItemText(objMovie.strYear());
    const QString length = ItemText(objMovie.strLength());
    const QString studio = ItemText(objMovie.strStudio());
    const QString website = ItemText(objMovie.strWebsite());
    const QString synopsis = ItemText(objMovie.strSynopsis());
    const QString notes = ItemText(objMovie.strNotes());
    const QString writer = ItemText(objMovie.strWriter());
    const QString director = ItemText(objMovie.strDirector());
    const QString producer = ItemText(objMovie.strProducer());
    const QString cast = ItemText(objMovie.strCast());

    NextBlock();
    QString out = BeginDoc(title, ItemText(objMovie.strFrontCoverURL()), ItemText(objMovie.strBackCoverURL()),
                           QStringLiteral("100%"), blSub);
    Rows rows(out);
    rows.AddIf(QStringLiteral("Label:"), ItemText(objMovie.strLabel()));
    if (!blSub) {
        rows.AddIf(QStringLiteral("UPC / EAN:"), ItemText(NiceUPC(objMovie.strUPC())));
    }
    if (!blMedia) {
        MediaRows(rows, ItemText(objMovie.strMedia()), ItemText(objMovie.strDVDRegion()),
                  ItemText(objMovie.strDVDType()), ItemText(objMovie.strLDType()), ItemText(objMovie.strDVDCase()));
    }
    rows.AddIf(QStringLiteral("System:"), ItemText(objMovie.strSystem()));
    rows.AddIf(QStringLiteral("Video:"), Lines(ItemText(objMovie.strPicture())));
    rows.AddIf(QStringLiteral("Audio:"), Lines(ItemText(objMovie.strSoundmix())));
    QString subtitles = ItemText(objMovie.strSubtitles()).replace(CRLF, QLatin1String(", "));
    if (subtitles.endsWith(QLatin1String(", "))) {
        subtitles.chop(2);
    }
    rows.AddIf(QStringLiteral("Subtitles:"), subtitles);

    const bool showExtras = !blSub && !extras.isEmpty();
    if (!country.isEmpty() || !year.isEmpty() || !length.isEmpty() || !studio.isEmpty() || !website.isEmpty() ||
        showExtras) {
        out += DividerDoc(QStringLiteral("Details")) + BlockStart(blSub);
        rows.AddIf(QStringLiteral("Country:"), country);
        rows.AddIf(QStringLiteral("Year:"), year);
        rows.AddIf(QStringLiteral("Length:"), length);
        rows.AddIf(QStringLiteral("Studio:"), studio);
        if (!website.isEmpty()) {
            rows.Add(QStringLiteral("Website:"), Website(objMovie.strWebsite(), website));
        }
        if (showExtras) {
            rows.Add(QStringLiteral("Extras:"), BulletList(extras, QString()));
        }
        EndSection(out);
    }

    if (!synopsis.isEmpty() || !notes.isEmpty()) {
        out += DividerDoc(QStringLiteral("Synopsis & notes")) + BlockStart(blSub);
        rows.AddIf(QStringLiteral("Synopsis:"), Lines(synopsis));
        rows.AddIf(QStringLiteral("Notes:"), Lines(notes));
        EndSection(out);
    }

    if (!writer.isEmpty() || !director.isEmpty() || !producer.isEmpty() || !cast.isEmpty()) {
        out += DividerDoc(QStringLiteral("Cast & crew")) + BlockStart(blSub);
        rows.AddIf(QStringLiteral("Writer(s):"), Lines(writer));
        rows.AddIf(QStringLiteral("Director(s):"), Lines(director));
        rows.AddIf(QStringLiteral("Producer(s):"), Lines(producer));
        if (!cast.isEmpty()) {
            rows.Add(QStringLiteral("Cast:"), CastTable(cast));
        }
        EndSection(out);
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
    MediaRows(rows, ItemText(objMedia.strMedia()), ItemText(objMedia.strDVDRegion()), ItemText(objMedia.strDVDType()),
              ItemText(objMedia.strLDType()), ItemText(objMedia.strDVDCase()));
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
