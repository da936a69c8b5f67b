#include "shell/frmSearch.h"

#include "core/TreeNodes.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

frmSearch::frmSearch(SearchTree* tree, QWidget* parent) : QDialog(parent), m_tree(tree)
{
    setObjectName("frmSearch");
    setWindowTitle("Search");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* lblFind = new QLabel("Find:", this);
    lblFind->setObjectName("lblFind");
    txtFind = new QLineEdit(this);
    txtFind->setObjectName("txtFind");
    lblFind->setBuddy(txtFind);
    cdmFind = new QPushButton("&Find next", this);
    cdmFind->setObjectName("cdmFind");
    cdmFind->setDefault(true);
    cdmFind->setAutoDefault(true);
    cmdCancel = new QPushButton("&Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblFind, 0, 0);
    grid->addWidget(txtFind, 0, 1);
    grid->addWidget(cdmFind, 0, 2);
    grid->addWidget(cmdCancel, 1, 2);
    grid->setColumnMinimumWidth(1, 200);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(txtFind, cdmFind);
    setTabOrder(cdmFind, cmdCancel);
    txtFind->setFocus();

    connect(cdmFind, &QPushButton::clicked, this, &frmSearch::cdmFind_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSearch::cmdCancel_Click);
}

void frmSearch::cdmFind_Click()
{
    FindNext(txtFind->text());
}

void frmSearch::cmdCancel_Click()
{
    reject();
}

void frmSearch::FindNext(const QString& strFind)
{
    if (!m_tree) {
        return;
    }
    const QString found = TreeNodes::FindNext(m_tree->NodeKeys(), m_tree->SelectedKey(), strFind);
    if (!found.isEmpty()) {
        m_tree->SelectAndShow(found);
        return;
    }
    QMessageBox::warning(this, "Vidsora", "Couldn't find the text!", QMessageBox::Ok);
}
