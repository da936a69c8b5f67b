#include "PagePrinter.h"

#include <QPrinter>

PagePrinter::PagePrinter(QPrinter* printer, QObject* parent) : QObject(parent), m_printer(printer)
{
    m_renderer.setRenderMode(QPdfPageRenderer::RenderMode::MultiThreaded);
    connect(&m_renderer, &QPdfPageRenderer::pageRendered, this,
            [this](int page, QSize, const QImage& image, QPdfDocumentRenderOptions, quint64 requestId) {
                PageRendered(page, image, requestId);
            });
}

PagePrinter::~PagePrinter()
{
    Cancel();
    // The worker thread may still render the last page asked for; it must not outlive the document.
    m_renderer.setDocument(nullptr);
}

bool PagePrinter::Start(const QByteArray& pdf)
{
    if (m_running || !m_printer) {
        return false;
    }
    m_pdf = pdf;
    m_buffer.close();
    m_buffer.setBuffer(&m_pdf);
    if (!m_buffer.open(QIODevice::ReadOnly)) {
        return false;
    }
    m_document.load(&m_buffer);
    if (m_document.status() != QPdfDocument::Status::Ready || m_document.pageCount() < 1) {
        return false;
    }
    const int copies = m_printer->supportsMultipleCopies() ? 1 : qMax(1, m_printer->copyCount());
    m_total = m_document.pageCount() * copies;
    m_printed = 0;
    if (!m_painter.begin(m_printer)) {
        return false;
    }
    m_renderer.setDocument(&m_document);
    m_running = true;
    RequestNext();
    return true;
}

void PagePrinter::Cancel()
{
    if (!m_running) {
        return;
    }
    // An engine that can drop the job does so; one that cannot closes it with the pages drawn so far.
    m_printer->abort();
    End(false);
}

QRectF PagePrinter::TargetRect() const
{
    // The document's pages are whole sheets with the margins inside; the painter starts at the printable area.
    const QRectF paper = m_printer->paperRect(QPrinter::DevicePixel);
    const QRectF printable = m_printer->pageRect(QPrinter::DevicePixel);
    return paper.translated(-printable.topLeft());
}

void PagePrinter::RequestNext()
{
    const QSize size = TargetRect().size().toSize();
    m_request = m_renderer.requestPage(m_printed % m_document.pageCount(), size);
}

void PagePrinter::PageRendered(int page, const QImage& image, quint64 requestId)
{
    Q_UNUSED(page);
    if (!m_running || requestId != m_request) {
        return;
    }
    if (image.isNull()) {
        End(false);
        return;
    }
    if (m_printed > 0 && !m_printer->newPage()) {
        End(false);
        return;
    }
    // The rendered page is transparent where nothing is drawn; on white it needs no mask in the printer's output.
    QImage sheet(image.size(), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainter onto(&sheet);
        onto.drawImage(0, 0, image);
    }
    m_painter.drawImage(TargetRect(), sheet);
    ++m_printed;
    if (m_printed < m_total) {
        RequestNext();
    } else {
        End(true);
    }
}

void PagePrinter::End(bool ok)
{
    m_running = false;
    m_request = 0;
    const bool ended = m_painter.isActive() ? m_painter.end() : false;
    m_buffer.close();
    emit finished(ok && ended);
}
