// Printing and preview of a big box set from the main window: every page, in bounded time and memory, and a window
// that never closes under a running print.

#include "MainWindowWorld.h"
#include "PrintPreview.h"
#include "StoreGenerator.h"
#include "WebBrowser.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPdfDocument>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace TestWorld;

namespace {

constexpr int kMedia = 24;
constexpr int kMoviesPerMedium = 10;
// What the program may hold at its peak while it previews or prints the box, browser helpers aside.
constexpr long kPeakLimitMb = 600;

// The program's peak resident size so far, in MB.
long PeakMb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
        }
    }
    return -1;
}

int PdfPages(const QString& path)
{
    QPdfDocument document;
    return document.load(path) == QPdfDocument::Error::None ? document.pageCount() : -1;
}

} // namespace

class PrintTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void previewShowsEveryPageOfTheBox();
    void printedBoxHasEveryPage();
    void closeWaitsForThePrint_data();
    void closeWaitsForThePrint();
    void toolbarPrintWritesNoFile();
    void windowGoneWhilePrinting();

private:
    WebBrowser* web() const { return m_main->findChild<WebBrowser*>("webObject"); }
    bool showBox();

    TestStore m_store{TestStore::Folders::Program};
    QString m_db;
    int m_boxPages = 0; // the box's pages as a PDF file gets them
    std::unique_ptr<frmMain> m_main;
};

void PrintTest::initTestCase()
{
    m_db = m_store.db();
    StoreGenerator(m_db).RunBoxSet(kMedia, kMoviesPerMedium);
}

void PrintTest::init()
{
    NewCollections(m_db);
    LoadCollections(m_db);
    QCOMPARE(gMovies->Count(), kMedia * kMoviesPerMedium);
    m_main = std::make_unique<frmMain>();
    m_main->Load();
    m_main->resize(1000, 700);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QVERIFY(showBox());
    if (m_boxPages == 0) {
        const QString pdf = m_store.path("box.pdf");
        QSignalSpy written(web(), &WebBrowser::pdfPrintingFinished);
        QVERIFY(web()->printToPdf(pdf));
        QVERIFY(written.wait(60000));
        m_boxPages = PdfPages(pdf);
        QVERIFY2(m_boxPages > 15, qPrintable(QString::number(m_boxPages))); // more than the old preview showed
    }
}

void PrintTest::cleanup()
{
    m_main.reset();
}

bool PrintTest::showBox()
{
    QSignalSpy loaded(web(), &WebBrowser::DocumentComplete);
    m_main->treeMovies_NodeClick(m_main->Node("B1"));
    return loaded.wait(120000) && loaded.last().at(1).toBool();
}

void PrintTest::previewShowsEveryPageOfTheBox()
{
    int pages = 0;
    int last = -1;
    qint64 shownMs = -1;
    QElapsedTimer clock;
    AnswerModal([&](QWidget* modal) {
        if (auto* preview = qobject_cast<PrintPreview*>(modal)) {
            (void)QTest::qWaitFor([&] { return preview->pageCount() > 0; }, 120000);
            shownMs = clock.elapsed();
            pages = preview->pageCount();
            preview->showPage(pages - 1);
            last = preview->currentPage();
        }
        modal->close();
    });
    clock.start();
    m_main->findChild<QAction*>("mnuPreview")->trigger();
    QCOMPARE(pages, m_boxPages);
    QCOMPARE(last, m_boxPages - 1);
    QVERIFY(!web()->isPrinting());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // How soon is the benchmark's figure (preview-box240-ms).
    qInfo("preview of %d pages shown after %lld ms, peak %ld MB", pages, shownMs, PeakMb());
    QVERIFY(shownMs >= 0);
    QVERIFY2(PeakMb() <= kPeakLimitMb, qPrintable(QString::number(PeakMb())));
}

void PrintTest::printedBoxHasEveryPage()
{
    // A printer that takes only painting, at the resolution it states.
    const QString out = m_store.path("printed.pdf");
    QPrinter* printer = web()->printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(out);
    printer->setResolution(150);
    QSignalSpy finished(web(), &WebBrowser::printFinished);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(web()->printRendered(printer));
    QVERIFY(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor);
    QVERIFY(finished.wait(240000));
    QVERIFY(finished.first().at(0).toBool());
    qInfo("printed %d pages in %lld ms, peak %ld MB", m_boxPages, clock.elapsed(), PeakMb());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(PdfPages(out), m_boxPages);
    QVERIFY2(PeakMb() <= kPeakLimitMb, qPrintable(QString::number(PeakMb())));
}

void PrintTest::closeWaitsForThePrint_data()
{
    QTest::addColumn<bool>("rendered");
    QTest::newRow("print dialog to a pdf file") << false;
    QTest::newRow("pages rendered for a printer") << true;
}

void PrintTest::closeWaitsForThePrint()
{
    QFETCH(bool, rendered);
    const QString out = m_store.path(QString("closing-%1.pdf").arg(rendered));
    QPrinter* printer = web()->printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(out);
    printer->setResolution(150);
    QSignalSpy finished(web(), &WebBrowser::printFinished);
    if (rendered) {
        QVERIFY(web()->printRendered(printer));
    } else {
        AnswerModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
        m_main->findChild<QAction*>("mnuPrint")->trigger();
    }
    QVERIFY(web()->isPrinting());
    const QString temp = gTempFolder;

    // The close is held back while the print runs, and the window stays as it was.
    QVERIFY(!m_main->close());
    QVERIFY(m_main->isVisible());
    QVERIFY(!m_main->close()); // asking twice changes nothing
    QVERIFY(QFileInfo(temp).isDir());

    QVERIFY(finished.wait(240000));
    QVERIFY(finished.first().at(0).toBool());
    QTRY_VERIFY_WITH_TIMEOUT(!m_main->isVisible(), 60000);
    QVERIFY(!QFileInfo::exists(temp)); // the unload ran
    QCOMPARE(PdfPages(out), m_boxPages);
}

// After a print to a PDF file through the dialog, the toolbar's Print (no dialog) does not write the next item's page
// over that file: the user is told that no printer is installed, or the dialog asks where the print goes.
void PrintTest::toolbarPrintWritesNoFile()
{
    const QString out = m_store.path("named.pdf");
    web()->printer()->setOutputFileName(out); // the file the dialog shows
    QSignalSpy finished(web(), &WebBrowser::printFinished);
    AnswerModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    m_main->findChild<QAction*>("mnuPrint")->trigger();
    QVERIFY(finished.wait(240000) && finished.first().at(0).toBool());
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    file.close();

    QSignalSpy loaded(web(), &WebBrowser::DocumentComplete);
    m_main->treeMovies_NodeClick(m_main->Node("M1"));
    QVERIFY(loaded.wait(120000));
    QString answered;
    AnswerModal([&answered](QWidget* modal) {
        answered = QString::fromLatin1(modal->metaObject()->className());
        static_cast<QDialog*>(modal)->reject();
    });
    m_main->findChild<QAction*>("btnPrint")->trigger();
    QVERIFY2(answered == "QMessageBox" || answered == "QPrintDialog", qPrintable(answered));
    QVERIFY(!web()->isPrinting());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), written);
}

void PrintTest::windowGoneWhilePrinting()
{
    // A window deleted without a close (the program ends) takes the print with it, safely.
    const QString out = m_store.path("gone.pdf");
    QPrinter* printer = web()->printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(out);
    printer->setResolution(300);
    QVERIFY(web()->printRendered(printer));
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(out); }, 60000));
    m_main.reset();
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QTest::qWait(300);
}

int main(int argc, char** argv)
{
    SetUpEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    UseWebBrowserPanes();
    PrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_web_print.moc"
