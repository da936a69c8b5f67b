#pragma once

#include "editors/CategoryEditor.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The category editor: a category's name and sort key.
class frmCategory : public QDialog
{
    Q_OBJECT

public:
    explicit frmCategory(QWidget* parent = nullptr);

    // Shows the editor for the category strKey (empty for a new one). The saved key after OK; after Cancel or the
    // close box the key given.
    QString EditCategory(const QString& strKey);

    QGroupBox* fraCategory;
    QLabel* lblCName;
    QLineEdit* txtCName;
    QLabel* lblCSorting;
    QLineEdit* txtCSort;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void cmdOk_Click();
    void txtCName_Change(const QString& text);

    CategoryEditor m_editor;
    SortKeyFollower m_follower;
};
