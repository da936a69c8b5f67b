#pragma once

#include "transfer/OnlineDialog.h"
#include "transfer/UploadSession.h"

class QPushButton;
class QTreeWidget;

// "Uploading...": the rows to send to Vidsora: Online and their progress. OK sends every row; after the collection
// list it offers to queue the items the service lacks, and the next OK sends those. The work is UploadSession's.
class frmExport : public OnlineDialog
{
    Q_OBJECT

public:
    explicit frmExport(QWidget* parent = nullptr);
    ~frmExport() override;

    // Adds a row: the item's name, its product code ("N/A" for the collection list) and its key (or the list).
    void AddItem(const QString& text, const QString& code, const QString& tag);

    UploadSession& session() { return *m_session; }

private:
    void cmdOk_Click();
    void cmdCancel_Click();
    void ShowRows();
    void ShowRow(int row);

    QTreeWidget* lstvUpload = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    UploadSession* m_session = nullptr;
};
