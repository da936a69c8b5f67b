#include "PrintPreview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr double kZoomStep = 1.25;
constexpr double kZoomMin = 0.1;
constexpr double kZoomMax = 8.0;

} // namespace

PrintPreview::PrintPreview(const QByteArray& pdf, QWidget* parent) : QDialog(parent), m_pdf(pdf)
{
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowTitle(QStringLiteral("Print Preview"));

    m_document = new QPdfDocument(this);
    m_buffer.setBuffer(&m_pdf);
    m_buffer.open(QIODevice::ReadOnly);
    m_document->load(&m_buffer);

    m_view = new QPdfView(this);
    m_view->setObjectName(QStringLiteral("pdfView"));
    m_view->setPageMode(QPdfView::PageMode::MultiPage);
    m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    m_view->setDocument(m_document);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbPreview"));
    QAction* print = bar->addAction(QStringLiteral("&Print..."), this, [this] { done(PrintRequested); });
    print->setObjectName(QStringLiteral("actPrint"));
    print->setShortcut(QKeySequence::Print);
    bar->addSeparator();
    QAction* zoomOut = bar->addAction(QStringLiteral("Zoom out"), this, [this] { Zoom(1 / kZoomStep); });
    zoomOut->setObjectName(QStringLiteral("actZoomOut"));
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    QAction* zoomIn = bar->addAction(QStringLiteral("Zoom in"), this, [this] { Zoom(kZoomStep); });
    zoomIn->setObjectName(QStringLiteral("actZoomIn"));
    zoomIn->setShortcut(QKeySequence::ZoomIn);
    bar->addAction(QStringLiteral("Fit width"), this, [this] { m_view->setZoomMode(QPdfView::ZoomMode::FitToWidth); })
        ->setObjectName(QStringLiteral("actFitWidth"));
    bar->addAction(QStringLiteral("Whole page"), this, [this] { m_view->setZoomMode(QPdfView::ZoomMode::FitInView); })
        ->setObjectName(QStringLiteral("actWholePage"));
    bar->addSeparator();
    m_position = new QLabel(bar);
    m_position->setObjectName(QStringLiteral("lblPage"));
    m_position->setContentsMargins(8, 0, 8, 0);
    bar->addWidget(m_position);
    bar->addSeparator();
    bar->addAction(QStringLiteral("&Close"), this, &QDialog::reject)->setObjectName(QStringLiteral("actClose"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_view, 1);

    connect(m_view->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this, &PrintPreview::ShowPosition);
    connect(m_document, &QPdfDocument::pageCountChanged, this, &PrintPreview::ShowPosition);
    ShowPosition();

    // Room for a page at a readable size, within the screen.
    QSize size(860, 1000);
    if (const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    resize(size);
}

PrintPreview::~PrintPreview()
{
    // The view lets go of the document before the document and its buffer go.
    m_view->setDocument(nullptr);
}

int PrintPreview::pageCount() const
{
    return m_document->status() == QPdfDocument::Status::Ready ? m_document->pageCount() : 0;
}

int PrintPreview::currentPage() const
{
    return m_view->pageNavigator()->currentPage();
}

void PrintPreview::showPage(int page)
{
    m_view->pageNavigator()->jump(qBound(0, page, qMax(0, pageCount() - 1)), QPointF());
}

void PrintPreview::Zoom(double factor)
{
    const double zoom = qBound(kZoomMin, m_view->zoomFactor() * factor, kZoomMax);
    m_view->setZoomMode(QPdfView::ZoomMode::Custom);
    m_view->setZoomFactor(zoom);
}

void PrintPreview::ShowPosition()
{
    const int count = pageCount();
    m_position->setText(count > 0 ? QStringLiteral("Page %1 of %2").arg(currentPage() + 1).arg(count)
                                  : QStringLiteral("No pages"));
}
