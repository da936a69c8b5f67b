#include "editors/frmGroup.h"

#include "editors/EditorWidgets.h"
#include "editors/ParentCombo.h"
#include "widgets/mControls.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmGroup::frmGroup(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGroup"));
    setWindowTitle(QStringLiteral("Group"));
    setModal(true);

    fraSubcategory = new QGroupBox(this);
    fraSubcategory->setObjectName(QStringLiteral("fraSubcategory"));
    lblSName = new QLabel(QStringLiteral("Name:"), fraSubcategory);
    lblSName->setObjectName(QStringLiteral("lblSName"));
    txtSName = new QLineEdit(fraSubcategory);
    txtSName->setObjectName(QStringLiteral("txtSName"));
    txtSName->setToolTip(QStringLiteral("The name of the group."));
    lblSSorting = new QLabel(QStringLiteral("Sortindex:"), fraSubcategory);
    lblSSorting->setObjectName(QStringLiteral("lblSSorting"));
    txtSSort = new QLineEdit(fraSubcategory);
    txtSSort->setObjectName(QStringLiteral("txtSSort"));
    txtSSort->setToolTip(QStringLiteral("How the group should be sorted."));
    lblParent = new QLabel(QStringLiteral("Belongs to:"), fraSubcategory);
    lblParent->setObjectName(QStringLiteral("lblParent"));
    cboParent = new ParentCombo(fraSubcategory);
    cboParent->setToolTip(QStringLiteral("Where the group is placed. The group \"Star Trek\" may for example be placed "
                                         "inthe category \"Sci-fi\"."));
    // Shown only while a stored place that the list no longer offers is kept.
    cboParent->setPlaceholderText(QStringLiteral("(its place is missing; kept as stored)"));
    lblSName->setBuddy(txtSName);
    lblSSorting->setBuddy(txtSSort);
    lblParent->setBuddy(cboParent);
    SelectAllOnFocus(txtSName);
    SelectAllOnFocus(txtSSort);

    auto* fields = new QFormLayout(fraSubcategory);
    fields->addRow(lblSName, txtSName);
    fields->addRow(lblSSorting, txtSSort);
    fields->addRow(lblParent, cboParent);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraSubcategory);
    layout->addLayout(OkCancelRow(this, cmdOk, cmdCancel));
    txtSName->setMinimumWidth(fontMetrics().averageCharWidth() * 40);

    connect(cmdOk, &QPushButton::clicked, this, &frmGroup::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtSName, &QLineEdit::textChanged, this, &frmGroup::txtSName_Change);
    // Only a user's pick ends the keeping of a missing stored place.
    connect(cboParent, &QComboBox::activated, this, [this] { m_place.Pick(cboParent->SelectedKey()); });
}

void frmGroup::GroupParent(const QString& strKey)
{
    m_editor.SetParentKey(strKey);
}

QString frmGroup::EditGroup(const QString& strKey)
{
    {
        const CursorOverride wait;
        m_editor.Open(strKey);
        cboParent->Fill(m_editor.Places());
        cboParent->SelectKey(kRootKey);
        LoadNameAndSort(m_follower, txtSName, txtSSort, m_editor.Form().strName, m_editor.Form().strSortKey);
        const QString place = m_editor.Form().parentKey;
        m_place = ParentChoice();
        m_place.Load(place, cboParent->HasKey(place));
        if (!cboParent->SelectKey(place)) {
            cboParent->setCurrentIndex(-1);
        }
        setWindowTitle(m_editor.Caption());
        txtSName->setFocus();
    }
    exec();
    return m_editor.Key();
}

void frmGroup::cmdOk_Click()
{
    m_place.Select(cboParent->SelectedKey().isEmpty() ? kRootKey : cboParent->SelectedKey());
    GroupForm form;
    form.strName = txtSName->text();
    form.strSortKey = txtSSort->text();
    form.parentKey = m_place.Key();
    AcceptOrRefuse(this, m_editor.Save(form));
}

void frmGroup::txtSName_Change(const QString& text)
{
    FollowName(m_follower, text, txtSSort);
}
