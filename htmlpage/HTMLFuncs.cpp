#include "HTMLFuncs.h"

#include <algorithm>
#include <limits>

namespace HTMLFuncs {

thread_local QString strRowColor[2];
thread_local QString strLabelColor;
thread_local QString strTitleColor;
thread_local QString strHoverColor;
thread_local QString strTitleClass;
thread_local QString strDataClass;
thread_local qint32 lngBlockID = 0;

namespace {

const QLatin1String CRLF("\r\n");
const QLatin1Char Q('"');

bool AllAsciiDigits(QStringView text)
{
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

// The hover handlers shared by the clickable title bar and section headings, with their trailing blank.
QString HoverHandlers()
{
    return QLatin1String("OnMouseOver=") + Q + QLatin1String("this.style.backgroundColor='") + strHoverColor +
           QLatin1Char('\'') + Q + QLatin1Char(' ') + QLatin1String("OnMouseOut=") + Q +
           QLatin1String("this.style.backgroundColor='") + strTitleColor + QLatin1Char('\'') + Q + QLatin1Char(' ');
}

} // namespace

void InitModule()
{
    strRowColor[0] = QStringLiteral("EEEEFF");
    strRowColor[1] = QStringLiteral("DDDDFF");
    strLabelColor = QStringLiteral("BBBBFF");
    strTitleColor = QStringLiteral("AAAAFF");
    strHoverColor = QStringLiteral("0000FF");
    strTitleClass = QStringLiteral("largeheadersblack");
    strDataClass = QStringLiteral("Alldata");
}

void NextBlock()
{
    lngBlockID = lngBlockID == std::numeric_limits<qint32>::max() ? 0 : lngBlockID + 1;
}

QString BeginDoc(const QString& strHeader, const QString& strFrontCover, const QString& strBackCover,
                 const QString& strWidth, bool blSmallCover)
{
    const QString n = QString::number(lngBlockID);
    QString out;
    out.reserve(1024 + strHeader.size() + 2 * (strFrontCover.size() + strBackCover.size()));
    out += QLatin1String("<TABLE WIDTH=") + strWidth + QLatin1String(" Class=") + Q + strDataClass + Q +
           QLatin1String(" CellSpacing=2 BGCOLOR=") + strRowColor[0] + QLatin1String("> <TR>") + CRLF;
    out += QLatin1String("  <TD VALIGN=TOP WIDTH=100%>") + CRLF;
    out += QLatin1String("   <TABLE CELLSPACING=0 WIDTH=100%>") + CRLF;
    out += QLatin1String("    <TR>") + CRLF;
    out += QLatin1String("     <TD VALIGN=CENTER ALIGN=CENTER WIDTH=100% COLSPAN=2  BGCOLOR=") + strTitleColor +
           QLatin1Char(' ');
    if (blSmallCover) {
        // A nested item folds away by a click anywhere on its title bar.
        out += QLatin1String("OnClick=") + Q + QLatin1String("showhide('") + n + QLatin1String("');") + Q +
               QLatin1Char(' ') + HoverHandlers();
    }
    out += QLatin1Char('>') + CRLF;
    out += QLatin1String("      <b><Span Class=") + Q + strTitleClass + Q + QLatin1Char('>') + strHeader +
           QLatin1String("</Span></b> ") + CRLF;
    out += QLatin1String("     </TD>") + CRLF;
    out += QLatin1String("    </TR>") + CRLF;
    out += QLatin1String("    <TR") + QLatin1String(" ID=") + Q + n + Q + QLatin1Char('>') + CRLF;
    out += QLatin1String("     <TD Class=") + Q + QLatin1String("Alldata") + Q + QLatin1String(" VAlign=Top>") + CRLF;
    if (!strFrontCover.isEmpty()) {
        out += QLatin1String("       <a href=") + Q + strFrontCover + Q + QLatin1String("><Img src=") + Q +
               strFrontCover + Q +
               (blSmallCover ? QLatin1String(" Width=60 Border=0></a><br><br>")
                             : QLatin1String(" Width=160 Border=0></a><br><br>")) +
               CRLF;
    }
    if (!strBackCover.isEmpty() && !blSmallCover) {
        out += QLatin1String("       <a href=") + Q + strBackCover + Q + QLatin1String("><Img src=") + Q +
               strBackCover + Q + QLatin1String(" Width=160 Border=0></a>") + CRLF;
    }
    out += QLatin1String("     </TD>") + CRLF;
    out += QLatin1String("     <TD VAlign=Top Width=100%>") + CRLF;
    out += QLatin1String("      <TABLE Width=100% BGCOLOR=") + strRowColor[0] + QLatin1String(" Cellspacing=1") +
           QLatin1Char('>') + CRLF;
    NextBlock();
    return out;
}

QString ItemDoc(const QString& strHeader, const QString& strData, qint32 lngColor)
{
    QString out;
    out.reserve(300 + strHeader.size() + strData.size());
    out += QLatin1String("      <TR>") + CRLF;
    out += QLatin1String("       <TD VALIGN=TOP Class=") + Q + strDataClass + Q + QLatin1String(" BGCOLOR=") +
           strLabelColor + QLatin1Char('>') + CRLF;
    out += QLatin1String("        <b>") + strHeader + QLatin1String("</b>") + CRLF;
    out += QLatin1String("       </TD>") + CRLF;
    out += QLatin1String("       <TD VALIGN=TOP Class=") + Q + QLatin1String("Alldata") + Q +
           QLatin1String(" WIDTH=80% BGCOLOR=") + strRowColor[lngColor == 1 ? 1 : 0] + QLatin1Char('>') + CRLF;
    out += QLatin1String("        ") + strData + CRLF;
    out += QLatin1String("       </TD>") + CRLF;
    out += QLatin1String("      </TR>") + CRLF;
    return out;
}

QString DividerDoc(const QString& strHeader)
{
    const QString n = QString::number(lngBlockID);
    QString out;
    out += QLatin1String("       <TR>") + CRLF;
    out += QLatin1String("        <TD Colspan=2  BGCOLOR=") + strTitleColor +
           QLatin1String(" Width=100% Height=5 CLASS=") + Q + strDataClass + Q + QLatin1String(" OnClick=") + Q +
           QLatin1String("showhide('") + n + QLatin1String("')") + Q + QLatin1Char(' ') + HoverHandlers() +
           QLatin1Char('>') + QLatin1String("         <b>") + strHeader + QLatin1String("</b>") + CRLF;
    out += QLatin1String("</TD>") + CRLF;
    out += QLatin1String("       </TR>") + CRLF;
    return out;
}

QString BlockStart(bool blClosed)
{
    const QString n = QString::number(lngBlockID);
    QString out;
    out += QLatin1String("       <TR>") + CRLF;
    out += QLatin1String("        <TD Colspan=2  BGCOLOR=") + strRowColor[0] + QLatin1String(" Width=100% Height=5>") +
           QLatin1String("         <TABLE WIDTH=100% Cellspacing=1") + QLatin1String(" ID=") + Q + n + Q +
           (blClosed ? QLatin1String(" style=display:none") : QLatin1String("")) + QLatin1Char('>') + CRLF;
    return out;
}

QString BlockEnd()
{
    return QLatin1String("         </TABLE>") + QLatin1String("        </TD>") + QLatin1String("       </TR>") + CRLF;
}

QString EndDoc()
{
    static const char* const lines[] = {"     </TABLE>", "    </TD>", "   </TR>",  "  </TABLE>",
                                        "    </TD>",     "   </TR>",  "  </TABLE>"};
    QString out;
    for (const char* line : lines) {
        out += QLatin1String(line) + CRLF;
    }
    return out;
}

QString JavaCode()
{
    static const char* const lines[] = {
        "<script language=\"javascript\">",
        "<!--",
        "function showhide(blockid)",
        "{",
        "  var picid = \"Pitm_\" + blockid;",
        "  var item = document.all.item(blockid);",
        "  var pic = document.all.item(picid);",
        "  var visible = item.style.display;",
        "  if ( visible == \"none\" )",
        "  {",
        "    item.style.display = \"block\";",
        "  }",
        "  else",
        "  {",
        "    item.style.display = \"none\";",
        "  }",
        "}",
        "function SetBColor(blockid, sColor)",
        "{",
        "  var item = document.all.item(blockid);",
        "  item.BGCOLOR = sColor;",
        "}",
        "//-->",
        "</script>",
    };
    QString out;
    for (const char* line : lines) {
        out += QLatin1String(line) + CRLF;
    }
    return out;
}

QString NiceUPC(const QString& strUPC)
{
    // Only plain digit runs are grouped: signs, points or blanks would be read as a number and mangled.
    if (!AllAsciiDigits(strUPC)) {
        return strUPC;
    }
    if (strUPC.size() == 12) {
        return strUPC.mid(0, 1) + QLatin1Char(' ') + strUPC.mid(1, 5) + QLatin1Char(' ') + strUPC.mid(6, 5) +
               QLatin1Char(' ') + strUPC.mid(11, 1);
    }
    if (strUPC.size() == 13) {
        return strUPC.mid(0, 1) + QLatin1Char(' ') + strUPC.mid(1, 6) + QLatin1Char(' ') + strUPC.mid(7, 6);
    }
    return strUPC;
}

QString ItemText(const QString& text)
{
    // Most fields hold nothing to replace; they are shared, not copied.
    const auto special = [](QChar c) { return c == u'&' || c == u'<' || c == u'>' || c == u'"'; };
    if (std::none_of(text.begin(), text.end(), special)) {
        return text;
    }
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace HTMLFuncs
