#include "transfer/frmAddItem.h"

#include "widgets/MainImages.h"
#include "widgets/mControls.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget* ReportList(QWidget* parent, const char* name, const QStringList& columns)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHeaderLabels(columns);
    return list;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// The combo box's image of a place image key, from the tree's images.
QString TreeImageOf(const QString& image)
{
    if (image == u"imgCategory") {
        return QStringLiteral("imgCategoryClosed");
    }
    if (image == u"imgSubCategory") {
        return QStringLiteral("imgSubCategoryClosed");
    }
    return image;
}

} // namespace

frmAddItem::frmAddItem(QWidget* parent) : OnlineDialog(parent)
{
    setObjectName("frmAddItem");
    setWindowTitle(QStringLiteral("Add from Vidsora: Online"));
    setModal(true);

    m_session = new ImportSession(this);
    auto* fraSearch = new QGroupBox(QStringLiteral("Search"), this);
    fraSearch->setObjectName("fraSearch");
    optTitle = new QRadioButton(QStringLiteral("Title"), fraSearch);
    optTitle->setObjectName("optTitle");
    optUPC = new QRadioButton(QStringLiteral("UPC/EAN"), fraSearch);
    optUPC->setObjectName("optUPC");
    optUPC->setChecked(true);
    txtFind = new QLineEdit(fraSearch);
    txtFind->setObjectName("txtFind");
    txtFind->setToolTip(QStringLiteral("The UPC/EAN to search for..."));
    txtFind->installEventFilter(this);
    cmdFind = Button(fraSearch, "cmdFind", QStringLiteral("Find"));
    lstvResults = ReportList(fraSearch, "lstvResults", {"Title", "Media", "UPC/EAN"});
    cmdAdd = Button(fraSearch, "cmdAdd", QStringLiteral("Select title"));
    cboParent = new QComboBox(fraSearch);
    cboParent->setObjectName("cboParent");
    cboParent->setToolTip(QStringLiteral("Select where you want to place the title"));

    auto* searchBy = new QHBoxLayout;
    searchBy->addWidget(new QLabel(QStringLiteral("Search by:"), fraSearch));
    searchBy->addWidget(optTitle);
    searchBy->addWidget(optUPC);
    searchBy->addWidget(txtFind, 1);
    searchBy->addWidget(cmdFind);
    auto* place = new QHBoxLayout;
    place->addWidget(new QLabel(QStringLiteral("Import to:"), fraSearch));
    place->addWidget(cboParent, 1);
    place->addWidget(cmdAdd);
    auto* searchLayout = new QVBoxLayout(fraSearch);
    searchLayout->addLayout(searchBy);
    searchLayout->addWidget(lstvResults, 1);
    searchLayout->addLayout(place);

    auto* fraSelected = new QGroupBox(QStringLiteral("Selected"), this);
    fraSelected->setObjectName("fraSelected");
    lstvSelected = ReportList(fraSelected, "lstvSelected", {"Title", "UPC / EAN", "Import to", "Progress"});
    cmdRemove = Button(fraSelected, "cmdRemove", QStringLiteral("Remove title"));
    auto* selectedLayout = new QVBoxLayout(fraSelected);
    selectedLayout->addWidget(lstvSelected, 1);
    auto* removeRow = new QHBoxLayout;
    removeRow->addStretch(1);
    removeRow->addWidget(cmdRemove);
    selectedLayout->addLayout(removeRow);

    cmdOk = Button(this, "cmdOk", QStringLiteral("&Ok"));
    cmdOk->setDefault(true);
    cmdCancel = Button(this, "cmdCancel", QStringLiteral("&Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(WaitsOn(m_session, cmdCancel), 1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraSearch, 1);
    layout->addWidget(fraSelected, 1);
    layout->addLayout(buttons);
    resize(620, 560);

    connect(m_session, &OnlineSession::Warning, this,
            [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("Vidsora"), text); });
    connect(m_session, &OnlineSession::RowChanged, this, &frmAddItem::ShowRow);
    connect(m_session, &ImportSession::ResultsChanged, this, &frmAddItem::ShowResults);

    connect(cmdFind, &QPushButton::clicked, this, &frmAddItem::cmdFind_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &frmAddItem::cmdAdd_Click);
    connect(lstvResults, &QTreeWidget::itemDoubleClicked, this, &frmAddItem::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmAddItem::cmdRemove_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmAddItem::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddItem::cmdCancel_Click);
    connect(optTitle, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            txtFind->setToolTip(QStringLiteral("The title to search for"));
        }
    });
    connect(optUPC, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            txtFind->setToolTip(QStringLiteral("The UPC/EAN to search for"));
        }
    });

    FillParentCombo();
}

frmAddItem::~frmAddItem() = default;

bool frmAddItem::Import(const QString& strKey)
{
    Q_UNUSED(strKey);
    m_result = false;
    exec();
    return m_result;
}

void frmAddItem::FillParentCombo()
{
    const QHash<QString, QPixmap> images = MainImages::TreeImages();
    m_places = ImportSession::Places();
    cboParent->clear();
    for (const ImportSession::Place& p : std::as_const(m_places)) {
        // The combo box has no indentation of its own: blanks stand for it.
        cboParent->addItem(QIcon(images.value(TreeImageOf(p.image))), QString(p.indent * 4, u' ') + p.text, p.key);
    }
    cboParent->setCurrentIndex(0);
}

bool frmAddItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtFind) {
        if (event->type() == QEvent::FocusIn) {
            SelectAllText(txtFind);
            cmdOk->setDefault(false);
            cmdFind->setDefault(true);
        } else if (event->type() == QEvent::FocusOut) {
            cmdFind->setDefault(false);
            cmdOk->setDefault(true);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAddItem::cmdFind_Click()
{
    if (m_session->IsWaiting()) {
        return;
    }
    // The results show as the session has them, before any message about them.
    m_session->Find(txtFind->text(), optTitle->isChecked());
    if (m_closeRequested) {
        CloseWhenIdle(false);
    }
}

void frmAddItem::ShowResults()
{
    lstvResults->clear();
    for (const ImportSession::Result& result : m_session->Results()) {
        auto* row = new QTreeWidgetItem(lstvResults, {result.title, result.media, result.code});
        row->setData(0, Qt::UserRole, result.key);
    }
}

void frmAddItem::cmdAdd_Click()
{
    QTreeWidgetItem* selected = lstvResults->currentItem();
    if (!selected || !selected->isSelected() || m_session->IsWaiting()) {
        return;
    }
    const int place = cboParent->currentIndex();
    if (place < 0 || place >= m_places.size()) {
        return;
    }
    if (m_session->Queue(lstvResults->indexOfTopLevelItem(selected), m_places.at(place))) {
        ShowRows();
    }
}

void frmAddItem::cmdRemove_Click()
{
    QTreeWidgetItem* selected = lstvSelected->currentItem();
    if (!selected || !selected->isSelected()) {
        return;
    }
    if (m_session->Remove(lstvSelected->indexOfTopLevelItem(selected))) {
        ShowRows();
    }
}

void frmAddItem::ShowRows()
{
    lstvSelected->clear();
    for (const ImportSession::Row& row : m_session->Rows()) {
        auto* item = new QTreeWidgetItem(lstvSelected, {row.title, row.code, row.placeText, row.state});
        item->setData(0, Qt::UserRole, row.key);
        item->setData(2, Qt::UserRole, row.placeKey);
    }
}

void frmAddItem::ShowRow(int row)
{
    QTreeWidgetItem* item = lstvSelected->topLevelItem(row);
    if (item && row < m_session->Rows().size()) {
        item->setText(3, m_session->Rows().at(row).state);
    }
}

void frmAddItem::cmdOk_Click()
{
    if (m_session->IsWaiting()) {
        return;
    }
    if (!m_session->Rows().isEmpty()) {
        m_result = true;
        m_session->ImportSelected();
    }
    CloseWhenIdle(true);
}

void frmAddItem::cmdCancel_Click()
{
    // Cancel ends the wait; the command that waited stops and the dialog stays.
    if (!EndWait()) {
        CloseWhenIdle(false);
    }
}

void frmAddItem::CloseWhenIdle(bool accepted)
{
    m_closeRequested = false;
    if (accepted) {
        accept();
    } else {
        QDialog::reject();
    }
}
