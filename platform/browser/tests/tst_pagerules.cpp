// What the browser pane lets a page do, without a window: which links the page's own markup writes, the verdict on
// each navigation, and which local files reach the engine as images.

#include "PageRules.h"
#include "SafeFile.h"
#include "TestPictures.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace PageRules;

namespace {

const QUrl kPage = QUrl::fromLocalFile(QStringLiteral("/tmp/VDS1/M12.html"));
const QString kCover = QStringLiteral("file:///store/Movies/The%20Harbour%20%231/FrontCover.html");

// The links of an item page as the page builder writes them, with what a script block or a comment might hold.
QByteArray Markup()
{
    return "<HTML><HEAD><style type=text/css><!--/* <a href=\"http://style.example/\"> */--></style></HEAD>"
           "<BODY BGCOLOR=FFFFFF><script language=\"javascript\">\r\n<!--\r\n"
           "var s = '<a href=\"http://script.example/\">';\r\n//-->\r\n</script>\r\n"
           "<!-- <a href=\"http://comment.example/\"> -->"
           "       <a href=\"" +
           kCover.toLatin1() + "\"><Img src=\"" + kCover.toLatin1() +
           "\" Width=160 Border=0></a><br><br>\r\n"
           "<a href=\"http://Example.com?a=1&amp;b=&quot;2&quot;\" Class=\"Alldata\" Target=_Blank>x</a>\r\n"
           "<A HREF=https://site.example/caf\xE9 Class=Alldata>caf\xE9</A>\r\n";
}

PaneState State()
{
    PaneState state;
    state.ownPages.insert(PageLinks::Key(kPage), ReadLinks(Markup(), kPage));
    state.ownPages.insert(PageLinks::Key(QUrl::fromLocalFile(QStringLiteral("/tmp/VDS1/B3.html"))), {});
    state.shown = kPage;
    return state;
}

} // namespace

class TestPageRules : public QObject
{
    Q_OBJECT

private slots:
    // Only what the markup writes counts, read as the browser reads it; a script's or a comment's text does not.
    void linksAreWhatTheMarkupWrites()
    {
        const PageLinks links = ReadLinks(Markup(), kPage);
        QVERIFY(links.Links(QUrl(kCover)));
        QVERIFY(links.Shows(QUrl(kCover)));
        // The engine hands the address on in its own spelling.
        QVERIFY(links.Links(QUrl(QStringLiteral("http://example.com/?a=1&b=%222%22"))));
        QVERIFY(links.Links(QUrl(QStringLiteral("https://site.example/caf%C3%A9"))));
        QCOMPARE(links.links.size(), 3);
        QCOMPARE(links.images.size(), 1);
        for (const char* other : {"http://style.example/", "http://script.example/", "http://comment.example/"}) {
            QVERIFY2(!links.Links(QUrl(QString::fromLatin1(other))), other);
        }
    }

    void verdicts_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("mainFrame");
        QTest::addColumn<bool>("gesture");
        QTest::addColumn<int>("verdict");

        const int typed = int(Navigation::Typed), link = int(Navigation::LinkClicked),
                  back = int(Navigation::BackForward), other = int(Navigation::Other);
        const int load = int(Verdict::Load), refuse = int(Verdict::Refuse), outside = int(Verdict::OpenOutside),
                  picture = int(Verdict::ShowPicture);
        const QString page = kPage.toString();
        const QString site = QStringLiteral("http://example.com/?a=1&b=%222%22");

        QTest::newRow("host's page") << page << typed << true << false << load;
        QTest::newRow("blank page") << "about:blank" << typed << true << false << load;
        QTest::newRow("file the host did not load") << "file:///etc/passwd" << typed << true << false << refuse;
        QTest::newRow("back to a page of the host") << "file:///tmp/VDS1/B3.html" << back << true << false << load;
        QTest::newRow("back to another file") << "file:///tmp/VDS1/x.html" << back << true << false << refuse;
        QTest::newRow("redirect to the host's page") << page << other << true << false << refuse;
        QTest::newRow("clicked web link of the page") << site << link << true << true << outside;
        QTest::newRow("web link without a click") << site << link << true << false << refuse;
        QTest::newRow("web link with more added") << site + "#root:x:0:0" << link << true << true << refuse;
        QTest::newRow("web link the page did not write")
            << "http://evil.example/?root" << link << true << true << refuse;
        QTest::newRow("web link in a frame") << site << link << false << true << refuse;
        QTest::newRow("clicked cover") << kCover << link << true << true << picture;
        QTest::newRow("file the page did not link") << "file:///etc/passwd" << link << true << true << refuse;
        QTest::newRow("inline data") << "data:text/html,<b>x</b>" << link << true << true << refuse;
        QTest::newRow("script address") << "javascript:alert(1)" << link << true << true << refuse;
        QTest::newRow("blob") << "blob:file:///0f1e" << link << true << true << refuse;
        QTest::newRow("data as the host's load") << "data:text/html,<b>x</b>" << typed << true << false << refuse;
    }
    void verdicts()
    {
        QFETCH(QString, url);
        QFETCH(int, type);
        QFETCH(bool, mainFrame);
        QFETCH(bool, gesture);
        QFETCH(int, verdict);
        QCOMPARE(int(Decide(QUrl(url), Navigation(type), mainFrame, gesture, State())), verdict);
    }

    // A local file reaches the engine as an image only when it is a picture the engine may decode at its size.
    void imagesWithinTheLimit_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("allowed");

        QTest::newRow("small picture") << TestSupport::PngDeclaring(300, 400) << true;
        QTest::newRow("declares 20000 x 20000") << TestSupport::PngDeclaring(20000, 20000) << false;
        QTest::newRow("declares 60000 x 60000") << TestSupport::PngDeclaring(60000, 60000) << false;
        QTest::newRow("document") << QByteArray("<HTML><script>alert(1)</script></HTML>") << false;
        QTest::newRow("drawing") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><script/></svg>") << false;
    }
    void imagesWithinTheLimit()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, allowed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("FrontCover.png"));
        QVERIFY(SafeFile::Write(path, bytes));
        QCOMPARE(MayDecodeImage(path), allowed);
    }

    // A pipe named as a cover is refused at once, not waited on.
    void pipeIsNoImage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("FrontCover.png"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        QVERIFY(!MayDecodeImage(path));
    }
};

QTEST_GUILESS_MAIN(TestPageRules)
#include "tst_pagerules.moc"
