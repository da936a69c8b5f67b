#include "frmMain.h"

#include "WebBrowser.h"
#include "frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

namespace {

const QString kCaption = QStringLiteral("Vidpeek");

// The gap the window keeps below the browser pane: 30 twips, in pixels of this screen.
int BottomGap(const QWidget& widget)
{
    return (30 * widget.logicalDpiY() + 720) / 1440;
}

// The hourglass for as long as a file is being opened.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kCaption);
    resize(800, 600);

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = mnuFile->addAction(QStringLiteral("Open..."));
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuFL1 = mnuFile->addSeparator();
    mnuFL1->setObjectName(QStringLiteral("mnuFL1"));
    mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = mnuHelp->addAction(QStringLiteral("&About..."));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    connect(mnuOpen, &QAction::triggered, this, [this] {
        QString path;
        OpenUEFFile(path);
    });
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::ShowAbout);

    // The pane is placed by LayoutBrowser, not by a layout, so it keeps its gap at the bottom.
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    client->installEventFilter(this);
    webObject = new WebBrowser(client);
    webObject->setObjectName(QStringLiteral("webObject"));

    dlgOpen = new QFileDialog(this);
    dlgOpen->setObjectName(QStringLiteral("dlgOpen"));
    dlgOpen->setOption(QFileDialog::DontUseNativeDialog);
    dlgOpen->setAcceptMode(QFileDialog::AcceptOpen);
    dlgOpen->setFileMode(QFileDialog::ExistingFile);
    dlgOpen->setNameFilter(QStringLiteral("UEF Files (*.uef)"));
}

frmMain::~frmMain()
{
    RemoveTempDir();
}

void frmMain::InitViewer(const QString& commandLine)
{
    m_session.InitTemp();
    NavigateTo(QStringLiteral("about:blank"));
    LayoutBrowser();
    if (!commandLine.isEmpty()) {
        QString path = ViewerSession::CommandLinePath(commandLine);
        OpenUEFFile(path);
    }
}

void frmMain::OpenUEFFile(QString& path)
{
    if (path.isEmpty()) {
        dlgOpen->selectFile(QString());
        if (dlgOpen->exec() != QDialog::Accepted) {
            return;
        }
        const QStringList chosen = dlgOpen->selectedFiles();
        path = chosen.isEmpty() ? QString() : chosen.first();
    }
    WaitCursor wait;
    if (!m_session.OpenUEFFile(path)) {
        return;
    }
    // Without a page (no temporary folder, or the write failed) the blank page stands in for it.
    const QString page = m_session.pagePath();
    NavigateTo(!page.isEmpty() && QFileInfo(page).isFile() ? page : QStringLiteral("about:blank"));
    setWindowTitle(kCaption + QStringLiteral(" - [") + ViewerSession::FileNamePart(path) + QLatin1Char(']'));
}

void frmMain::NavigateTo(const QString& address)
{
    if (!webObject->Navigate2(address)) {
        webObject->Navigate(address);
    }
}

void frmMain::LayoutBrowser()
{
    const QWidget* client = centralWidget();
    const int width = client->width();
    const int height = client->height() - BottomGap(*this);
    if (width < 0 || height < 0) {
        return;
    }
    webObject->setGeometry(0, 0, width, height);
}

void frmMain::RemoveTempDir()
{
    m_session.RemoveTempDir();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    // The client area's size is final only once it has been resized itself.
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        LayoutBrowser();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    RemoveTempDir();
    event->accept();
}

void frmMain::ShowAbout()
{
    if (!m_about) {
        m_about = new frmAbout(this);
    }
    m_about->exec();
}
