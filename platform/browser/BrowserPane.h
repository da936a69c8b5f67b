#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

// The browser pane as the main window uses it: navigation, print and preview, and what it tells back. The program
// makes its panes with the browser engine (WebBrowser); without a maker set, a pane is a PaneStandIn that shows
// nothing and needs no engine.
class BrowserPane : public QWidget
{
    Q_OBJECT

public:
    // Command identifiers and options of ExecWB, with the old control's values.
    enum OLECMDID
    {
        OLECMDID_PRINT = 6,
        OLECMDID_PRINTPREVIEW = 7,
    };
    enum OLECMDEXECOPT
    {
        OLECMDEXECOPT_DODEFAULT = 0,
        OLECMDEXECOPT_PROMPTUSER = 1,
        OLECMDEXECOPT_DONTPROMPTUSER = 2,
        OLECMDEXECOPT_SHOWHELP = 3,
    };

    using Maker = std::function<BrowserPane*(QWidget* parent)>;
    // The maker of every pane from now on; an empty one goes back to the stand-in.
    static void SetMaker(Maker maker);
    // A new pane from the maker set, or a stand-in when none is.
    static BrowserPane* Create(QWidget* parent);

    explicit BrowserPane(QWidget* parent = nullptr);
    ~BrowserPane() override;

    // Extended navigation: an absolute address with its scheme, or an absolute local path. False when the text is
    // neither or the address is not one this pane shows.
    virtual bool Navigate2(const QString& url) = 0;
    // Plain navigation: the text is read leniently (a relative path counts from the current folder).
    virtual bool Navigate(const QString& url) = 0;
    // Print (with or without the print dialog) or print preview of the page shown. False when nothing was started.
    virtual bool ExecWB(int cmdID, int cmdexecopt) = 0;
    // There is a printer to print on without the print dialog: one that is installed and chosen (not a PDF file).
    virtual bool hasPrintTarget() const = 0;
    // A printer is installed (the print dialog may have been turned to a PDF file since).
    virtual bool hasPrinter() const = 0;
    // The PDF file the last print command wrote or tried to write; empty when it went to a printer.
    virtual QString printFile() const = 0;
    // A print, a preview or a PDF file is being made.
    virtual bool isPrinting() const = 0;
    virtual QUrl LocationURL() const = 0;

signals:
    // A page has loaded (ok false: it could not be shown, the engine's own error page may stand in).
    void DocumentComplete(const QUrl& url, bool ok);
    void printFinished(bool ok);
    void pdfPrintingFinished(const QString& filePath, bool ok);
    // Whatever print, preview or PDF file ran has ended; isPrinting() is false again.
    void printingEnded();
    // The pane (or the page inside it) got the keyboard focus.
    void gotFocus();
};
