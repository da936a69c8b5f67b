#pragma once

#include "editors/GroupEditor.h"

#include <QDialog>

class ParentCombo;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The group editor: a group's name, sort key and place (the root or a category).
class frmGroup : public QDialog
{
    Q_OBJECT

public:
    explicit frmGroup(QWidget* parent = nullptr);

    // The place preselected for the next new group.
    void GroupParent(const QString& strKey);
    // Shows the editor for the group strKey (empty for a new one). The saved key after OK; after Cancel or the close
    // box the key given.
    QString EditGroup(const QString& strKey);

    QGroupBox* fraSubcategory;
    QLabel* lblSName;
    QLineEdit* txtSName;
    QLabel* lblSSorting;
    QLineEdit* txtSSort;
    QLabel* lblParent;
    ParentCombo* cboParent;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void cmdOk_Click();
    void txtSName_Change(const QString& text);

    GroupEditor m_editor;
    SortKeyFollower m_follower;
    ParentChoice m_place;
};
