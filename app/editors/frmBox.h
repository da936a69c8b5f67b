#pragma once

#include "editors/BoxEditor.h"
#include "editors/EditorSave.h"
#include "editors/PendingCovers.h"

#include <QDialog>

class CoverPicture;
class ParentCombo;
class ProductCodeField;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QWidget;

// The box editor: a box set's name, sort key, product code, extras, place and covers.
class frmBox : public QDialog
{
    Q_OBJECT

public:
    explicit frmBox(QWidget* parent = nullptr);
    ~frmBox() override;

    // The place preselected for the next new box.
    void BoxParent(const QString& strKey);
    // Shows the editor for the box strKey (empty for a new one). The saved key after OK; after Cancel or the close
    // box the key given.
    QString EditBox(const QString& strKey);

    QTabWidget* tbBox;
    QWidget* fraGeneral;
    QWidget* fraExtras;
    QWidget* fraCover;

    QLabel* lblBName;
    QLineEdit* txtBName;
    QLabel* lblBSorting;
    QLineEdit* txtBSort;
    QLabel* lblBUCP;
    ProductCodeField* txtBUCP;

    QComboBox* cboExtras;
    QPushButton* cmdAddExtra;
    QPushButton* cdmRemoveExtras;
    QListWidget* lstExtras;

    CoverPicture* imgBFrontCover;
    CoverPicture* imgBBackCover;
    QPushButton* cmdAddFrontCover;
    QPushButton* cdmDeleteFrontCover;
    QPushButton* cmdAddBackCover;
    QPushButton* cmdDeleteBackCover;

    QLabel* lblParent;
    ParentCombo* cboParent;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void InitForm();
    BoxForm ReadForm() const;
    QString ParentKeyChosen() const;

    void cmdOk_Click();
    void txtBName_Change(const QString& text);

    BoxEditor m_editor;
    PendingCovers m_covers;
    SortKeyFollower m_follower;
    ParentChoice m_parent;
};
