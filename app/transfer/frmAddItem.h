#pragma once

#include "transfer/ImportSession.h"
#include "transfer/OnlineDialog.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// "Add from Vidsora: Online": search the online catalogue by title or product code, queue results with the place
// each goes to, and import the queue. The work is ImportSession's; this window shows it.
class frmAddItem : public OnlineDialog
{
    Q_OBJECT

public:
    explicit frmAddItem(QWidget* parent = nullptr);
    ~frmAddItem() override;

    // Shows the dialog modally; true when OK was pressed with at least one queued row (the import has then run).
    // strKey, the main window's selection, is not used.
    bool Import(const QString& strKey);

    ImportSession& session() { return *m_session; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillParentCombo();
    void cmdFind_Click();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    void ShowResults();
    void ShowRows();
    void ShowRow(int row);
    // Closes the dialog now, or once the wait in progress has ended.
    void CloseWhenIdle(bool accepted);

    QRadioButton* optTitle = nullptr;
    QRadioButton* optUPC = nullptr;
    QLineEdit* txtFind = nullptr;
    QPushButton* cmdFind = nullptr;
    QTreeWidget* lstvResults = nullptr;
    QPushButton* cmdAdd = nullptr;
    QComboBox* cboParent = nullptr;
    QTreeWidget* lstvSelected = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    ImportSession* m_session = nullptr;
    QList<ImportSession::Place> m_places;
    bool m_result = false;
};
