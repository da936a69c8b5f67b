#include "LocalRequestInterceptor.h"
#include "PrintPreview.h"
#include "SafeFile.h"
#include "WebBrowser.h"
#include "WebPage.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPdfDocument>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>
#include <QtTest>

namespace {

const QString kTitle = QStringLiteral("The Quiet Harbour");
constexpr int kLoadTimeoutMs = 30000;

const char* const kCRLF = "\r\n";

// The page head and style block every item page carries.
QString PageHead()
{
    return QStringLiteral(
        "<HTML><HEAD><style type=text/css><!--/* headersBlack - All headers */ .headersblack       { font-family: "
        "Arial, Helvetica; font-size: 11px; line-height: 11px; font-style: bold; color: black;}/* LargeheadersBlack - "
        "All large headers */ .largeheadersblack       { font-family: Arial, Helvetica; font-size: 15px; line-height: "
        "15px; font-style: bold; color: black;}/* ALLData - All other data */.alldata       { font-family: Arial, "
        "Helvetica; font-size: 11px; line-height: 11px; font-style: normal; color: black;}//--></style>"
        "</HEAD><BODY BGCOLOR=FFFFFF>");
}

// The fold script exactly as the page builder writes it.
QString FoldScript()
{
    const char* lines[] = {
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
        out += QLatin1String(line) + QLatin1String(kCRLF);
    }
    return out;
}

QString Row(const QString& label, const QString& value)
{
    return QStringLiteral(
               "      <TR>\r\n       <TD VALIGN=TOP Class=\"Alldata\" BGCOLOR=BBBBFF>\r\n        <b>%1</b>\r\n"
               "       </TD>\r\n       <TD VALIGN=TOP Class=\"Alldata\" WIDTH=80% BGCOLOR=EEEEFF>\r\n"
               "        %2\r\n       </TD>\r\n      </TR>\r\n")
        .arg(label, value);
}

QString Section(int id, const QString& heading, bool closed, const QString& rows)
{
    const QString n = QString::number(id);
    return QStringLiteral("       <TR>\r\n        <TD Colspan=2  BGCOLOR=AAAAFF Width=100% Height=5 CLASS=\"Alldata\" "
                          "OnClick=\"showhide('%1')\" OnMouseOver=\"this.style.backgroundColor='0000FF'\" "
                          "OnMouseOut=\"this.style.backgroundColor='AAAAFF'\" >         <b>%2</b>\r\n</TD>\r\n"
                          "       </TR>\r\n")
               .arg(n, heading) +
           QStringLiteral("       <TR>\r\n        <TD Colspan=2  BGCOLOR=EEEEFF Width=100% Height=5>         "
                          "<TABLE WIDTH=100% Cellspacing=1 ID=\"%1\"%2>\r\n")
               .arg(n, closed ? QStringLiteral(" style=display:none") : QString()) +
           rows + QStringLiteral("         </TABLE>        </TD>       </TR>\r\n");
}

// One item with a clickable title bar (id 1) and two sections: 2 open, 3 closed. The ids are small numbers on
// purpose: as indexes into document.all they name the page's first elements.
QString ItemPage(const QString& cover, const QString& extraRows = QString())
{
    QString body = FoldScript();
    body += QStringLiteral("<TABLE WIDTH=100% Class=\"Alldata\" CellSpacing=2 BGCOLOR=EEEEFF> <TR>\r\n"
                           "  <TD VALIGN=TOP WIDTH=100%>\r\n   <TABLE CELLSPACING=0 WIDTH=100%>\r\n    <TR>\r\n"
                           "     <TD VALIGN=CENTER ALIGN=CENTER WIDTH=100% COLSPAN=2  BGCOLOR=AAAAFF "
                           "OnClick=\"showhide('1');\" OnMouseOver=\"this.style.backgroundColor='0000FF'\" "
                           "OnMouseOut=\"this.style.backgroundColor='AAAAFF'\" >\r\n"
                           "      <b><Span Class=\"largeheadersblack\">%1</Span></b> \r\n     </TD>\r\n    </TR>\r\n"
                           "    <TR ID=\"1\">\r\n     <TD Class=\"Alldata\" VAlign=Top>\r\n")
                .arg(kTitle);
    if (!cover.isEmpty()) {
        body += QStringLiteral("       <a id=cover href=\"%1\"><Img src=\"%1\" Width=60 Border=0></a><br><br>\r\n")
                    .arg(cover);
    }
    body += QStringLiteral("     </TD>\r\n     <TD VAlign=Top Width=100%>\r\n"
                           "      <TABLE Width=100% BGCOLOR=EEEEFF Cellspacing=1>\r\n");
    body += Row(QStringLiteral("Title:"), kTitle) + extraRows;
    body += Section(2, QStringLiteral("Details"), false, Row(QStringLiteral("Year:"), QStringLiteral("1987")));
    body += Section(3, QStringLiteral("Cast"), true, Row(QStringLiteral("Starring:"), QStringLiteral("A. Nobody")));
    body += QStringLiteral("     </TABLE>\r\n    </TD>\r\n   </TR>\r\n  </TABLE>\r\n    </TD>\r\n   </TR>\r\n"
                           "  </TABLE>\r\n");
    return PageHead() + body + QStringLiteral("</BODY></HTML>\r\n");
}

bool WriteText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toLatin1()) >= 0;
}

int PdfPages(const QString& path)
{
    QPdfDocument document;
    return document.load(path) == QPdfDocument::Error::None ? document.pageCount() : -1;
}

// The horizontal resolution of each image in a PDF file, by page (pdfimages -list); empty when it cannot be read.
QMap<int, QList<int>> PdfImageResolutions(const QString& path)
{
    QProcess list;
    list.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
    QMap<int, QList<int>> found;
    if (!list.waitForFinished(30000)) {
        return found;
    }
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    const QStringList lines = QString::fromUtf8(list.readAllStandardOutput()).split(u'\n');
    for (const QString& line : lines.mid(2)) {
        const QStringList fields = line.simplified().split(u' ');
        if (fields.size() >= 14) {
            found[fields.at(0).toInt()].append(fields.at(12).toInt());
        }
    }
    return found;
}

// Whether an image holds anything but white.
bool HasInk(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qGray(line[x]) < 200) {
                return true;
            }
        }
    }
    return false;
}

QString PdfText(const QString& path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000)) {
        return QString();
    }
    return QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
}

} // namespace

class TestWebBrowser : public QObject
{
    Q_OBJECT

private:
    // Opens the print preview as the Preview command does and closes it once it shows pages: how many it held, or -1
    // when the command failed or no preview opened.
    int PreviewPageCount()
    {
        int pages = 0;
        bool seen = false;
        AnswerModal<PrintPreview>(
            [&pages](PrintPreview* dialog) {
                pages = dialog->pageCount();
                return pages > 0;
            },
            &seen);
        const bool ran = m_browser->ExecWB(WebBrowser::OLECMDID_PRINTPREVIEW, WebBrowser::OLECMDEXECOPT_DODEFAULT);
        return ran && seen ? pages : -1;
    }

    QTemporaryDir m_dir;
    QTcpServer m_server; // plays a web site on loopback; nothing may reach it
    QString m_pagePath;
    QString m_coverPath;
    QString m_otherPath;
    QString m_longPath; // an item page of many printed pages
    WebBrowser* m_browser = nullptr;
    QList<QUrl> m_opened;

    QVariant Js(const QString& code)
    {
        QVariant result;
        bool done = false;
        m_browser->webPage()->runJavaScript(code, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 10000)) {
            qWarning("script did not answer");
        }
        return result;
    }

    bool Show(const QString& path)
    {
        QSignalSpy loaded(m_browser, &WebBrowser::DocumentComplete);
        if (!m_browser->Navigate2(path)) {
            return false;
        }
        if (!loaded.wait(kLoadTimeoutMs) || !loaded.last().at(1).toBool()) {
            return false;
        }
        // A load that a late stop of the row before cut short is asked for again by the pane, so the page counts as
        // shown once the engine holds all of it, not at the first completion.
        return QTest::qWaitFor(
            [&] {
                return m_browser->LocationURL() == QUrl::fromLocalFile(path) &&
                       Js(QStringLiteral("document.readyState")).toString() == QLatin1String("complete");
            },
            10000);
    }

    // The middle of the element with the id, in the pane's page surface.
    QPoint ElementCentre(const QString& id)
    {
        const QVariantList box =
            Js(QStringLiteral("(function () { var e = document.getElementById('%1'); e.scrollIntoView(); "
                              "var r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; "
                              "})()")
                   .arg(id))
                .toList();
        return box.size() == 2 ? QPoint(qRound(box.at(0).toDouble()), qRound(box.at(1).toDouble())) : QPoint(-1, -1);
    }

    // A left click as the window system delivers it: to the pane's window, at a point of widget.
    void ClickWindow(const QPoint& at, QWidget* widget)
    {
        QWindow* window = m_browser->window()->windowHandle();
        QVERIFY(window);
        const QPoint inWindow = widget->mapTo(m_browser->window(), at);
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, inWindow);
    }

    QString Display(int id)
    {
        return Js(QStringLiteral("getComputedStyle(document.getElementById('%1')).display").arg(id)).toString();
    }

    // Answers the next modal dialog of the given kind once ready() says so: closes it, or accepts it.
    template <typename Dialog> void AnswerModal(std::function<bool(Dialog*)> ready, bool* seen, bool accept = false)
    {
        auto* timer = new QTimer(this);
        timer->setInterval(50);
        connect(timer, &QTimer::timeout, this, [timer, ready, seen, accept] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (dialog && ready(dialog)) {
                *seen = true;
                timer->deleteLater();
                accept ? dialog->accept() : dialog->reject();
            }
        });
        timer->start();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        const QString site = QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());

        m_coverPath = m_dir.filePath(QStringLiteral("F0jpg"));
        QImage cover(24, 32, QImage::Format_RGB32);
        cover.fill(Qt::darkBlue);
        QVERIFY(cover.save(m_coverPath, "PNG"));
        m_otherPath = m_dir.filePath(QStringLiteral("other.html"));
        QVERIFY(WriteText(m_otherPath, QStringLiteral("<HTML><BODY>other</BODY></HTML>")));

        // Links as the page builder writes them, plus what a field's text might smuggle in.
        const QString links =
            Row(QStringLiteral("Website:"),
                QStringLiteral("<a id=site href=\"%1/site\" Class=\"Alldata\" Target=_Blank>%1/site</a>").arg(site)) +
            Row(QStringLiteral("Plain:"), QStringLiteral("<a id=plain href=\"%1/plain\">plain</a>").arg(site)) +
            Row(QStringLiteral("Other:"),
                QStringLiteral("<a id=other href=\"%1\">other</a>").arg(QUrl::fromLocalFile(m_otherPath).toString())) +
            Row(QStringLiteral("Ftp:"), QStringLiteral("<a id=ftp href=\"ftp://127.0.0.1/x\">ftp</a>")) +
            Row(QStringLiteral("Remote:"),
                QStringLiteral("<img src=\"%1/remote.png\" Width=1><script>try { fetch('%1/fetch'); "
                               "var x = new XMLHttpRequest(); x.open('GET', '%1/xhr'); x.send(); } catch (e) {}"
                               "</script>")
                    .arg(site));
        m_pagePath = m_dir.filePath(QStringLiteral("M12.html"));
        QVERIFY(WriteText(m_pagePath, ItemPage(m_coverPath, links)));
        QString rows;
        for (int i = 1; i <= 400; ++i) {
            rows += Row(QStringLiteral("Line %1:").arg(i), QStringLiteral("Text of line %1").arg(i));
        }
        m_longPath = m_dir.filePath(QStringLiteral("B1.html"));
        QVERIFY(WriteText(m_longPath, ItemPage(m_coverPath, rows)));

        m_browser = new WebBrowser;
        m_browser->setObjectName(QStringLiteral("webObject"));
        m_browser->resize(900, 700);
        m_browser->setExternalOpener([this](const QUrl& url) { m_opened.append(url); });
        m_browser->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_browser));
    }

    void cleanupTestCase()
    {
        delete m_browser;
        m_browser = nullptr;
    }

    void init()
    {
        m_opened.clear();
        QVERIFY(Show(m_pagePath));
    }

    void navigationFallsBackAndRefusesRemote()
    {
        // A text the extended call cannot read is left to the plain call.
        const QString relative = QStringLiteral("M12.html");
        QVERIFY(!m_browser->Navigate2(relative));
        QVERIFY(!m_browser->Navigate2(QStringLiteral("http://127.0.0.1/")));
        QVERIFY(!m_browser->Navigate(QStringLiteral("https://127.0.0.1/")));
        QSignalSpy loaded(m_browser, &WebBrowser::DocumentComplete);
        QVERIFY(m_browser->Navigate2(QStringLiteral("about:blank")));
        QVERIFY(loaded.wait(kLoadTimeoutMs));
        QCOMPARE(m_browser->LocationURL(), QUrl(QStringLiteral("about:blank")));
        QVERIFY(loaded.last().at(1).toBool());

        // A page file that could not be written still ends its load, on the engine's own page.
        loaded.clear();
        const QString missing = m_dir.filePath(QStringLiteral("missing.html"));
        QVERIFY(m_browser->Navigate(missing));
        QVERIFY(loaded.wait(kLoadTimeoutMs));
        QCOMPARE(loaded.last().at(0).toUrl(), QUrl::fromLocalFile(missing));
        QCOMPARE(loaded.last().at(1).toBool(), false);
    }

    void scriptedClickFoldsOnlyThatSection_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("displays"); // of the elements with ids 1, 2 and 3 afterwards

        QTest::newRow("open section") << 2 << 1 << QStringList{"table-row", "none", "none"};
        QTest::newRow("open section twice") << 2 << 2 << QStringList{"table-row", "table", "none"};
        QTest::newRow("closed section") << 3 << 1 << QStringList{"table-row", "table", "table"};
        QTest::newRow("title bar") << 1 << 1 << QStringList{"none", "table", "none"};
        QTest::newRow("title bar twice") << 1 << 2 << QStringList{"table-row", "table", "none"};
    }
    void scriptedClickFoldsOnlyThatSection()
    {
        QFETCH(int, clicked);
        QFETCH(int, clicks);
        QFETCH(QStringList, displays);

        const QStringList before{Display(1), Display(2), Display(3)};
        QCOMPARE(before, (QStringList{"table-row", "table", "none"}));
        const QString click =
            QStringLiteral("(function () { var hit = 0; document.querySelectorAll('[onclick]').forEach("
                           "function (e) { if (e.getAttribute('onclick').indexOf(\"showhide('%1')\") === 0) "
                           "{ e.click(); ++hit; } }); return hit; })()")
                .arg(clicked);
        for (int i = 0; i < clicks; ++i) {
            QCOMPARE(Js(click).toInt(), 1);
        }
        QCOMPARE((QStringList{Display(1), Display(2), Display(3)}), displays);
        // The page text itself is untouched: the document holds no style element of ours.
        QCOMPARE(Js(QStringLiteral("document.getElementsByTagName('style').length")).toInt(), 1);
    }

    // While a long page is parsed only its top is laid out and shown (the whole would otherwise be laid out again
    // after each of its script blocks); once parsed, every item shows as written.
    void onlyTopLaidOutWhileParsing()
    {
        const QString path = m_dir.filePath(QStringLiteral("parsing.html"));
        QString tables;
        for (int i = 1; i <= 30; ++i) {
            tables += QStringLiteral("<TABLE ID=\"t%1\"><TR><TD>item %1</TD></TR></TABLE>\r\n").arg(i);
        }
        QVERIFY(WriteText(path, PageHead() + FoldScript() + tables +
                                    QStringLiteral("<script>"
                                                   "window.top1 = document.getElementById('t1').offsetHeight;"
                                                   "window.last = document.getElementById('t30').offsetHeight;"
                                                   "</script>") +
                                    FoldScript() + QStringLiteral("</BODY></HTML>\r\n")));
        QSignalSpy loaded(m_browser, &WebBrowser::DocumentComplete);
        QVERIFY(m_browser->Navigate2(path));
        QVERIFY(loaded.wait(kLoadTimeoutMs));
        QVERIFY(Js(QStringLiteral("window.top1")).toInt() > 0);
        QCOMPARE(Js(QStringLiteral("window.last")).toInt(), 0);
        QVERIFY(Js(QStringLiteral("document.getElementById('t30').offsetHeight")).toInt() > 0);
        QCOMPARE(Js(QStringLiteral("Array.prototype.filter.call(document.querySelectorAll('body > table'), "
                                   "function (e) { return getComputedStyle(e).display === 'none'; }).length"))
                     .toInt(),
                 0);
    }

    // Text the page gives no font, and text in the pages' own "Arial, Helvetica", is set in a sans-serif face.
    void pagesReadInSansSerif()
    {
        const QWebEngineSettings* settings = m_browser->webPage()->settings();
        QCOMPARE(settings->fontFamily(QWebEngineSettings::StandardFont),
                 settings->fontFamily(QWebEngineSettings::SansSerifFont));
        const QVariantList widths =
            Js(QStringLiteral("(function () {"
                              "  var text = 'The Quiet Harbour, Wide Waves 1234 iiilll WWWmmm';"
                              "  return ['', 'sans-serif', 'serif', 'Arial, Helvetica'].map(function (f) {"
                              "    var s = document.createElement('span'); s.textContent = text;"
                              "    s.style.fontSize = '40px'; if (f) s.style.fontFamily = f;"
                              "    document.body.appendChild(s); var w = s.getBoundingClientRect().width;"
                              "    s.remove(); return w; });"
                              "})()"))
                .toList();
        QCOMPARE(widths.size(), 4);
        QCOMPARE(widths[0].toDouble(), widths[1].toDouble());
        QVERIFY(widths[0].toDouble() != widths[2].toDouble());
        QVERIFY(widths[3].toDouble() != widths[2].toDouble());
    }

    // A right click offers copy and select all, nothing that leaves the item; both work on the page shown.
    void contextMenuKeepsItemInView()
    {
        std::unique_ptr<QMenu> menu(m_browser->createContextMenu());
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0], m_browser->webPage()->action(QWebEnginePage::Copy));
        QCOMPARE(actions[1], m_browser->webPage()->action(QWebEnginePage::SelectAll));
        actions[1]->trigger();
        QVERIFY(QTest::qWaitFor(
            [&] { return Js(QStringLiteral("String(window.getSelection())")).toString().contains(kTitle); }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return actions[0]->isEnabled(); }, 5000));
        QApplication::clipboard()->clear();
        actions[0]->trigger();
        QVERIFY(QTest::qWaitFor([] { return QApplication::clipboard()->text().contains(kTitle); }, 5000));
        QCOMPARE(m_browser->LocationURL(), QUrl::fromLocalFile(m_pagePath));

        // The real right click, through the engine: the pane's own menu comes up, not the engine's.
        QWidget* surface = m_browser->view()->focusProxy();
        QVERIFY(surface);
        const QPoint point(surface->width() / 2, surface->height() / 2);
        QTest::mouseClick(surface, Qt::RightButton, Qt::NoModifier, point);
        QMenu* shown = nullptr;
        const bool popped = QTest::qWaitFor(
            [&] {
                shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                return shown != nullptr;
            },
            5000);
        if (!popped) {
            QSKIP("the engine delivered no context-menu request under this platform");
        }
        QCOMPARE(shown->objectName(), QStringLiteral("mnuBrowserContext"));
        QCOMPARE(shown->actions().size(), 2);
        shown->close();
    }

    void linkClicks_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("opened"); // path of the address handed to the desktop, or empty
        QTest::addColumn<bool>("picture");   // the pane shows the target as a picture in place of the page

        QTest::newRow("website link with target") << "site"
                                                  << "/site" << false;
        QTest::newRow("plain web link") << "plain"
                                        << "/plain" << false;
        QTest::newRow("cover") << "cover" << QString() << true;
        // Another local file the page links is never a document: it shows as a picture that cannot be shown.
        QTest::newRow("other local file") << "other" << QString() << true;
        QTest::newRow("other scheme") << "ftp" << QString() << false;
    }
    void linkClicks()
    {
        QFETCH(QString, element);
        QFETCH(QString, opened);
        QFETCH(bool, picture);

        const QVariantList box =
            Js(QStringLiteral("(function () { var e = document.getElementById('%1'); e.scrollIntoView(); "
                              "var r = e.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; "
                              "})()")
                   .arg(element))
                .toList();
        QCOMPARE(box.size(), 2);
        const QPoint at(qRound(box.at(0).toDouble()), qRound(box.at(1).toDouble()));

        QSignalSpy refused(m_browser->webPage(), &WebPage::navigationRefused);
        QSignalSpy outside(m_browser->webPage(), &WebPage::externalUrlOpened);
        QSignalSpy shown(m_browser->webPage(), &WebPage::pictureRequested);
        QSignalSpy loaded(m_browser, &WebBrowser::DocumentComplete);
        QWidget* surface = m_browser->view()->focusProxy();
        QVERIFY(surface);
        QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, at);

        QVERIFY(
            QTest::qWaitFor([&] { return refused.size() + outside.size() + shown.size() + loaded.size() > 0; }, 10000));
        if (opened.isEmpty()) {
            QVERIFY(m_opened.isEmpty());
        } else {
            QCOMPARE(m_opened.size(), 1);
            QCOMPARE(m_opened.first().path(), opened);
            QCOMPARE(m_opened.first().host(), QStringLiteral("127.0.0.1"));
        }
        QCOMPARE(m_browser->pictureView()->isVisible(), picture);
        QCOMPARE(m_browser->LocationURL(), QUrl::fromLocalFile(m_pagePath));
        QCOMPARE(loaded.size(), 0);
        QVERIFY(!m_server.hasPendingConnections());
        if (picture) {
            // A click on the picture goes back to the page.
            ClickWindow(m_browser->pictureView()->rect().center(), m_browser->pictureView());
            QTRY_VERIFY(!m_browser->pictureView()->isVisible());
            QVERIFY(m_browser->view()->isVisible());
        }
    }

    // A cover file may hold anything: a click on it shows it as a picture, never as a document, and whatever
    // script it carries never runs (it would reach the loopback site or the desktop's opener).
    void coverClickShowsPictureAndRunsNoScript_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("drawn"); // a picture is drawn; else the pane says it cannot show one

        const QByteArray script = "<script>try { fetch('SITE/fetched?' + document.cookie); } catch (e) {}"
                                  "document.title = 'ran'; location.href = 'SITE/left';</script>";
        QTest::newRow("document") << QByteArray("<HTML><BODY>cover" + script + "</BODY></HTML>") << "FrontCover.html"
                                  << false;
        QTest::newRow("drawing with script")
            << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"40\">"
                          "<script>location.href = 'SITE/svg';</script><rect width=\"40\" height=\"40\"/></svg>")
            << "FrontCover.svg" << false;
        QTest::newRow("picture header with a document")
            << QByteArray("GIF89a\x01\x00\x01\x00" + script) << "BackCover.html" << false;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage image(30, 40, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        image.save(&buffer, "PNG");
        QTest::newRow("picture") << png << "FrontCover.png" << true;
    }
    void coverClickShowsPictureAndRunsNoScript()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(bool, drawn);

        const QString site = QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
        QDir(m_dir.path()).mkpath(QStringLiteral("item"));
        const QString cover = m_dir.filePath(QStringLiteral("item/") + name);
        QVERIFY(SafeFile::Write(cover, bytes.replace("SITE", site.toLatin1())));
        const QString coverUrl = QUrl::fromLocalFile(cover).toString(QUrl::FullyEncoded);
        const QString page = m_dir.filePath(QStringLiteral("E7.html"));
        QVERIFY(WriteText(page, ItemPage(coverUrl)));
        const int blockedBefore = m_browser->interceptor()->blockedCount();
        QVERIFY(Show(page));
        // As an image in the page, only a picture is read: anything else never reaches the engine.
        QCOMPARE(Js(QStringLiteral("document.images[0].naturalWidth")).toInt(), drawn ? 30 : 0);
        QCOMPARE(m_browser->interceptor()->blockedCount() > blockedBefore, !drawn);

        QSignalSpy refused(m_browser->webPage(), &WebPage::navigationRefused);
        QSignalSpy shown(m_browser->webPage(), &WebPage::pictureRequested);
        QSignalSpy loaded(m_browser, &WebBrowser::DocumentComplete);
        ClickWindow(ElementCentre(QStringLiteral("cover")), m_browser->view()->focusProxy());
        QVERIFY(shown.wait(10000) || shown.size() == 1);
        QVERIFY(m_browser->pictureView()->isVisible());
        QCOMPARE(!m_browser->pictureView()->pixmap().isNull(), drawn);
        QCOMPARE(m_browser->pictureView()->text().isEmpty(), drawn);

        // Give a script that might have run the time to show itself.
        QTest::qWait(500);
        QCOMPARE(loaded.size(), 0);
        QCOMPARE(m_browser->LocationURL(), QUrl::fromLocalFile(page));
        QCOMPARE(m_browser->webPage()->title() == QLatin1String("ran"), false);
        QVERIFY(m_opened.isEmpty());
        QVERIFY(!m_server.hasPendingConnections());
    }

    // A link the page's markup did not write leads nowhere, however the user clicks it: a script's page-wide link
    // hands nothing to the desktop, and no other document, inline data or script address loads.
    void linksMadeByScriptAreRefused_data()
    {
        QTest::addColumn<QString>("href");
        QTest::newRow("web site with what the script read") << "SITE/leak?root:x:0:0";
        QTest::newRow("the page's own web link with more added") << "SITE/site#root:x:0:0";
        QTest::newRow("another local document") << "SECRET";
        QTest::newRow("inline data") << "data:text/html,<script>location.href='SITE/data'</script>";
        QTest::newRow("script address") << "javascript:location.href='SITE/js'";
    }
    void linksMadeByScriptAreRefused()
    {
        QFETCH(QString, href);
        const QString site = QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
        href.replace(QLatin1String("SITE"), site)
            .replace(QLatin1String("SECRET"), QUrl::fromLocalFile(m_dir.filePath("secret.html")).toString());
        // What a foreign script would do: a link over the whole page, waiting for the user's next click.
        QVERIFY(Js(QStringLiteral("(function () { var a = document.createElement('a'); a.id = 'trap'; a.href = %1;"
                                  "a.style.cssText = 'position:fixed;left:0;top:0;width:100%;height:100%;"
                                  "display:block;z-index:99;background:transparent';"
                                  "document.body.appendChild(a); return true; })()")
                       .arg(QStringLiteral("decodeURIComponent('%1')")
                                .arg(QString::fromLatin1(QUrl::toPercentEncoding(href)))))
                    .toBool());

        QSignalSpy refused(m_browser->webPage(), &WebPage::navigationRefused);
        QSignalSpy shown(m_browser->webPage(), &WebPage::pictureRequested);
        QSignalSpy loaded(m_browser, &WebBrowser::DocumentComplete);
        QWidget* surface = m_browser->view()->focusProxy();
        ClickWindow(QPoint(surface->width() / 2, surface->height() / 2), surface);
        // A script address gives no signal at all, so give the engine a moment either way.
        refused.wait(1500);
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(shown.size(), 0);
        QCOMPARE(loaded.size(), 0);
        QCOMPARE(m_browser->LocationURL(), QUrl::fromLocalFile(m_pagePath));
        QVERIFY(!m_server.hasPendingConnections());
    }

    void scriptCannotLeaveOrOpenWindows_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("location to a web site") << "location.href = 'SITE/moved';";
        QTest::newRow("location to a local file") << "location.href = 'OTHER';";
        QTest::newRow("window to a web site") << "window.open('SITE/window');";
        QTest::newRow("form post") << "var f = document.createElement('form'); f.method = 'post'; f.action = 'OTHER';"
                                      " document.body.appendChild(f); f.submit();";
    }
    void scriptCannotLeaveOrOpenWindows()
    {
        QFETCH(QString, script);
        const QString site = QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
        QSignalSpy refused(m_browser->webPage(), &WebPage::navigationRefused);
        QSignalSpy loaded(m_browser, &WebBrowser::DocumentComplete);
        Js(script.replace(QLatin1String("SITE"), site)
               .replace(QLatin1String("OTHER"), QUrl::fromLocalFile(m_otherPath).toString()));
        // A blocked window gives no signal at all, so give the engine a moment either way.
        refused.wait(1000);
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(loaded.size(), 0);
        QCOMPARE(m_browser->LocationURL(), QUrl::fromLocalFile(m_pagePath));
        QVERIFY(!m_server.hasPendingConnections());
    }

    void localPageReachesNoRemoteAddress_data()
    {
        QTest::addColumn<bool>("remoteAllowed");
        QTest::newRow("as set up") << false;
        // Should the engine's own rule ever let local content out, the request filter still holds.
        QTest::newRow("engine rule lifted") << true;
    }
    void localPageReachesNoRemoteAddress()
    {
        QFETCH(bool, remoteAllowed);
        QWebEngineSettings* settings = m_browser->webPage()->settings();
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, remoteAllowed);
        const int blockedBefore = m_browser->interceptor()->blockedCount();
        QVERIFY(Show(m_pagePath));
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);

        // The page's image, fetch and request to the loopback site were asked for while it loaded.
        if (remoteAllowed) {
            QVERIFY(
                QTest::qWaitFor([&] { return m_browser->interceptor()->blockedCount() >= blockedBefore + 3; }, 5000));
        }
        QTest::qWait(300);
        QVERIFY(!m_server.hasPendingConnections());
        QCOMPARE(Js(QStringLiteral("document.images[1].naturalWidth")).toInt(), 0);
        QVERIFY(Js(QStringLiteral("document.images[0].naturalWidth")).toInt() > 0); // the local cover loads
    }

    void printsTitle_data()
    {
        QTest::addColumn<bool>("command");
        QTest::newRow("pdf file") << false;
        QTest::newRow("print command to a pdf file named in its dialog") << true;
    }
    void printsTitle()
    {
        QFETCH(bool, command);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QSKIP("pdftotext is not installed");
        }
        const QString pdf = m_dir.filePath(QStringLiteral("out-%1.pdf").arg(command ? "print" : "file"));
        if (command) {
            QSignalSpy finished(m_browser, &WebBrowser::printFinished);
            m_browser->printer()->setOutputFormat(QPrinter::PdfFormat);
            m_browser->printer()->setOutputFileName(pdf);
            bool seen = false;
            AnswerModal<QPrintDialog>([](QPrintDialog*) { return true; }, &seen, true);
            QVERIFY(m_browser->ExecWB(WebBrowser::OLECMDID_PRINT, WebBrowser::OLECMDEXECOPT_PROMPTUSER));
            // One print at a time.
            QVERIFY(m_browser->isPrinting());
            QVERIFY(!m_browser->ExecWB(WebBrowser::OLECMDID_PRINT, WebBrowser::OLECMDEXECOPT_DONTPROMPTUSER));
            QVERIFY(!m_browser->printToPdf(pdf));
            QVERIFY(finished.wait(kLoadTimeoutMs));
            QCOMPARE(finished.first().at(0).toBool(), true);
        } else {
            QSignalSpy finished(m_browser, &WebBrowser::pdfPrintingFinished);
            QVERIFY(m_browser->printToPdf(pdf));
            QVERIFY(finished.wait(kLoadTimeoutMs));
            QCOMPARE(finished.first().at(1).toBool(), true);
        }
        QVERIFY(!m_browser->isPrinting());
        QVERIFY(PdfText(pdf).contains(kTitle));
    }

    // A named PDF file is written whole through the safe writer: one that cannot be written is told, and the file it
    // would have replaced stays as it was, with no temporary file left beside it.
    void pdfFileThatCannotBeWritten()
    {
        const QString pdf = m_dir.filePath(QStringLiteral("kept.pdf"));
        m_browser->printer()->setOutputFormat(QPrinter::PdfFormat);
        m_browser->printer()->setOutputFileName(pdf);
        QSignalSpy finished(m_browser, &WebBrowser::printFinished);
        bool seen = false;
        AnswerModal<QPrintDialog>([](QPrintDialog*) { return true; }, &seen, true);
        QVERIFY(m_browser->ExecWB(WebBrowser::OLECMDID_PRINT, WebBrowser::OLECMDEXECOPT_PROMPTUSER));
        // The file is there once the dialog has let it be named (it asks before replacing one); the print writes it
        // only after the page is laid out.
        QVERIFY(SafeFile::Write(pdf, "kept"));
        SafeFile::Faults::FailNth(SafeFile::Faults::Rename, 1);
        QVERIFY(finished.wait(kLoadTimeoutMs));
        SafeFile::Faults::Reset();
        QCOMPARE(finished.first().at(0).toBool(), false);
        QCOMPARE(m_browser->printFile(), pdf);
        QVERIFY(!m_browser->isPrinting());
        QFile kept(pdf);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral(".kept.pdf.*")}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    void promptedPrintCancelledPrintsNothing()
    {
        QSignalSpy finished(m_browser, &WebBrowser::printFinished);
        bool seen = false;
        AnswerModal<QPrintDialog>([](QPrintDialog*) { return true; }, &seen);
        QVERIFY(!m_browser->ExecWB(WebBrowser::OLECMDID_PRINT, WebBrowser::OLECMDEXECOPT_PROMPTUSER));
        QVERIFY(seen);
        QVERIFY(!m_browser->isPrinting());
        QCOMPARE(finished.size(), 0);
    }

    void previewOpensAndCloses()
    {
        QVERIFY(PreviewPageCount() >= 1);
        QVERIFY(!m_browser->isPrinting());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    // A cover declaring 20,000 x 20,000 pixels (a small file) never reaches the engine's decoder: the page and its
    // preview show it as a missing picture, and the preview opens and closes as for any page.
    void previewOfHugeCoverShowsItMissing()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("huge"));
        const QString cover = m_dir.filePath(QStringLiteral("huge/FrontCover.png"));
        {
            QImage huge(20000, 20000, QImage::Format_Mono);
            huge.fill(0);
            QVERIFY(huge.save(cover, "PNG"));
        }
        const QString page = m_dir.filePath(QStringLiteral("M99.html"));
        QVERIFY(WriteText(page, ItemPage(QUrl::fromLocalFile(cover).toString(QUrl::FullyEncoded))));
        const int blockedBefore = m_browser->interceptor()->blockedCount();
        QVERIFY(Show(page));
        QCOMPARE(Js(QStringLiteral("document.images[0].naturalWidth")).toInt(), 0);
        QVERIFY(m_browser->interceptor()->blockedCount() > blockedBefore);

        QVERIFY(PreviewPageCount() >= 1);
        QVERIFY(!m_browser->isPrinting());
    }

    // The preview holds every page of a long item, the very pages a PDF file gets, and each can be shown.
    void previewShowsEveryPage()
    {
        QVERIFY(Show(m_longPath));
        const QString pdf = m_dir.filePath(QStringLiteral("long.pdf"));
        QSignalSpy written(m_browser, &WebBrowser::pdfPrintingFinished);
        QVERIFY(m_browser->printToPdf(pdf));
        QVERIFY(written.wait(kLoadTimeoutMs));
        const int expected = PdfPages(pdf);
        QVERIFY2(expected >= 5, qPrintable(QString::number(expected)));

        int pages = 0;
        int lastShown = -1;
        bool lastHasInk = false;
        bool seen = false;
        AnswerModal<PrintPreview>(
            [&](PrintPreview* dialog) {
                pages = dialog->pageCount();
                if (pages == 0) {
                    return false;
                }
                dialog->showPage(pages - 1);
                lastShown = dialog->currentPage();
                // At screen size: a page is a few hundred pixels, not a printer's bitmap.
                lastHasInk = HasInk(dialog->document()->render(pages - 1, QSize(210, 297)));
                return true;
            },
            &seen);
        QVERIFY(m_browser->ExecWB(WebBrowser::OLECMDID_PRINTPREVIEW, WebBrowser::OLECMDEXECOPT_DODEFAULT));
        QVERIFY(seen);
        QCOMPARE(pages, expected);
        QCOMPARE(lastShown, expected - 1);
        QVERIFY(lastHasInk);
    }

    // The preview's print button leads to the print dialog, and nothing prints when that is cancelled.
    void previewPrintButtonAsksForPrinter()
    {
        bool sawPreview = false;
        bool sawPrintDialog = false;
        auto* timer = new QTimer(this);
        timer->setInterval(50);
        connect(timer, &QTimer::timeout, this, [&, timer] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* preview = qobject_cast<PrintPreview*>(modal); preview && preview->pageCount() > 0) {
                sawPreview = true;
                preview->findChild<QAction*>(QStringLiteral("actPrint"))->trigger();
            } else if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
                sawPrintDialog = true;
                timer->deleteLater();
                dialog->reject();
            }
        });
        timer->start();
        QSignalSpy finished(m_browser, &WebBrowser::printFinished);
        QVERIFY(m_browser->ExecWB(WebBrowser::OLECMDID_PRINTPREVIEW, WebBrowser::OLECMDEXECOPT_DODEFAULT));
        QVERIFY(sawPreview);
        QVERIFY(sawPrintDialog);
        QVERIFY(!m_browser->isPrinting());
        QCOMPARE(finished.size(), 0);
    }

    // A printer that takes only painting gets every page as one bitmap at its own resolution (within bounds), with
    // the busy cursor up and one print at a time.
    void renderedPrintAtPrinterResolution_data()
    {
        QTest::addColumn<int>("printerDpi");
        QTest::addColumn<int>("expectedDpi");
        QTest::newRow("printer states 150 dpi") << 150 << 150;
        QTest::newRow("states only the nominal 72") << 72 << 300;
        QTest::newRow("states 1200, capped") << 1200 << 600;
    }
    void renderedPrintAtPrinterResolution()
    {
        QFETCH(int, printerDpi);
        QFETCH(int, expectedDpi);
        if (QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty()) {
            QSKIP("pdfimages is not installed");
        }
        QVERIFY(Show(m_longPath));
        const QString vector = m_dir.filePath(QStringLiteral("vector.pdf"));
        QSignalSpy written(m_browser, &WebBrowser::pdfPrintingFinished);
        QVERIFY(m_browser->printToPdf(vector));
        QVERIFY(written.wait(kLoadTimeoutMs));

        QPrinter printer(QPrinter::PrinterResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString out = m_dir.filePath(QStringLiteral("rendered-%1.pdf").arg(printerDpi));
        printer.setOutputFileName(out);
        printer.setResolution(printerDpi);
        QSignalSpy finished(m_browser, &WebBrowser::printFinished);
        QSignalSpy ended(m_browser, &WebBrowser::printingEnded);
        QVERIFY(m_browser->printRendered(&printer));
        QVERIFY(m_browser->isPrinting());
        QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor);
        QVERIFY(!m_browser->ExecWB(WebBrowser::OLECMDID_PRINT, WebBrowser::OLECMDEXECOPT_DONTPROMPTUSER));
        QVERIFY(!m_browser->ExecWB(WebBrowser::OLECMDID_PRINTPREVIEW, WebBrowser::OLECMDEXECOPT_DODEFAULT));
        QVERIFY(!m_browser->printToPdf(vector));
        QVERIFY(!m_browser->printRendered(&printer));
        QVERIFY(finished.wait(120000));
        QCOMPARE(finished.first().at(0).toBool(), true);
        QCOMPARE(ended.size(), 1);
        QVERIFY(!m_browser->isPrinting());
        QVERIFY(QApplication::overrideCursor() == nullptr);

        const int pages = PdfPages(vector);
        QCOMPARE(PdfPages(out), pages);
        const QMap<int, QList<int>> images = PdfImageResolutions(out);
        QCOMPARE(images.size(), pages);
        for (auto it = images.cbegin(); it != images.cend(); ++it) {
            QCOMPARE(it.value().size(), 1);
            QVERIFY2(qAbs(it.value().first() - expectedDpi) <= 2,
                     qPrintable(QStringLiteral("page %1 at %2 ppi").arg(it.key()).arg(it.value().first())));
        }
    }

    // A browser that goes while its print is being painted ends the print first: the printer it owns goes after.
    void destroyedWhilePrinting_data()
    {
        QTest::addColumn<bool>("painting");
        QTest::newRow("while the page is laid out") << false;
        QTest::newRow("while pages are painted") << true;
    }
    void destroyedWhilePrinting()
    {
        QFETCH(bool, painting);
        auto* browser = new WebBrowser;
        browser->resize(600, 400);
        browser->show();
        QSignalSpy loaded(browser, &WebBrowser::DocumentComplete);
        QVERIFY(browser->Navigate2(m_longPath));
        QVERIFY(loaded.wait(kLoadTimeoutMs));
        const QString out = m_dir.filePath(QStringLiteral("gone-%1.pdf").arg(painting));
        browser->printer()->setOutputFormat(QPrinter::PdfFormat);
        browser->printer()->setOutputFileName(out);
        browser->printer()->setResolution(600);
        QSignalSpy finished(browser, &WebBrowser::printFinished);
        QVERIFY(browser->printRendered(browser->printer()));
        if (painting) {
            // The output file opens when the first page is about to be drawn.
            QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(out); }, kLoadTimeoutMs));
        }
        QCOMPARE(finished.size(), 0);
        delete browser;
        QVERIFY(QApplication::overrideCursor() == nullptr);
        // Whatever the engine still sends for the page that went finds nobody.
        QTest::qWait(500);
    }
};

int main(int argc, char** argv)
{
    // The engine's headless needs, also when the program is started by hand.
    const auto preset = [](const char* name, const char* value) {
        if (qEnvironmentVariableIsEmpty(name)) {
            qputenv(name, value);
        }
    };
    preset("QT_QPA_PLATFORM", "offscreen");
    preset("QTWEBENGINE_DISABLE_SANDBOX", "1");
    preset("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");

    // The test's own world: settings, data, cache and temporary files go to a folder of its own.
    QTemporaryDir world;
    if (!world.isValid()) {
        return 1;
    }
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR"}) {
        const QString path = world.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        qputenv(name, path.toLocal8Bit());
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestWebBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webbrowser.moc"
