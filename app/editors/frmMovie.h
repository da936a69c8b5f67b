#pragma once

#include "core/PickLists.h"
#include "editors/MovieEditor.h"
#include "editors/PendingCovers.h"

#include <QDialog>
#include <QHash>

#include <array>
#include <cstddef>
#include <memory>

class CMovie;
class CoverPicture;
class ParentCombo;
class ProductCodeField;
class ctlMedia;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;

// The movie editor: creates a movie, edits one, or fills in a template of the values several new movies share.
class frmMovie : public QDialog
{
    Q_OBJECT

public:
    explicit frmMovie(QWidget* parent = nullptr);
    ~frmMovie() override;

    // The container preselected for the next new movie.
    void MovieParent(const QString& strKey);
    // Shows the editor for the movie strKey (empty for a new one). The saved key after OK; the empty string after
    // Cancel; after the close box the key as it stood.
    QString EditMovie(const QString& strKey);
    // Template mode: a free-standing movie holding what was entered, never added or stored; null after Cancel.
    std::unique_ptr<CMovie> MakeTemplate();

    void reject() override;

    // The combo box that offers a pick list, named as PickLists::Table() names it ("cboPicture", ...).
    QComboBox* PickCombo(PickLists::PickList list) const;

    QTabWidget* tbMovie;
    QWidget* fraGeneral;
    QWidget* fraMedia;
    QWidget* fraLanguage;
    QWidget* fraCast;
    QWidget* fraCrew;
    QWidget* fraExtras;
    QWidget* fraSynopsis;
    QWidget* fraNotes;
    QWidget* fraCover;

    QLineEdit* txtTitle;
    QLineEdit* txtLabel;
    QLineEdit* txtMSorting;
    ProductCodeField* txtMUCP;
    QComboBox* cboSystem;
    QLineEdit* txtCountry;
    QLineEdit* txtYear;
    QLineEdit* txtLength;
    QLineEdit* txtWebsite;
    QPushButton* cmdSurfTo;
    QGroupBox* fraPicture;
    QPushButton* cmdAddPictureFormat;
    QPushButton* cmdRemovePictureFormat;
    QListWidget* lstPicture;

    ctlMedia* ctlMediaData;

    QGroupBox* fraSpoken;
    QPushButton* cmdAddSpokenLanguage;
    QPushButton* cmdRemoveSpokenLanguage;
    QListWidget* lstAudio;
    QGroupBox* fraSubtitles;
    QPushButton* cmdAddSubtitles;
    QPushButton* cmdRemoveSubtitles;
    QListWidget* lstSubtitles;

    QPlainTextEdit* txtCast;
    QPlainTextEdit* txtWriter;
    QPlainTextEdit* txtDirector;
    QPlainTextEdit* txtProducer;

    QPushButton* cmdAddExtra;
    QPushButton* cdmRemoveExtras;
    QListWidget* lstExtras;

    QPlainTextEdit* txtSynopsis;
    QPlainTextEdit* txtNotes;

    CoverPicture* imgMFrontCover;
    CoverPicture* imgMBackCover;
    QPushButton* cmdAddFrontCover;
    QPushButton* cmdDeleteFrontCover;
    QPushButton* cmdAddBackCover;
    QPushButton* cmdDeleteBackCover;

    QLabel* lblParent;
    ParentCombo* cboParent;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QComboBox* AddPickCombo(QWidget* parent, PickLists::PickList list);
    // The control shows the field: the form's fill and read-back and the clearing walk these.
    void Bind(MovieField field, QWidget* control);
    // Binds the control and gives it a labelled row (the caption with ":"); row, when given, is laid out for it.
    void AddFieldRow(QFormLayout* layout, MovieField field, const char* labelName, QWidget* control,
                     QLayout* row = nullptr);
    void BuildGeneral();
    void BuildLanguage();
    void BuildPeople();
    void BuildCover();

    // Resets every control, fills the lists and the parent picker, loads the form and shows the dialog.
    void PrepareForm();
    void ClearFields();
    void FillPickLists();
    void LoadForm(const MovieForm& form);
    MovieForm ReadForm() const;
    void SetTemplateLook(bool templateMode);

    void cmdOk_Click();
    void cmdCancel_Click();
    void cboParent_Change();
    void txtTitle_Change(const QString& text);
    QString ParentKeyChosen() const;

    QHash<PickLists::PickList, QComboBox*> m_pickCombos;
    // By MovieField; null for the fields with no control of their own (the numbers, the media block's).
    std::array<QWidget*, size_t(MovieField::Count)> m_controls{};
    MovieEditor m_editor;
    PendingCovers m_covers;
    SortKeyFollower m_follower;
    ParentChoice m_parent;
    bool m_closeBox = false;
    bool m_loading = false;
};
