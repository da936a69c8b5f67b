#include "WebBrowser.h"

#include "BrowserCompat.h"
#include "LocalRequestInterceptor.h"
#include "PagePrinter.h"
#include "PictureImage.h"
#include "PrintPreview.h"
#include "SafeFile.h"

#include <QApplication>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFont>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStackedLayout>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <unistd.h>

void PrepareBrowserEngine()
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

namespace {

// A page layout that never reports back must not hold a print (or the window, for a preview) for ever.
constexpr int kPdfTimeoutMs = 120000;
// Page bitmaps finer than this only cost memory: an A4 page at 1200 dpi is over half a gigabyte, at 600 dpi 140 MB.
constexpr int kMaxRasterDpi = 600;
// For a printer that states no resolution of its own: enough for text on paper, 35 MB an A4 page.
constexpr int kDefaultRasterDpi = 300;

bool IsShowable(const QUrl& url)
{
    return url.isValid() && (url.isLocalFile() || WebPage::IsBlankPage(url));
}

// The engine's own menu leads away from the item (back, reload, view source); the pane offers only its own.
class ItemView : public QWebEngineView
{
public:
    ItemView(const WebBrowser* owner, QWidget* parent) : QWebEngineView(parent), m_owner(owner) {}

protected:
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        QMenu* menu = m_owner->createContextMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
    }

private:
    const WebBrowser* m_owner;
};

// A sans-serif family that this machine has: the pages ask for Arial or Helvetica, and whatever stands in for
// them must not fall back to the engine's serif default.
QString SansSerifFamily(const QWebEngineSettings& settings)
{
    QFont font;
    font.setStyleHint(QFont::SansSerif, QFont::PreferMatch);
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                      QStringLiteral("DejaVu Sans")});
    const QString family = QFontInfo(font).family();
    return family.isEmpty() ? settings.fontFamily(QWebEngineSettings::SansSerifFont) : family;
}

} // namespace

void UseWebBrowserPanes()
{
    BrowserPane::SetMaker([](QWidget* parent) -> BrowserPane* { return new WebBrowser(parent); });
}

WebBrowser::WebBrowser(QWidget* parent)
    : BrowserPane(parent), m_printer(std::make_unique<QPrinter>(QPrinter::PrinterResolution))
{
    // Nothing of a shown page is kept on disk: the profile lives in memory only.
    m_profile = new QWebEngineProfile(this);
    m_interceptor = new LocalRequestInterceptor(this);
    m_page = new WebPage(m_profile, this);
    m_page->setUrlRequestInterceptor(m_interceptor);
    BrowserCompat::Install(m_page->scripts());

    // The page needs its own script (it folds sections) and its images; everything else the engine offers is off.
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    for (const QWebEngineSettings::WebAttribute off : {
             QWebEngineSettings::JavascriptCanOpenWindows,
             QWebEngineSettings::JavascriptCanAccessClipboard,
             QWebEngineSettings::JavascriptCanPaste,
             QWebEngineSettings::LocalContentCanAccessRemoteUrls,
             QWebEngineSettings::LocalStorageEnabled,
             QWebEngineSettings::AllowRunningInsecureContent,
             QWebEngineSettings::AllowGeolocationOnInsecureOrigins,
             QWebEngineSettings::AllowWindowActivationFromJavaScript,
             QWebEngineSettings::PluginsEnabled,
             QWebEngineSettings::PdfViewerEnabled,
             QWebEngineSettings::FullScreenSupportEnabled,
             QWebEngineSettings::ScreenCaptureEnabled,
             QWebEngineSettings::WebGLEnabled,
             QWebEngineSettings::Accelerated2dCanvasEnabled,
             QWebEngineSettings::AutoLoadIconsForPage,
             QWebEngineSettings::TouchIconsEnabled,
             QWebEngineSettings::HyperlinkAuditingEnabled,
             QWebEngineSettings::DnsPrefetchEnabled,
             QWebEngineSettings::NavigateOnDropEnabled,
             QWebEngineSettings::SpatialNavigationEnabled,
         }) {
        settings->setAttribute(off, false);
    }
    // The covers lie in the items' folders, not beside the page: without this the engine shows none of them. Which
    // local files a page reads, and as what, is the request filter's business (pictures within the limit only).
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    const QString sans = SansSerifFamily(*settings);
    settings->setFontFamily(QWebEngineSettings::SansSerifFont, sans);
    settings->setFontFamily(QWebEngineSettings::StandardFont, sans);

    m_view = new ItemView(this, this);
    m_view->setPage(m_page);
    m_view->setAcceptDrops(false);
    // The view draws through a child widget that it may replace; each one is watched for the user's clicks.
    m_view->installEventFilter(this);
    for (QObject* child : m_view->children()) {
        Watch(child);
    }
    setFocusProxy(m_view);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("picCover"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setWordWrap(true);
    m_picture->setFocusPolicy(Qt::StrongFocus);
    m_picture->setAutoFillBackground(true);
    m_picture->setBackgroundRole(QPalette::Base);
    m_picture->installEventFilter(this);

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_view);
    m_stack->addWidget(m_picture);
    m_stack->setCurrentWidget(m_view);
    connect(m_page, &WebPage::pictureRequested, this, &WebBrowser::ShowPicture);

    // A refused or superseded navigation ends as "stopped", possibly after the next load has begun: only loads that
    // succeeded or failed (a missing file shows the engine's own page) are the host's business.
    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            m_loading = true;
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            m_loading = false;
            if (info.url() == m_hostUrl) {
                m_hostUrl.clear();
            }
            emit DocumentComplete(info.url(), info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
            break;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            // The end of a refused navigation can arrive after the host's next load has begun and abort it; the
            // host's page is then asked for once more.
            if (info.url() == m_hostUrl && m_hostRetries > 0) {
                --m_hostRetries;
                const QUrl again = m_hostUrl;
                QTimer::singleShot(0, this, [this, again] {
                    if (m_hostUrl == again) {
                        m_view->load(again);
                    }
                });
            } else if (info.url() == m_page->url() || info.url() == m_page->requestedUrl()) {
                m_loading = false;
            }
            break;
        }
    });
    // The page's own print request (window.print) goes the way of the print command with its dialog.
    connect(m_view, &QWebEngineView::printRequested, this,
            [this] { ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const auto inside = [this](QWidget* w) { return w && (w == this || isAncestorOf(w)); };
        if (inside(now) && !inside(old)) {
            emit gotFocus();
        }
    });
}

WebBrowser::~WebBrowser()
{
    // A print still running ends here, before the page it comes from and the printer it goes to: nothing outlives
    // them. Answers that still come change nothing.
    m_going = true;
    m_pdfJob = 0;
    if (m_pagePrinter) {
        disconnect(m_pagePrinter, nullptr, this, nullptr);
        delete m_pagePrinter; // cancels
        m_pagePrinter = nullptr;
    }
    // The engine stops the whole program when a page goes while it still makes that page's PDF document: the
    // document is awaited first, for a bounded time and without user input.
    if (m_enginePdf) {
        QElapsedTimer clock;
        clock.start();
        QEventLoop wait;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, &wait, [&] {
            if (!m_enginePdf || clock.hasExpired(kPdfTimeoutMs)) {
                wait.quit();
            }
        });
        poll.start();
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    disconnect(m_page, nullptr, this, nullptr);
    ShowBusy(false);
    // The view goes before its page, the page before its profile and interceptor, all before the printer.
    delete m_view;
    m_view = nullptr;
    delete m_page;
    m_page = nullptr;
}

void WebBrowser::Watch(QObject* child)
{
    if (child && child->isWidgetType()) {
        child->installEventFilter(this);
    }
}

bool WebBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picture) {
        // A click on the picture, or Escape or Backspace, goes back to the page.
        if (event->type() == QEvent::MouseButtonRelease) {
            ShowPage();
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Escape || key == Qt::Key_Backspace) {
                ShowPage();
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == m_view) {
            Watch(static_cast<QChildEvent*>(event)->child());
        }
        break;
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
        if (watched != m_view && m_page) {
            m_page->noteUserGesture();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void WebBrowser::setExternalOpener(WebPage::UrlOpener opener)
{
    m_page->setExternalOpener(std::move(opener));
}

QMenu* WebBrowser::createContextMenu(QWidget* parent) const
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("mnuBrowserContext"));
    menu->addAction(m_page->action(QWebEnginePage::Copy));
    menu->addAction(m_page->action(QWebEnginePage::SelectAll));
    return menu;
}

void WebBrowser::ShowPicture(const QUrl& url)
{
    // Decoded here, scaled to the pane and within the decoding limit, never by the engine as a document: a cover
    // file may hold anything.
    const qreal ratio = devicePixelRatioF();
    const QSize box = (size() * ratio).expandedTo(QSize(1, 1));
    QImage image = Picture::LoadFileScaled(url.toLocalFile(), box);
    if (image.isNull()) {
        m_picture->setPixmap(QPixmap());
        m_picture->setText(tr("This cover cannot be shown: it is not a picture, or it is too large to show."));
    } else {
        QPixmap pixmap = QPixmap::fromImage(std::move(image));
        pixmap.setDevicePixelRatio(ratio);
        m_picture->setText(QString());
        m_picture->setPixmap(pixmap);
    }
    m_picture->setToolTip(url.toLocalFile());
    const bool hadFocus = m_view->hasFocus() || (m_view->focusProxy() && m_view->focusProxy()->hasFocus());
    m_stack->setCurrentWidget(m_picture);
    if (hadFocus) {
        m_picture->setFocus(Qt::OtherFocusReason);
    }
}

void WebBrowser::ShowPage()
{
    if (m_stack->currentWidget() == m_view) {
        return;
    }
    const bool hadFocus = m_picture->hasFocus();
    m_stack->setCurrentWidget(m_view);
    m_picture->clear();
    if (hadFocus) {
        m_view->setFocus(Qt::OtherFocusReason);
    }
}

QUrl WebBrowser::LocationURL() const
{
    return m_page->url();
}

bool WebBrowser::Load(const QUrl& url)
{
    if (!IsShowable(url) || !m_page->adoptPage(url)) {
        return false;
    }
    ShowPage();
    m_hostUrl = url;
    m_hostRetries = 2;
    m_view->load(url);
    return true;
}

bool WebBrowser::Navigate2(const QString& url)
{
    if (url.startsWith(QLatin1Char('/'))) {
        return Load(QUrl::fromLocalFile(QDir::cleanPath(url)));
    }
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme().size() < 2) {
        return false;
    }
    return Load(parsed);
}

bool WebBrowser::Navigate(const QString& url)
{
    if (url.trimmed().isEmpty()) {
        return false;
    }
    return Load(QUrl::fromUserInput(url, QDir::currentPath(), QUrl::AssumeLocalFile));
}

bool WebBrowser::ExecWB(int cmdID, int cmdexecopt)
{
    if (m_printing) {
        return false;
    }
    switch (cmdID) {
    case OLECMDID_PRINT:
        if (cmdexecopt == OLECMDEXECOPT_PROMPTUSER) {
            QPrintDialog dialog(m_printer.get(), this);
            if (dialog.exec() != QDialog::Accepted || m_printing) {
                return false;
            }
            return StartPrint(true);
        }
        return StartPrint(false);
    case OLECMDID_PRINTPREVIEW:
        return Preview();
    default:
        return false;
    }
}

void WebBrowser::ShowBusy(bool busy)
{
    if (busy != m_busy) {
        m_busy = busy;
        if (busy) {
            QApplication::setOverrideCursor(Qt::BusyCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    }
}

void WebBrowser::EndPrint()
{
    m_printing = false;
    ShowBusy(false);
}

bool WebBrowser::hasPrintTarget() const
{
    return m_printer->outputFormat() == QPrinter::NativeFormat && m_printer->isValid() && hasPrinter();
}

bool WebBrowser::hasPrinter() const
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void WebBrowser::MakePdf(const QPageLayout& layout, const QPageRanges& ranges,
                         std::function<void(const QByteArray&)> done)
{
    const quint64 job = ++m_pdfJobs;
    m_pdfJob = job;
    m_enginePdf = true;
    const QPointer<WebBrowser> self(this);
    m_page->printToPdf(
        [self, job, done](const QByteArray& pdf) {
            if (!self) {
                return;
            }
            self->m_enginePdf = false;
            if (self->m_pdfJob == job) {
                self->m_pdfJob = 0;
                done(pdf);
            }
        },
        layout, ranges);
    QTimer::singleShot(kPdfTimeoutMs, this, [this, job, done] {
        if (m_pdfJob == job) {
            m_pdfJob = 0;
            done(QByteArray());
        }
    });
}

int WebBrowser::RasterResolution(const QPrinter& printer)
{
    // The printer's own resolution where it states one. An engine that hands the job on as PDF states only the PDF's
    // nominal 72 dpi, which says nothing of the device; such a printer gets the default.
    int dpi = printer.resolution();
    if (dpi <= 72) {
        for (const int supported : printer.supportedResolutions()) {
            if (supported <= kMaxRasterDpi) {
                dpi = qMax(dpi, supported);
            }
        }
    }
    if (dpi <= 72) {
        dpi = kDefaultRasterDpi;
    }
    return qMin(dpi, kMaxRasterDpi);
}

bool WebBrowser::StartPrint(bool fromDialog)
{
    // A PDF file gets the engine's document as it stands, so its text stays text. Nothing is written where nobody
    // asked for a file: the printer keeps the file the dialog last named, and a print without the dialog must not
    // write the next page over it.
    if (m_printer->outputFormat() == QPrinter::PdfFormat) {
        if (!fromDialog || m_printer->outputFileName().isEmpty()) {
            return false;
        }
        m_printFile = m_printer->outputFileName();
        return WritePdf(m_printFile, m_printer->pageLayout(), m_printer->pageRanges(),
                        [this](const QString&, bool ok) { emit printFinished(ok); });
    }
    // Any other printer gets rendered pages.
    if (!hasPrintTarget()) {
        return false;
    }
    m_printFile.clear();
    return printRendered(m_printer.get());
}

bool WebBrowser::WritePdf(const QString& path, const QPageLayout& layout, const QPageRanges& ranges,
                          std::function<void(const QString&, bool)> told)
{
    if (m_printing || path.isEmpty()) {
        return false;
    }
    m_printing = true;
    ShowBusy(true);
    // The file is written as every file of the programs is: whole, or not at all with the old one left as it was.
    MakePdf(layout, ranges, [this, path, told](const QByteArray& pdf) {
        const bool ok = !pdf.isEmpty() && SafeFile::Write(path, pdf);
        EndPrint();
        told(path, ok);
        emit printingEnded();
    });
    return true;
}

bool WebBrowser::printRendered(QPrinter* printer)
{
    if (m_printing || !printer) {
        return false;
    }
    m_printing = true;
    ShowBusy(true);
    const int dpi = RasterResolution(*printer);
    if (printer->resolution() != dpi) {
        printer->setResolution(dpi);
    }
    MakePdf(printer->pageLayout(), printer->pageRanges(), [this, printer](const QByteArray& pdf) {
        auto* pages = new PagePrinter(printer, this);
        if (pdf.isEmpty() || !pages->Start(pdf)) {
            delete pages;
            EndPrint();
            emit printFinished(false);
            emit printingEnded();
            return;
        }
        m_pagePrinter = pages;
        connect(pages, &PagePrinter::finished, this, [this, pages](bool ok) {
            if (m_pagePrinter == pages) {
                m_pagePrinter = nullptr;
            }
            pages->deleteLater();
            EndPrint();
            emit printFinished(ok);
            emit printingEnded();
        });
    });
    return true;
}

bool WebBrowser::Preview()
{
    m_printing = true;
    // The window takes no input while the page is laid out; the busy cursor says why.
    ShowBusy(true);
    QByteArray pdf;
    bool answered = false;
    QEventLoop wait;
    MakePdf(m_printer->pageLayout(), m_printer->pageRanges(), [&pdf, &answered, &wait](const QByteArray& bytes) {
        pdf = bytes;
        answered = true;
        wait.quit();
    });
    if (!answered) {
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    ShowBusy(false);
    int outcome = PrintPreview::Closed;
    if (!pdf.isEmpty()) {
        PrintPreview dialog(pdf, this);
        outcome = dialog.exec();
    }
    EndPrint();
    emit printingEnded();
    if (pdf.isEmpty()) {
        return false;
    }
    if (outcome == PrintPreview::PrintRequested) {
        ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER);
    }
    return true;
}

bool WebBrowser::printToPdf(const QString& filePath)
{
    return WritePdf(filePath, m_printer->pageLayout(), QPageRanges(),
                    [this](const QString& path, bool ok) { emit pdfPrintingFinished(path, ok); });
}
