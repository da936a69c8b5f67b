#include "editors/frmMedia.h"

#include "CMedia.h"
#include "core/PickLists.h"
#include "editors/CoverPicture.h"
#include "editors/DialogParts.h"
#include "editors/EditorWidgets.h"
#include "editors/ParentCombo.h"
#include "editors/ProductCodeField.h"
#include "editors/ctlMedia.h"
#include "widgets/mControls.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

frmMedia::frmMedia(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMedia"));
    setWindowTitle(QStringLiteral("Media"));
    setModal(true);

    tbMedia = Named(new QTabWidget(this), "tbMedia");

    fraGeneral = Named(new QWidget, "fraGeneral");
    txtEName = NamedLine(fraGeneral, "txtEName", QStringLiteral("The name of the media"));
    txtESort = NamedLine(fraGeneral, "txtESort");
    txtEUCP = Named(new ProductCodeField(ProductCodeGate::Editor::Media, fraGeneral), "txtEUCP");
    SelectAllOnFocus(txtEUCP);
    txtEUCP->SetDesignedToolTip(QStringLiteral(
        "The bar code of the media, i.e. the numbers under it. All numbers must be entered, including those "
        "\"outside\" the bars. Ignore this box for a media that is part of a box set."));
    ctlMediaData = new ctlMedia(fraGeneral);
    auto* fields = new QFormLayout;
    fields->addRow(Named(new QLabel(QStringLiteral("Name:"), fraGeneral), "lblEName"), txtEName);
    fields->addRow(Named(new QLabel(QStringLiteral("Sortindex:"), fraGeneral), "lblESort"), txtESort);
    fields->addRow(Named(new QLabel(QStringLiteral("UPC/EAN:"), fraGeneral), "lblEUCP"), txtEUCP);
    auto* general = new QVBoxLayout(fraGeneral);
    general->addLayout(fields);
    general->addWidget(ctlMediaData, 1);

    const ExtrasTab extras =
        BuildExtrasTab(QStringLiteral("Select the extra."), QStringLiteral("Add the seleted extra."),
                       QStringLiteral("Remove the selected extra."));
    fraExtras = extras.fraExtras;
    cboExtras = extras.cboExtras;
    cmdAddExtra = extras.cmdAddExtra;
    cdmRemoveExtras = extras.cdmRemoveExtras;
    lstExtras = extras.lstExtras;

    const CoverTab covers = BuildCoverTab("imgEFrontCover", "imgEBackCover");
    fraCover = covers.fraCover;
    imgEFrontCover = covers.front;
    imgEBackCover = covers.back;
    cmdAddFrontCover = covers.cmdAddFrontCover;
    cdmDeleteFrontCover = covers.cdmDeleteFrontCover;
    cmdAddBackCover = covers.cmdAddBackCover;
    cmdDeleteBackCover = covers.cmdDeleteBackCover;

    AddKeyedTabs(
        tbMedia,
        {{"General", "&General", fraGeneral}, {"Extras", "E&xtras", fraExtras}, {"Cover", "Co&ver", fraCover}});

    cboParent = new ParentCombo(this);
    cboParent->setPlaceholderText(QStringLiteral("(its container is missing; kept as stored)"));
    BuildEditorFoot(this, tbMedia, nullptr, cboParent, cmdOk, cmdCancel);

    connect(cmdOk, &QPushButton::clicked, this, &frmMedia::cmdOk_Click);
    // Cancel, Esc and the close box alike leave the key as it was given.
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtEName, &QLineEdit::textChanged, this, &frmMedia::txtEName_Change);
    connect(cboParent, &QComboBox::activated, this, [this] {
        m_parent.Pick(cboParent->SelectedKey());
        txtEUCP->SetContext(ParentKeyChosen(), TemplateMode());
    });
    ConnectCoverButtons(this, m_covers, {imgEFrontCover, cmdAddFrontCover, cdmDeleteFrontCover},
                        {imgEBackCover, cmdAddBackCover, cmdDeleteBackCover});
}

frmMedia::~frmMedia() = default;

void frmMedia::MediaParent(const QString& strKey)
{
    m_editor.SetParentKey(strKey);
}

QString frmMedia::EditMedia(const QString& strKey)
{
    m_editor.Open(strKey);
    InitForm();
    exec();
    return m_editor.Key();
}

std::unique_ptr<CMedia> frmMedia::MakeTemplate()
{
    m_editor.OpenTemplate();
    InitForm();
    exec();
    return m_editor.TakeTemplate();
}

void frmMedia::InitForm()
{
    const CursorOverride wait;
    m_covers.Reset();
    tbMedia->setCurrentIndex(0);
    txtEName->clear();
    txtESort->clear();
    lstExtras->clear();
    imgEFrontCover->Clear();
    imgEBackCover->Clear();
    RefillPickCombo(cboExtras, PickLists::ReadEntries(PickLists::PickList::Extras));
    TellPickListNotice(this);
    cboParent->Fill(m_editor.Places());
    cboParent->SelectKey(kRootKey);

    const MediaForm& form = m_editor.Form();
    const bool templateMode = TemplateMode();
    // The name first, so the sort index follows it for a moment; the stored sort index then replaces it.
    m_follower.Reset(QString());
    txtEName->setText(form.strName);
    txtESort->setText(form.strSortKey);
    txtEUCP->LoadCode(form.strUPC, m_editor.LoadedParentKey());
    ctlMediaData->setLocked(false);
    ctlMediaData->setDMedia(form.dMedia);
    AddLinesToList(form.strExtras, lstExtras);
    ShowStoredCovers(m_editor.Covers(), imgEFrontCover, imgEBackCover);
    m_parent = ParentChoice();
    if (!templateMode) {
        m_parent.Load(form.parentKey, cboParent->HasKey(form.parentKey));
        if (!cboParent->SelectKey(form.parentKey)) {
            cboParent->setCurrentIndex(-1);
        }
    }
    for (QWidget* widget :
         std::initializer_list<QWidget*>{txtEName, txtESort, txtEUCP, cmdAddFrontCover, cdmDeleteFrontCover,
                                         cmdAddBackCover, cmdDeleteBackCover, cboParent}) {
        widget->setEnabled(!templateMode);
    }
    txtEUCP->SetContext(ParentKeyChosen(), templateMode);
    setWindowTitle(m_editor.Caption());
    (templateMode ? static_cast<QWidget*>(ctlMediaData) : txtEName)->setFocus();
}

MediaForm frmMedia::ReadForm() const
{
    MediaForm form;
    form.strName = txtEName->text();
    form.strSortKey = txtESort->text();
    form.strUPC = txtEUCP->text();
    form.dMedia = ctlMediaData->dMedia();
    form.strExtras = ListToText(lstExtras);
    form.parentKey = ParentKeyChosen();
    return form;
}

QString frmMedia::ParentKeyChosen() const
{
    if (TemplateMode()) {
        return kRootKey;
    }
    return m_parent.KeyShowing(cboParent->SelectedKey());
}

void frmMedia::cmdOk_Click()
{
    const MediaForm form = ReadForm();
    if (RefuseUnstorable(this, MediaFields(form))) {
        return;
    }
    // The need for a code follows the parent selected now.
    txtEUCP->SetContext(form.parentKey, TemplateMode());
    if (!txtEUCP->PassesOkGate()) {
        return;
    }
    AcceptOrRefuse(this, m_editor.Save(form, m_covers));
}

void frmMedia::txtEName_Change(const QString& text)
{
    FollowName(m_follower, text, txtESort);
}
