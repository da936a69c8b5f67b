#include "editors/frmBox.h"

#include "core/PickLists.h"
#include "editors/CoverPicture.h"
#include "editors/DialogParts.h"
#include "editors/EditorWidgets.h"
#include "editors/ParentCombo.h"
#include "editors/ProductCodeField.h"
#include "widgets/mControls.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

frmBox::frmBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBox"));
    setWindowTitle(QStringLiteral("Box"));
    setModal(true);

    tbBox = Named(new QTabWidget(this), "tbBox");

    fraGeneral = Named(new QWidget, "fraGeneral");
    lblBName = Named(new QLabel(QStringLiteral("Name:"), fraGeneral), "lblBName");
    txtBName = NamedLine(fraGeneral, "txtBName", QStringLiteral("The name of the box set."));
    lblBSorting = Named(new QLabel(QStringLiteral("Sortindex:"), fraGeneral), "lblBSorting");
    txtBSort = NamedLine(fraGeneral, "txtBSort",
                         QStringLiteral("How the box should be sorted. \"The Terminator\" for example, is probably "
                                        "sorted as \"Terminator, The\"."));
    lblBUCP = Named(new QLabel(QStringLiteral("UPC/EAN:"), fraGeneral), "lblBUCP");
    txtBUCP = Named(new ProductCodeField(ProductCodeGate::Editor::Box, fraGeneral), "txtBUCP");
    SelectAllOnFocus(txtBUCP);
    txtBUCP->SetDesignedToolTip(QStringLiteral("The bar code on the box, i.e. the numbers under it. All numbers must "
                                               "be entered, including those \"outside\" the bars."));
    lblBName->setBuddy(txtBName);
    lblBSorting->setBuddy(txtBSort);
    lblBUCP->setBuddy(txtBUCP);
    auto* fields = new QFormLayout(fraGeneral);
    fields->addRow(lblBName, txtBName);
    fields->addRow(lblBSorting, txtBSort);
    fields->addRow(lblBUCP, txtBUCP);
    txtBName->setMinimumWidth(fontMetrics().averageCharWidth() * 40);

    const ExtrasTab extras =
        BuildExtrasTab(QStringLiteral("Select the extra."), QStringLiteral("Add the seleted extra."),
                       QStringLiteral("Remove the selected extra."));
    fraExtras = extras.fraExtras;
    cboExtras = extras.cboExtras;
    cmdAddExtra = extras.cmdAddExtra;
    cdmRemoveExtras = extras.cdmRemoveExtras;
    lstExtras = extras.lstExtras;

    const CoverTab covers = BuildCoverTab("imgBFrontCover", "imgBBackCover");
    fraCover = covers.fraCover;
    imgBFrontCover = covers.front;
    imgBBackCover = covers.back;
    cmdAddFrontCover = covers.cmdAddFrontCover;
    cdmDeleteFrontCover = covers.cdmDeleteFrontCover;
    cmdAddBackCover = covers.cmdAddBackCover;
    cmdDeleteBackCover = covers.cmdDeleteBackCover;

    AddKeyedTabs(
        tbBox, {{"General", "&General", fraGeneral}, {"Extras", "E&xtras", fraExtras}, {"Cover", "Co&ver", fraCover}});

    lblParent = Named(new QLabel(QStringLiteral("Belongs to:"), this), "lblParent");
    cboParent = new ParentCombo(this);
    cboParent->setPlaceholderText(QStringLiteral("(its place is missing; kept as stored)"));
    lblParent->setBuddy(cboParent);
    BuildEditorFoot(this, tbBox, lblParent, cboParent, cmdOk, cmdCancel);

    connect(cmdOk, &QPushButton::clicked, this, &frmBox::cmdOk_Click);
    // Cancel, Esc and the close box alike leave the key as it was given.
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtBName, &QLineEdit::textChanged, this, &frmBox::txtBName_Change);
    // Only a user's pick ends the keeping of a missing stored place.
    connect(cboParent, &QComboBox::activated, this, [this] { m_parent.Pick(cboParent->SelectedKey()); });
    ConnectCoverButtons(this, m_covers, {imgBFrontCover, cmdAddFrontCover, cdmDeleteFrontCover},
                        {imgBBackCover, cmdAddBackCover, cmdDeleteBackCover});
}

frmBox::~frmBox() = default;

void frmBox::BoxParent(const QString& strKey)
{
    m_editor.SetParentKey(strKey);
}

QString frmBox::EditBox(const QString& strKey)
{
    m_editor.Open(strKey);
    InitForm();
    exec();
    return m_editor.Key();
}

void frmBox::InitForm()
{
    const CursorOverride wait;
    m_covers.Reset();
    tbBox->setCurrentIndex(0);
    txtBName->clear();
    txtBSort->clear();
    lstExtras->clear();
    imgBFrontCover->Clear();
    imgBBackCover->Clear();
    RefillPickCombo(cboExtras, PickLists::ReadEntries(PickLists::PickList::Extras));
    TellPickListNotice(this);
    cboParent->Fill(m_editor.Places());
    cboParent->SelectKey(kRootKey);

    const BoxForm& form = m_editor.Form();
    // The name first, so the sort key follows it for a moment; the stored sort key then replaces it.
    m_follower.Reset(QString());
    txtBName->setText(form.strName);
    txtBSort->setText(form.strSortKey);
    txtBUCP->SetContext(form.parentKey, false);
    txtBUCP->LoadCode(form.strUPC, form.parentKey);
    AddLinesToList(form.strExtras, lstExtras);
    ShowStoredCovers(m_editor.Covers(), imgBFrontCover, imgBBackCover);
    m_parent = ParentChoice();
    m_parent.Load(form.parentKey, cboParent->HasKey(form.parentKey));
    if (!cboParent->SelectKey(form.parentKey)) {
        cboParent->setCurrentIndex(-1);
    }
    setWindowTitle(m_editor.Caption());
    txtBName->setFocus();
}

BoxForm frmBox::ReadForm() const
{
    BoxForm form;
    form.strName = txtBName->text();
    form.strSortKey = txtBSort->text();
    form.strUPC = txtBUCP->text();
    form.strExtras = ListToText(lstExtras);
    form.parentKey = ParentKeyChosen();
    return form;
}

QString frmBox::ParentKeyChosen() const
{
    return m_parent.KeyShowing(cboParent->SelectedKey());
}

void frmBox::cmdOk_Click()
{
    const BoxForm form = ReadForm();
    if (RefuseUnstorable(this, BoxFields(form))) {
        return;
    }
    if (!txtBUCP->PassesOkGate()) {
        return;
    }
    AcceptOrRefuse(this, m_editor.Save(form, m_covers));
}

void frmBox::txtBName_Change(const QString& text)
{
    FollowName(m_follower, text, txtBSort);
}
