#include "frmSearch.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "frmMain.h"
#include "mGlobals.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidgetItem>

namespace {

// The name a node is found by: the item's name, a movie's bare title; empty for the root and for an item the
// collections do not hold.
QString NodeName(const QString& key)
{
    const QChar kind = key.isEmpty() ? QChar() : key.at(0);
    auto nameOf = [&](const auto& collection) {
        const auto item = collection ? collection->Item(key) : nullptr;
        return item ? item->DisplayName() : QString();
    };
    switch (kind.unicode()) {
    case 'C':
        return nameOf(gCategories);
    case 'S':
        return nameOf(gGroups);
    case 'B':
        return nameOf(gBoxes);
    case 'E':
        return nameOf(gMedias);
    case 'M':
        return nameOf(gMovies);
    default:
        return QString();
    }
}

} // namespace

frmSearch::frmSearch(frmMain* main) : QDialog(main), m_main(main)
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
    if (!m_main) {
        return;
    }
    // Without a marked node the walk starts after the shown item (the root right after start-up).
    const QString startKey = frmMain::NodeKey(m_main->SelectedNode());
    const QString wanted = AnsiText::UCase(strFind);
    bool started = false;
    for (QTreeWidgetItem* node : m_main->Nodes()) {
        const QString key = frmMain::NodeKey(node);
        if (started) {
            const QString name = NodeName(key);
            // An item without a name is never a match, not even for an empty text.
            if (!name.isEmpty() && AnsiText::UCase(name).contains(wanted)) {
                m_main->SelectNode(node);
                m_main->treeMovies_NodeClick(node);
                return;
            }
        }
        if (key == startKey) {
            started = true;
        }
    }
    QMessageBox::warning(this, "Vidsora", "Couldn't find the text!", QMessageBox::Ok);
}
