#pragma once

#include "editors/EditorSave.h"
#include "editors/MediaEditor.h"
#include "editors/PendingCovers.h"

#include <QDialog>

#include <memory>

class CMedia;
class CoverPicture;
class ParentCombo;
class ProductCodeField;
class ctlMedia;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QWidget;

// The media editor: creates a medium (one disc or tape), edits one, or fills in a template of the values several new
// media share.
class frmMedia : public QDialog
{
    Q_OBJECT

public:
    explicit frmMedia(QWidget* parent = nullptr);
    ~frmMedia() override;

    // The container preselected for the next new medium.
    void MediaParent(const QString& strKey);
    // Shows the editor for the medium strKey (empty for a new one). The saved key after OK; after Cancel or the
    // close box the key given.
    QString EditMedia(const QString& strKey);
    // Template mode: a free-standing medium holding the description and extras entered, never added or stored;
    // null after Cancel.
    std::unique_ptr<CMedia> MakeTemplate();

    QTabWidget* tbMedia;
    QWidget* fraGeneral;
    QWidget* fraExtras;
    QWidget* fraCover;

    QLineEdit* txtEName;
    QLineEdit* txtESort;
    ProductCodeField* txtEUCP;
    ctlMedia* ctlMediaData;

    QComboBox* cboExtras;
    QPushButton* cmdAddExtra;
    QPushButton* cdmRemoveExtras;
    QListWidget* lstExtras;

    CoverPicture* imgEFrontCover;
    CoverPicture* imgEBackCover;
    QPushButton* cmdAddFrontCover;
    QPushButton* cdmDeleteFrontCover;
    QPushButton* cmdAddBackCover;
    QPushButton* cmdDeleteBackCover;

    ParentCombo* cboParent;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    // Resets every control, fills the extras and the parent picker, loads the form.
    void InitForm();
    MediaForm ReadForm() const;
    QString ParentKeyChosen() const;
    bool TemplateMode() const { return m_editor.mode() == MediaEditor::Mode::Template; }

    void cmdOk_Click();
    void txtEName_Change(const QString& text);

    MediaEditor m_editor;
    PendingCovers m_covers;
    SortKeyFollower m_follower;
    ParentChoice m_parent;
};
