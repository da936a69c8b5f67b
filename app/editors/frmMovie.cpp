#include "editors/frmMovie.h"

#include "CMovie.h"
#include "core/PickLists.h"
#include "editors/CoverPicture.h"
#include "editors/DialogParts.h"
#include "editors/EditorWidgets.h"
#include "editors/ParentCombo.h"
#include "editors/ProductCodeField.h"
#include "editors/ctlMedia.h"
#include "widgets/mControls.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using PickLists::PickList;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QPlainTextEdit* Text(QWidget* parent, const char* name)
{
    auto* box = Named(new QPlainTextEdit(parent), name);
    box->setTabChangesFocus(true);
    return box;
}

// The store keeps CR LF between lines; the text boxes use a bare line feed.
QString FromStore(const QString& text)
{
    return QString(text).replace(kCrLf, QStringLiteral("\n"));
}

QString ToStore(const QString& text)
{
    return QString(text).replace(u'\n', kCrLf);
}

const char* Caption(MovieField field)
{
    return CMovie::Fields()[size_t(field)].caption;
}

// A field's control shows its text, and only it, the way the control holds it: a line, an entry per line, or lines of
// text.
void ShowText(QWidget* control, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        line->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setEditText(text);
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        list->clear();
        AddLinesToList(text, list);
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
        box->setPlainText(FromStore(text));
    }
}

QString TextShown(const QWidget* control)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(control)) {
        return line->text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
        return combo->currentText();
    }
    if (const auto* list = qobject_cast<const QListWidget*>(control)) {
        return ListToText(list);
    }
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(control)) {
        return ToStore(box->toPlainText());
    }
    return QString();
}

// A list with its combo box, add and remove buttons, the way the editors feed lists.
QGridLayout* ListEditor(QWidget* frame, const QList<QComboBox*>& combos, QPushButton* add, QPushButton* remove,
                        QListWidget* list)
{
    auto* grid = new QGridLayout(frame);
    auto* row = new QHBoxLayout;
    for (QComboBox* combo : combos) {
        row->addWidget(combo, 1);
    }
    row->addWidget(add);
    row->addWidget(remove);
    grid->addLayout(row, 0, 0);
    grid->addWidget(list, 1, 0);
    for (QComboBox* combo : combos) {
        AddOnEnter(combo, add);
    }
    return grid;
}

} // namespace

frmMovie::frmMovie(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMovie"));
    setModal(true);

    tbMovie = Named(new QTabWidget(this), "tbMovie");
    BuildGeneral();

    fraMedia = Named(new QWidget, "fraMedia");
    ctlMediaData = new ctlMedia(fraMedia);
    auto* mediaLayout = new QVBoxLayout(fraMedia);
    mediaLayout->addWidget(ctlMediaData);

    BuildLanguage();
    BuildPeople();
    BuildCover();

    AddKeyedTabs(tbMovie, {{"General", "&General", fraGeneral},
                           {"Media", "&Media", fraMedia},
                           {"Language", "&Language", fraLanguage},
                           {"Cast", Caption(MovieField::Cast), fraCast},
                           {"Crew", "C&rew", fraCrew},
                           {"Extras", Caption(MovieField::Extras), fraExtras},
                           {"Synopsis", Caption(MovieField::Synopsis), fraSynopsis},
                           {"Notes", Caption(MovieField::Notes), fraNotes},
                           {"Cover", "Co&ver", fraCover}});

    lblParent = Named(new QLabel(QStringLiteral("Belongs to:"), this), "lblParent");
    cboParent = new ParentCombo(this);
    cboParent->setPlaceholderText(QStringLiteral("(its container is missing; kept as stored)"));
    lblParent->setBuddy(cboParent);
    BuildEditorFoot(this, tbMovie, lblParent, cboParent, cmdOk, cmdCancel);

    connect(cmdOk, &QPushButton::clicked, this, &frmMovie::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMovie::cmdCancel_Click);
    connect(cboParent, &QComboBox::activated, this, [this] {
        m_parent.Pick(cboParent->SelectedKey());
        cboParent_Change();
    });
    connect(cboParent, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_loading) {
            cboParent_Change();
        }
    });
}

frmMovie::~frmMovie() = default;

void frmMovie::BuildGeneral()
{
    fraGeneral = Named(new QWidget, "fraGeneral");
    txtTitle = NamedLine(fraGeneral, "txtTitle");
    txtLabel = NamedLine(fraGeneral, "txtLabel");
    txtLabel->setToolTip(QStringLiteral("Additions to the title, such as \"Special Edition\" or a translated title."));
    txtMSorting = NamedLine(fraGeneral, "txtMSorting");
    txtMUCP = Named(new ProductCodeField(ProductCodeGate::Editor::Movie, fraGeneral), "txtMUCP");
    SelectAllOnFocus(txtMUCP);
    txtMUCP->SetDesignedToolTip(
        QStringLiteral("The UPC/EAN of the movie: enter all the digits, also those printed outside the bars. Ignore "
                       "this box for a movie that is part of a medium or a box set."));
    cboSystem = NamedPickCombo(fraGeneral, "cboSystem");
    txtCountry = NamedLine(fraGeneral, "txtCountry");
    txtYear = NamedLine(fraGeneral, "txtYear");
    txtYear->setMaxLength(4);
    txtLength = NamedLine(fraGeneral, "txtLength");
    txtLength->setToolTip(QStringLiteral("The length in minutes."));
    QComboBox* cboStudios = AddPickCombo(fraGeneral, PickList::Studios);
    txtWebsite = NamedLine(fraGeneral, "txtWebsite");
    // No access key: the letters of "Go" belong to "&General" and "&Ok".
    cmdSurfTo = NamedButton(fraGeneral, "cmdSurfTo", QStringLiteral("Go"));
    cmdSurfTo->setToolTip(QStringLiteral("Open the web site in the browser."));
    auto* website = new QHBoxLayout;
    website->addWidget(txtWebsite, 1);
    website->addWidget(cmdSurfTo);

    auto* fields = new QFormLayout;
    AddFieldRow(fields, MovieField::Title, "lblTitle", txtTitle);
    AddFieldRow(fields, MovieField::Label, "lblLabel", txtLabel);
    AddFieldRow(fields, MovieField::SortKey, "lblMSorting", txtMSorting);
    AddFieldRow(fields, MovieField::UPC, "lblMUCP", txtMUCP);
    AddFieldRow(fields, MovieField::System, "lblSystem", cboSystem);
    AddFieldRow(fields, MovieField::Country, "lblCountry", txtCountry);
    AddFieldRow(fields, MovieField::Year, "lblYear", txtYear);
    AddFieldRow(fields, MovieField::Length, "lblLength", txtLength);
    AddFieldRow(fields, MovieField::Studio, "lblStudio", cboStudios);
    AddFieldRow(fields, MovieField::Website, "lblWebsite", txtWebsite, website);

    fraPicture = Named(new QGroupBox(QString::fromLatin1(Caption(MovieField::Picture)), fraGeneral), "fraPicture");
    QComboBox* cboPicture = AddPickCombo(fraPicture, PickList::Picture);
    cmdAddPictureFormat = NamedButton(fraPicture, "cmdAddPictureFormat", QStringLiteral("Add"));
    cmdRemovePictureFormat = NamedButton(fraPicture, "cmdRemovePictureFormat", QStringLiteral("Remove"));
    lstPicture = Named(new QListWidget(fraPicture), "lstPicture");
    Bind(MovieField::Picture, lstPicture);
    ListEditor(fraPicture, {cboPicture}, cmdAddPictureFormat, cmdRemovePictureFormat, lstPicture);

    auto* layout = new QHBoxLayout(fraGeneral);
    layout->addLayout(fields, 3);
    layout->addWidget(fraPicture, 2);

    connect(txtTitle, &QLineEdit::textChanged, this, &frmMovie::txtTitle_Change);
    // Offered only for an address the desktop's browser would be given.
    connect(txtWebsite, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdSurfTo->setEnabled(!WebsiteUrl(text).isEmpty()); });
    connect(cmdSurfTo, &QPushButton::clicked, this, [this] {
        const QUrl url = WebsiteUrl(txtWebsite->text());
        if (url.isValid() && !url.isEmpty()) {
            OpenDocument(url.toString());
        }
    });
    connect(cmdAddPictureFormat, &QPushButton::clicked, this,
            [this, cboPicture] { AddUniqueToList(cboPicture->currentText(), lstPicture); });
    connect(cmdRemovePictureFormat, &QPushButton::clicked, this, [this] { RemoveSelectedEntry(lstPicture); });
}

void frmMovie::BuildLanguage()
{
    fraLanguage = Named(new QWidget, "fraLanguage");
    fraSpoken = Named(new QGroupBox(QString::fromLatin1(Caption(MovieField::Audio)), fraLanguage), "fraSpoken");
    QComboBox* cboSpokenLanguage = AddPickCombo(fraSpoken, PickList::LangSpoken);
    QComboBox* cboAudio = AddPickCombo(fraSpoken, PickList::Audio);
    cmdAddSpokenLanguage = NamedButton(fraSpoken, "cmdAddSpokenLanguage", QStringLiteral("Add"));
    cmdRemoveSpokenLanguage = NamedButton(fraSpoken, "cmdRemoveSpokenLanguage", QStringLiteral("Remove"));
    lstAudio = Named(new QListWidget(fraSpoken), "lstAudio");
    Bind(MovieField::Audio, lstAudio);
    ListEditor(fraSpoken, {cboSpokenLanguage, cboAudio}, cmdAddSpokenLanguage, cmdRemoveSpokenLanguage, lstAudio);

    fraSubtitles =
        Named(new QGroupBox(QString::fromLatin1(Caption(MovieField::Subtitles)), fraLanguage), "fraSubtitles");
    QComboBox* cboSubtitles = AddPickCombo(fraSubtitles, PickList::LangSub);
    cmdAddSubtitles = NamedButton(fraSubtitles, "cmdAddSubtitles", QStringLiteral("Add"));
    cmdRemoveSubtitles = NamedButton(fraSubtitles, "cmdRemoveSubtitles", QStringLiteral("Remove"));
    lstSubtitles = Named(new QListWidget(fraSubtitles), "lstSubtitles");
    Bind(MovieField::Subtitles, lstSubtitles);
    ListEditor(fraSubtitles, {cboSubtitles}, cmdAddSubtitles, cmdRemoveSubtitles, lstSubtitles);

    auto* layout = new QHBoxLayout(fraLanguage);
    layout->addWidget(fraSpoken, 3);
    layout->addWidget(fraSubtitles, 2);

    connect(cmdAddSpokenLanguage, &QPushButton::clicked, this, [this, cboSpokenLanguage, cboAudio] {
        AddUniqueToList(cboSpokenLanguage->currentText() + u' ' + cboAudio->currentText(), lstAudio);
    });
    connect(cmdRemoveSpokenLanguage, &QPushButton::clicked, this, [this] { RemoveSelectedEntry(lstAudio); });
    connect(cmdAddSubtitles, &QPushButton::clicked, this,
            [this, cboSubtitles] { AddUniqueToList(cboSubtitles->currentText(), lstSubtitles); });
    connect(cmdRemoveSubtitles, &QPushButton::clicked, this, [this] { RemoveSelectedEntry(lstSubtitles); });
}

void frmMovie::BuildPeople()
{
    fraCast = Named(new QWidget, "fraCast");
    txtCast = Text(fraCast, "txtCast");
    Bind(MovieField::Cast, txtCast);
    txtCast->setToolTip(QStringLiteral("One actor and role per line, the actor first, a colon between."));
    auto* castLayout = new QVBoxLayout(fraCast);
    castLayout->addWidget(txtCast);

    fraCrew = Named(new QWidget, "fraCrew");
    txtWriter = Text(fraCrew, "txtWriter");
    txtDirector = Text(fraCrew, "txtDirector");
    txtProducer = Text(fraCrew, "txtProducer");
    auto* crewLayout = new QFormLayout(fraCrew);
    AddFieldRow(crewLayout, MovieField::Writer, "lblWriter", txtWriter);
    AddFieldRow(crewLayout, MovieField::Director, "lblDirector", txtDirector);
    AddFieldRow(crewLayout, MovieField::Producer, "lblProducer", txtProducer);

    fraExtras = Named(new QWidget, "fraExtras");
    QComboBox* cboExtras = AddPickCombo(fraExtras, PickList::Extras);
    cmdAddExtra = NamedButton(fraExtras, "cmdAddExtra", QStringLiteral("Add"));
    cdmRemoveExtras = NamedButton(fraExtras, "cdmRemoveExtras", QStringLiteral("Remove"));
    lstExtras = Named(new QListWidget(fraExtras), "lstExtras");
    Bind(MovieField::Extras, lstExtras);
    ListEditor(fraExtras, {cboExtras}, cmdAddExtra, cdmRemoveExtras, lstExtras);
    connect(cmdAddExtra, &QPushButton::clicked, this,
            [this, cboExtras] { AddUniqueToList(cboExtras->currentText(), lstExtras); });
    connect(cdmRemoveExtras, &QPushButton::clicked, this, [this] { RemoveSelectedEntry(lstExtras); });

    fraSynopsis = Named(new QWidget, "fraSynopsis");
    txtSynopsis = Text(fraSynopsis, "txtSynopsis");
    Bind(MovieField::Synopsis, txtSynopsis);
    auto* synopsisLayout = new QVBoxLayout(fraSynopsis);
    synopsisLayout->addWidget(txtSynopsis);

    fraNotes = Named(new QWidget, "fraNotes");
    txtNotes = Text(fraNotes, "txtNotes");
    Bind(MovieField::Notes, txtNotes);
    auto* notesLayout = new QVBoxLayout(fraNotes);
    notesLayout->addWidget(txtNotes);
}

void frmMovie::BuildCover()
{
    fraCover = Named(new QWidget, "fraCover");
    imgMFrontCover = Named(new CoverPicture(fraCover), "imgMFrontCover");
    imgMBackCover = Named(new CoverPicture(fraCover), "imgMBackCover");
    cmdAddFrontCover = NamedButton(fraCover, "cmdAddFrontCover", QStringLiteral("Add..."));
    cmdDeleteFrontCover = NamedButton(fraCover, "cmdDeleteFrontCover", QStringLiteral("Delete"));
    cmdAddBackCover = NamedButton(fraCover, "cmdAddBackCover", QStringLiteral("Add..."));
    cmdDeleteBackCover = NamedButton(fraCover, "cmdDeleteBackCover", QStringLiteral("Delete"));

    auto* grid = new QGridLayout(fraCover);
    grid->addWidget(new QLabel(QStringLiteral("Front cover"), fraCover), 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Back cover"), fraCover), 0, 2, 1, 2);
    grid->addWidget(imgMFrontCover, 1, 0, 1, 2, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(imgMBackCover, 1, 2, 1, 2, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(cmdAddFrontCover, 2, 0);
    grid->addWidget(cmdDeleteFrontCover, 2, 1);
    grid->addWidget(cmdAddBackCover, 2, 2);
    grid->addWidget(cmdDeleteBackCover, 2, 3);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(3, 1);

    ConnectCoverButtons(this, m_covers, {imgMFrontCover, cmdAddFrontCover, cmdDeleteFrontCover},
                        {imgMBackCover, cmdAddBackCover, cmdDeleteBackCover});
}

void frmMovie::Bind(MovieField field, QWidget* control)
{
    m_controls[size_t(field)] = control;
}

void frmMovie::AddFieldRow(QFormLayout* layout, MovieField field, const char* labelName, QWidget* control, QLayout* row)
{
    Bind(field, control);
    // A label shows its "&" as an underlined access key only when it has a buddy to take the focus.
    auto* label = Named(new QLabel(QString::fromLatin1(Caption(field)) + u':', control->parentWidget()), labelName);
    label->setBuddy(control);
    if (row) {
        layout->addRow(label, row);
    } else {
        layout->addRow(label, control);
    }
}

QComboBox* frmMovie::AddPickCombo(QWidget* parent, PickList list)
{
    QComboBox* combo = NamedPickCombo(parent, PickLists::NamesOf(list).combo);
    m_pickCombos.insert(list, combo);
    return combo;
}

QComboBox* frmMovie::PickCombo(PickList list) const
{
    return m_pickCombos.value(list);
}

void frmMovie::MovieParent(const QString& strKey)
{
    m_editor.SetParentKey(strKey);
}

QString frmMovie::EditMovie(const QString& strKey)
{
    m_editor.Open(strKey);
    PrepareForm();
    exec();
    return m_editor.Key();
}

std::unique_ptr<CMovie> frmMovie::MakeTemplate()
{
    m_editor.OpenTemplate();
    PrepareForm();
    exec();
    return m_editor.TakeTemplate();
}

void frmMovie::PrepareForm()
{
    const CursorOverride wait;
    m_loading = true;
    m_covers.Reset();
    tbMovie->setCurrentIndex(0);
    ClearFields();
    FillPickLists();
    cboParent->Fill(m_editor.Places());
    cboParent->SelectKey(kRootKey);

    const MovieForm& form = m_editor.Form();
    const bool templateMode = m_editor.mode() == MovieEditor::Mode::Template;
    LoadForm(form);
    m_parent = ParentChoice();
    if (!templateMode) {
        m_parent.Load(form.parentKey, cboParent->HasKey(form.parentKey));
        if (!cboParent->SelectKey(form.parentKey)) {
            cboParent->setCurrentIndex(-1);
        }
    }
    // The media block: a movie on a medium shows the medium's description, read-only.
    ctlMediaData->setLocked(false);
    const auto medium = MovieEditor::MediumDescription(ParentKeyChosen());
    ctlMediaData->setDMedia(medium ? *medium : form.dMedia);
    ctlMediaData->setLocked(medium.has_value());

    txtMUCP->LoadCode(form[MovieField::UPC], m_editor.LoadedParentKey());
    ShowStoredCovers(m_editor.Covers(), imgMFrontCover, imgMBackCover);
    SetTemplateLook(templateMode);
    txtMUCP->SetContext(ParentKeyChosen(), templateMode);
    setWindowTitle(m_editor.Caption());
    tbMovie->setCurrentIndex(0);
    // A template's title is disabled: its first field that takes input gets the focus, not the tab bar.
    if (QWidget* first = templateMode ? FirstControl(fraGeneral) : txtTitle) {
        first->setFocus();
    }
    m_loading = false;
}

void frmMovie::ClearFields()
{
    // Emptied before the fill, so that the title's change reaches the sort key follower even when it reads the same.
    for (QWidget* control : m_controls) {
        ShowText(control, QString());
    }
    imgMFrontCover->Clear();
    imgMBackCover->Clear();
    cmdSurfTo->setEnabled(false);
}

void frmMovie::FillPickLists()
{
    for (const PickList list : PickLists::All()) {
        RefillPickCombo(PickCombo(list), PickLists::ReadEntries(list));
    }
    TellPickListNotice(this);
    RefillPickCombo(cboSystem, {QStringLiteral("PAL"), QStringLiteral("NTSC"), QStringLiteral("SECAM")});
}

void frmMovie::LoadForm(const MovieForm& form)
{
    // The title comes before the sort key in the list, so the sort key follows it for a moment; the stored sort key
    // then replaces it.
    m_follower.Reset(QString());
    for (size_t f = 0; f < m_controls.size(); ++f) {
        ShowText(m_controls[f], form.text[f]);
    }
    cmdSurfTo->setEnabled(!WebsiteUrl(form[MovieField::Website]).isEmpty());
}

MovieForm frmMovie::ReadForm() const
{
    MovieForm form;
    for (size_t f = 0; f < m_controls.size(); ++f) {
        if (m_controls[f]) {
            form.text[f] = TextShown(m_controls[f]);
        }
    }
    form.dMedia = ctlMediaData->dMedia();
    form.parentKey = ParentKeyChosen();
    return form;
}

QString frmMovie::ParentKeyChosen() const
{
    return m_parent.KeyShowing(cboParent->SelectedKey());
}

void frmMovie::SetTemplateLook(bool templateMode)
{
    for (QWidget* widget :
         std::initializer_list<QWidget*>{txtTitle, txtMSorting, txtLabel, txtMUCP, cmdAddBackCover, cmdDeleteBackCover,
                                         cmdAddFrontCover, cmdDeleteFrontCover, cboParent}) {
        widget->setEnabled(!templateMode);
    }
}

void frmMovie::cmdOk_Click()
{
    const MovieForm form = ReadForm();
    if (RefuseUnstorable(this, MovieFields(form))) {
        return;
    }
    txtMUCP->SetContext(form.parentKey, m_editor.mode() == MovieEditor::Mode::Template);
    if (!txtMUCP->PassesOkGate()) {
        return;
    }
    AcceptOrRefuse(this, m_editor.Save(form, m_covers));
}

void frmMovie::cmdCancel_Click()
{
    m_editor.Cancel();
    QDialog::reject();
}

void frmMovie::reject()
{
    // Esc is the Cancel button; only the window's close box leaves the key as it stood.
    if (!m_closeBox) {
        m_editor.Cancel();
    }
    QDialog::reject();
}

void frmMovie::closeEvent(QCloseEvent* event)
{
    m_closeBox = true;
    QDialog::closeEvent(event);
    m_closeBox = false;
}

void frmMovie::cboParent_Change()
{
    const QString key = ParentKeyChosen();
    if (const auto medium = MovieEditor::MediumDescription(key)) {
        ctlMediaData->setLocked(false);
        ctlMediaData->setDMedia(*medium);
        ctlMediaData->setLocked(true);
    } else {
        ctlMediaData->setLocked(false);
    }
    txtMUCP->SetContext(key, m_editor.mode() == MovieEditor::Mode::Template);
}

void frmMovie::txtTitle_Change(const QString& text)
{
    FollowName(m_follower, text, txtMSorting);
}
