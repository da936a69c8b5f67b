#pragma once

#include "BrowserPane.h"
#include "WebPage.h"

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

// The browser pane with the browser engine inside: the engine's set-up at start-up and the pane the item view and
// the viewer show their pages in.

class QLabel;
class QMenu;
class QStackedLayout;
class QPageLayout;
class QPageRanges;
class QPrinter;
class PagePrinter;
class QWebEngineProfile;
class QWebEngineView;
class LocalRequestInterceptor;

// What the browser engine needs before the application object exists; both programs call it first thing in main.
// The engine will not run sandboxed as root: it stops the program with nothing but a sandbox error. So for root, and
// only for root, the pane runs without its sandbox (the pages it shows are the programs' own); every other user keeps
// it. The engine also shares one OpenGL context across windows.
void PrepareBrowserEngine();

// Makes every browser pane from now on a WebBrowser (BrowserPane::Create): the program calls it before its windows.
void UseWebBrowserPanes();

// The embedded browser of the item view and the viewer: navigation with the extended call and its plain fall-back,
// the print and preview commands, and printing to a PDF file. It shows the pages its host loads and nothing else
// (see WebPage); a cover the user clicks is shown as a picture in the pane, scaled to it, until a click or Escape
// goes back to the page.
class WebBrowser : public BrowserPane
{
    Q_OBJECT

public:
    explicit WebBrowser(QWidget* parent = nullptr);
    ~WebBrowser() override;

    // Extended navigation: an absolute address with its scheme, or an absolute local path. False when the text is
    // neither or the address is not one this browser shows (only local files and "about:blank").
    bool Navigate2(const QString& url) override;
    // Plain navigation: the text is read leniently (a relative path counts from the current folder).
    bool Navigate(const QString& url) override;

    // Print (with or without the print dialog) or print preview of the page shown. Printing runs on after the call
    // returns (printFinished tells the end); the preview is modal and has ended when the call returns. False for an
    // unknown command, a cancelled dialog, a page that could not be made ready, while another print runs, or for a
    // print without the dialog when there is no printer to print on (hasPrintTarget). A PDF file is written only
    // by a print whose dialog named it: a print without the dialog never writes one, whatever the printer was
    // last turned to.
    //
    // Each renders at the resolution its output needs: the page is laid out once as a PDF document; a PDF file
    // printer gets that document as it stands (text stays text), written through the one safe file writer, the
    // preview shows it at screen resolution, and any other printer gets its pages as bitmaps at the printer's own
    // resolution, one page at a time.
    bool ExecWB(int cmdID, int cmdexecopt) override;
    // The printer is one that is installed, not a PDF file. Without a printer installed the engine's default is a
    // PDF file of no name, and nothing is printed without the dialog.
    bool hasPrintTarget() const override;
    bool hasPrinter() const override;
    // The PDF file the last print command wrote or tried to write; empty when it went to a printer.
    QString printFile() const override { return m_printFile; }
    // Writes the page shown as a PDF file in the printer's page layout, through the safe file writer;
    // pdfPrintingFinished tells the end. False while another print runs.
    bool printToPdf(const QString& filePath);
    // Prints the page shown on printer as bitmaps at the printer's resolution (the way to a printer that takes only
    // painting); printFinished tells the end. The printer must outlive the print. False while another print runs.
    bool printRendered(QPrinter* printer);

    QUrl LocationURL() const override;
    // A page is loading.
    bool Busy() const { return m_loading; }
    // A print, a preview or a PDF file is being made: one at a time, and the window waits for its end to close.
    bool isPrinting() const override { return m_printing; }

    // The printer that print and preview use; callers may choose it (a PDF file, for instance).
    QPrinter* printer() const { return m_printer.get(); }
    QWebEngineView* view() const { return m_view; }
    WebPage* webPage() const { return m_page; }
    LocalRequestInterceptor* interceptor() const { return m_interceptor; }
    void setExternalOpener(WebPage::UrlOpener opener);
    // The pane's right-click menu: only what keeps the item in view (copy, select all). The caller owns it.
    QMenu* createContextMenu(QWidget* parent = nullptr) const;
    // The view of a clicked cover; shown in place of the page while it is visible.
    QLabel* pictureView() const { return m_picture; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Watch(QObject* child);
    // Shows the local file as a picture scaled to the pane, or says that it cannot be shown; back to the page.
    void ShowPicture(const QUrl& url);
    void ShowPage();
    bool Load(const QUrl& url);
    // The print of the printer as it stands; to a PDF file only when the print dialog was just accepted.
    bool StartPrint(bool fromDialog);
    bool Preview();
    // Lays the page out as a PDF document in the page layout; done gets the bytes (empty on failure) unless the
    // browser has moved on to another print or is going.
    void MakePdf(const QPageLayout& layout, const QPageRanges& ranges, std::function<void(const QByteArray&)> done);
    // Makes the PDF document and writes it to path; told(path, ok) at the end. False while another print runs.
    bool WritePdf(const QString& path, const QPageLayout& layout, const QPageRanges& ranges,
                  std::function<void(const QString&, bool)> told);
    // The resolution a printer's pages are rendered at.
    static int RasterResolution(const QPrinter& printer);
    // Back to no print running: the flags and the cursor; the caller tells the end.
    void EndPrint();
    void ShowBusy(bool busy);

    std::unique_ptr<QPrinter> m_printer;
    QWebEngineProfile* m_profile = nullptr;
    LocalRequestInterceptor* m_interceptor = nullptr;
    WebPage* m_page = nullptr;
    QWebEngineView* m_view = nullptr;
    QLabel* m_picture = nullptr;
    QStackedLayout* m_stack = nullptr;
    bool m_loading = false;
    QUrl m_hostUrl; // the host's load that has not ended yet
    int m_hostRetries = 0;
    bool m_printing = false;
    QString m_printFile;   // the PDF file of the last print command
    quint64 m_pdfJob = 0;  // the PDF document being made; 0 when its answer is no longer wanted
    quint64 m_pdfJobs = 0; // PDF documents asked for so far
    PagePrinter* m_pagePrinter = nullptr;
    bool m_busy = false;      // the busy cursor is up
    bool m_enginePdf = false; // the engine is making a PDF document of the page
    bool m_going = false;     // in the destructor: answers change nothing and tell nobody
};
