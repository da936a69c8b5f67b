#include "editors/frmCategory.h"

#include "editors/EditorWidgets.h"
#include "widgets/mControls.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmCategory::frmCategory(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCategory"));
    setWindowTitle(QStringLiteral("Category"));
    setModal(true);

    fraCategory = new QGroupBox(this);
    fraCategory->setObjectName(QStringLiteral("fraCategory"));
    lblCName = new QLabel(QStringLiteral("Name:"), fraCategory);
    lblCName->setObjectName(QStringLiteral("lblCName"));
    txtCName = new QLineEdit(fraCategory);
    txtCName->setObjectName(QStringLiteral("txtCName"));
    txtCName->setToolTip(QStringLiteral("The name of the category (\"Action\", \"Adventure\", etc)"));
    lblCSorting = new QLabel(QStringLiteral("Sortindex:"), fraCategory);
    lblCSorting->setObjectName(QStringLiteral("lblCSorting"));
    txtCSort = new QLineEdit(fraCategory);
    txtCSort->setObjectName(QStringLiteral("txtCSort"));
    txtCSort->setToolTip(QStringLiteral("How the category should be sorted."));
    lblCName->setBuddy(txtCName);
    lblCSorting->setBuddy(txtCSort);
    SelectAllOnFocus(txtCName);
    SelectAllOnFocus(txtCSort);

    auto* fields = new QFormLayout(fraCategory);
    fields->addRow(lblCName, txtCName);
    fields->addRow(lblCSorting, txtCSort);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraCategory);
    layout->addLayout(OkCancelRow(this, cmdOk, cmdCancel));
    txtCName->setMinimumWidth(fontMetrics().averageCharWidth() * 40);

    connect(cmdOk, &QPushButton::clicked, this, &frmCategory::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtCName, &QLineEdit::textChanged, this, &frmCategory::txtCName_Change);
}

QString frmCategory::EditCategory(const QString& strKey)
{
    {
        const CursorOverride wait;
        m_editor.Open(strKey);
        LoadNameAndSort(m_follower, txtCName, txtCSort, m_editor.Form().strName, m_editor.Form().strSortKey);
        setWindowTitle(m_editor.Caption());
        txtCName->setFocus();
    }
    exec();
    return m_editor.Key();
}

void frmCategory::cmdOk_Click()
{
    AcceptOrRefuse(this, m_editor.Save({txtCName->text(), txtCSort->text()}));
}

void frmCategory::txtCName_Change(const QString& text)
{
    FollowName(m_follower, text, txtCSort);
}
