#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QObject>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageRenderer>

class QPrinter;

// Prints a PDF document on a printer whose engine takes only painting: each page becomes a bitmap at the
// resolution the printer is set to, one page at a time, so memory holds a page or two whatever the length. Pages
// are rendered on a worker thread and drawn between the window's events, so the window stays responsive.
class PagePrinter : public QObject
{
    Q_OBJECT

public:
    // The printer must outlive the print (finished, or the destructor's cancel).
    PagePrinter(QPrinter* printer, QObject* parent = nullptr);
    ~PagePrinter() override; // cancels a running print

    // Begins printing; false (and no finished signal) when the document cannot be read or the printer not begun.
    bool Start(const QByteArray& pdf);
    // Ends the print after the page being drawn; finished(false) follows at once.
    void Cancel();

signals:
    void finished(bool ok);

private:
    void RequestNext();
    void PageRendered(int page, const QImage& image, quint64 requestId);
    void End(bool ok);
    QRectF TargetRect() const;

    QPrinter* m_printer;
    QByteArray m_pdf;
    QBuffer m_buffer;
    QPdfDocument m_document;
    QPdfPageRenderer m_renderer;
    QPainter m_painter;
    bool m_running = false;
    int m_total = 0;   // pages to print, copies included when the printer cannot make them itself
    int m_printed = 0; // pages drawn so far
    quint64 m_request = 0;
};
