// The item view: the page files, what the browser pane shows, folding a section, printing and preview.

#include "AnsiText.h"
#include "MainWindowWorld.h"
#include "PrintPreview.h"
#include "WebBrowser.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

using namespace TestWorld;

class ItemViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pages_data();
    void pages();
    void containerKeepsThePage();
    void showingAgainRewrites();
    void clickFoldsOneSection();
    void printToPdf();
    void previewOpensAndCloses();
    void statusTextsArePlain();
    void noTemporaryFolderNoPage();

private:
    WebBrowser* web() const { return m_main->findChild<WebBrowser*>("webObject"); }
    QTreeWidget* tree() const { return m_main->findChild<QTreeWidget*>("treeMovies"); }
    QString text(const char* label) const { return m_main->findChild<QLabel*>(label)->text(); }
    // Clicks the node of key (its parents opened first) and waits for the page to load.
    bool clickAndLoad(const QString& key);
    QVariant js(const QString& script);

    std::unique_ptr<CollectionStore> m_dir;
    SampleStore m_store;
    QString m_hostileTitleMovie;
    std::unique_ptr<frmMain> m_main;
};

void ItemViewTest::initTestCase()
{
    // The first browser takes a while to start; later ones are quick.
    WebBrowser warmUp;
    QSignalSpy loaded(&warmUp, &WebBrowser::DocumentComplete);
    warmUp.Navigate2("about:blank");
    loaded.wait(20000);
}

void ItemViewTest::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_store = LoadSample(m_dir->db(), ChildLists::Leave,
                         [this] { m_hostileTitleMovie = AddMovie("<b>Bold</b> & <i>co</i>", "!0", "DVD"); });
    m_main = std::make_unique<frmMain>();
    m_main->Load();
    m_main->resize(1000, 700);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void ItemViewTest::cleanup()
{
    m_main.reset();
    m_dir.reset();
}

bool ItemViewTest::clickAndLoad(const QString& key)
{
    QTreeWidgetItem* node = m_main->Node(key);
    if (!node) {
        return false;
    }
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) {
        p->setExpanded(true);
    }
    tree()->scrollToItem(node);
    QSignalSpy loaded(web(), &WebBrowser::DocumentComplete);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(node).center());
    if (m_main->strKey() != key) {
        return false;
    }
    return loaded.wait(15000) && loaded.last().at(1).toBool();
}

QVariant ItemViewTest::js(const QString& script)
{
    QVariant result;
    QEventLoop loop;
    web()->view()->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}

void ItemViewTest::pages_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("movie") << "movie";
    QTest::newRow("medium") << "medium";
    QTest::newRow("box") << "box";
}

void ItemViewTest::pages()
{
    QFETCH(QString, kind);
    const QString key = kind == "movie" ? m_store.alphaMovie : kind == "medium" ? m_store.laserMedium : m_store.zetaBox;
    const QString name = kind == "movie" ? "Alpha Movie" : kind == "medium" ? "Laser Medium" : "Zeta Box";
    QVERIFY(clickAndLoad(key));
    QCOMPARE(text("pnLarge"), name);

    const QString file = gTempFolder + "/" + key + ".html";
    QCOMPARE(web()->LocationURL(), QUrl::fromLocalFile(file));
    QString page;
    QVERIFY(AnsiText::ReadFile(file, page));
    QVERIFY(page.startsWith("<HTML><HEAD><style type=text/css><!--/* headersBlack - All headers */ .headersblack"));
    QVERIFY(page.contains("//--></style></HEAD><BODY BGCOLOR=FFFFFF>"));
    QVERIFY(page.endsWith("</BODY></HTML>\r\n"));
    QVERIFY(page.contains(name));
    QVERIFY(js("document.body.innerText").toString().contains(name));
    if (kind == "box") {
        // The box page holds what the box holds.
        QVERIFY(js("document.body.innerText").toString().contains("Deep Movie"));
    }
}

void ItemViewTest::containerKeepsThePage()
{
    QVERIFY(clickAndLoad(m_store.alphaMovie));
    const QUrl moviePage = web()->LocationURL();
    QSignalSpy loaded(web(), &WebBrowser::DocumentComplete);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                      tree()->visualItemRect(m_main->Node(m_store.comedy)).center());
    QCOMPARE(m_main->strKey(), m_store.comedy);
    QCOMPARE(text("pnLarge"), QString("Comedy"));
    QVERIFY(!loaded.wait(500));
    QCOMPARE(web()->LocationURL(), moviePage);
    QVERIFY(!QFileInfo::exists(gTempFolder + "/" + m_store.comedy + ".html"));

    m_main->treeMovies_NodeClick(m_main->Node("!0"));
    QCOMPARE(text("pnLarge"), "Vidsora: Personal (" + GetVersionText() + ")");
    QCOMPARE(web()->LocationURL(), moviePage);
}

void ItemViewTest::showingAgainRewrites()
{
    QVERIFY(clickAndLoad(m_store.alphaMovie));
    const QString alphaFile = gTempFolder + "/" + m_store.alphaMovie + ".html";
    QVERIFY(AnsiText::WriteFile(alphaFile, QStringLiteral("stale")));
    QVERIFY(clickAndLoad(m_store.zetaBox));
    QVERIFY(clickAndLoad(m_store.alphaMovie));
    QString page;
    QVERIFY(AnsiText::ReadFile(alphaFile, page));
    QVERIFY(page.startsWith("<HTML><HEAD>"));
    // An earlier page of another item stays until the window unloads.
    QVERIFY(QFileInfo::exists(gTempFolder + "/" + m_store.zetaBox + ".html"));
}

void ItemViewTest::clickFoldsOneSection()
{
    QVERIFY(clickAndLoad(m_store.alphaMovie));
    // Each section heading calls showhide with the id of its section's table.
    const QString collect = R"((function() {
        var heads = Array.prototype.slice.call(document.querySelectorAll('td[onclick]'));
        var ids = heads.map(function(h) { return /showhide\('(\d+)'\)/.exec(h.getAttribute('onclick'))[1]; });
        var state = ids.map(function(i) {
            var t = document.getElementById(i); return t.offsetHeight > 0 ? 'shown' : 'folded'; });
        return JSON.stringify({ids: ids, state: state});
    })())";
    const QJsonObject before = QJsonDocument::fromJson(js(collect).toString().toUtf8()).object();
    const QJsonArray ids = before.value("ids").toArray();
    QVERIFY2(ids.size() >= 2, "a movie page has several sections");
    js("document.querySelectorAll('td[onclick]')[0].click(); true");
    const QJsonObject after = QJsonDocument::fromJson(js(collect).toString().toUtf8()).object();
    const QJsonArray was = before.value("state").toArray();
    const QJsonArray now = after.value("state").toArray();
    QCOMPARE(now.size(), was.size());
    QVERIFY(now.at(0).toString() != was.at(0).toString());
    for (int i = 1; i < now.size(); ++i) {
        QCOMPARE(now.at(i).toString(), was.at(i).toString());
    }
    // A second click unfolds it again, laid out as a table.
    js("document.querySelectorAll('td[onclick]')[0].click(); true");
    const QJsonObject again = QJsonDocument::fromJson(js(collect).toString().toUtf8()).object();
    QCOMPARE(again.value("state").toArray().at(0).toString(), was.at(0).toString());
}

void ItemViewTest::printToPdf()
{
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) {
        QSKIP("pdftotext is not installed");
    }
    QVERIFY(clickAndLoad(m_store.alphaMovie));
    const QString pdf = m_dir->path("page.pdf");
    web()->printer()->setOutputFormat(QPrinter::PdfFormat);
    web()->printer()->setOutputFileName(pdf);
    QSignalSpy printed(web(), &WebBrowser::printFinished);
    // A PDF file is written by the print dialog that names it, never by the toolbar's print button.
    AnswerModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    m_main->findChild<QAction*>("mnuPrint")->trigger();
    QVERIFY(printed.wait(20000));
    QVERIFY(printed.last().at(0).toBool());
    QProcess extract;
    extract.start(pdftotext, {pdf, "-"});
    QVERIFY(extract.waitForFinished(20000));
    const QString textOut = QString::fromUtf8(extract.readAllStandardOutput());
    QVERIFY2(textOut.contains("Alpha Movie"), qPrintable(textOut.left(400)));
}

void ItemViewTest::previewOpensAndCloses()
{
    QVERIFY(clickAndLoad(m_store.alphaMovie));
    bool sawPreview = false;
    AnswerModal([&](QWidget* modal) {
        sawPreview = qobject_cast<PrintPreview*>(modal) != nullptr;
        modal->close();
    });
    m_main->findChild<QAction*>("mnuPreview")->trigger();
    QVERIFY(sawPreview);
    QVERIFY(!QApplication::activeModalWidget());

    // The toolbar's preview button runs the same command.
    sawPreview = false;
    AnswerModal([&](QWidget* modal) {
        sawPreview = qobject_cast<PrintPreview*>(modal) != nullptr;
        modal->close();
    });
    m_main->findChild<QAction*>("btnPreview")->trigger();
    QVERIFY(sawPreview);
}

void ItemViewTest::statusTextsArePlain()
{
    QVERIFY(clickAndLoad(m_hostileTitleMovie));
    auto* large = m_main->findChild<QLabel*>("pnLarge");
    QCOMPARE(large->text(), QString("<b>Bold</b> & <i>co</i>"));
    QCOMPARE(large->textFormat(), Qt::PlainText);
    QCOMPARE(m_main->findChild<QLabel*>("pnSmall")->textFormat(), Qt::PlainText);
    // The page shows the title as text too.
    QVERIFY(js("document.body.innerText").toString().contains("<b>Bold</b> & <i>co</i>"));
}

void ItemViewTest::noTemporaryFolderNoPage()
{
    // The temporary path runs through a plain file, so no folder can be made there, not even by root.
    m_main.reset();
    const QString file = m_dir->path("plain-file");
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(file + "/tmp"));
    gTempFolder = MakeTempName();
    const QString tried = gTempFolder;
    m_main = std::make_unique<frmMain>();
    m_main->Load();
    qputenv("TMPDIR", savedTmp);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QVERIFY(gTempFolder.isEmpty());

    QStringList told;
    const auto answer = [&told](QWidget* modal) {
        told << modal->findChild<QLabel*>("qt_msgbox_label")->text();
        modal->close();
    };
    AnswerModal(answer);
    m_main->treeMovies_NodeClick(m_main->Node(m_store.alphaMovie));
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains("cannot be shown") && told.first().contains(tried), qPrintable(told.first()));
    QCOMPARE(text("pnLarge"), QString("Alpha Movie"));

    // Said once: the next pages fail quietly.
    TestSupport::AnswerModalIfAny(answer, 1000);
    m_main->treeMovies_NodeClick(m_main->Node(m_store.zetaBox));
    m_main->treeMovies_NodeClick(m_main->Node(m_store.laserMedium));
    QTest::qWait(1200);
    QCOMPARE(told.size(), 1);
    QCOMPARE(text("pnLarge"), QString("Laser Medium"));

    // Nothing was written anywhere else: not at the root, the program folder or the working folder.
    for (const QString& key : {m_store.alphaMovie, m_store.zetaBox, m_store.laserMedium}) {
        for (const QString& folder : {QString(), QCoreApplication::applicationDirPath(), QDir::currentPath()}) {
            QVERIFY2(!QFileInfo::exists(folder + "/" + key + ".html"), qPrintable(folder + "/" + key));
        }
    }
    QVERIFY(QFileInfo(file).isFile());
    QVERIFY(!web()->LocationURL().isLocalFile());
}

int main(int argc, char** argv)
{
    SetUpEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    UseWebBrowserPanes();
    ItemViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_web_itemview.moc"
