#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QDialog>

class QLabel;
class QPdfDocument;
class QPdfView;

// The print preview: the page as it will print, made once as a PDF document and shown page by page at screen
// resolution, so a long page costs a few screenfuls of memory, not a bitmap per printed page.
class PrintPreview : public QDialog
{
    Q_OBJECT

public:
    // What the dialog ended with: closed, or the user asked to print.
    enum Outcome
    {
        Closed = QDialog::Rejected,
        PrintRequested = QDialog::Accepted,
    };

    explicit PrintPreview(const QByteArray& pdf, QWidget* parent = nullptr);
    ~PrintPreview() override;

    QPdfDocument* document() const { return m_document; }
    QPdfView* view() const { return m_view; }
    int pageCount() const;
    // The page at the top of the view (0 the first).
    int currentPage() const;
    // Scrolls the view to a page.
    void showPage(int page);

private:
    void Zoom(double factor);
    void ShowPosition();

    QByteArray m_pdf;
    QBuffer m_buffer;
    QPdfDocument* m_document = nullptr;
    QPdfView* m_view = nullptr;
    QLabel* m_position = nullptr;
};
