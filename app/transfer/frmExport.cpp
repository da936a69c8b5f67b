#include "transfer/frmExport.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

frmExport::frmExport(QWidget* parent) : OnlineDialog(parent)
{
    setObjectName("frmExport");
    setWindowTitle(QStringLiteral("Uploading..."));
    setModal(true);

    m_session = new UploadSession(this);
    lstvUpload = new QTreeWidget(this);
    lstvUpload->setObjectName("lstvUpload");
    lstvUpload->setRootIsDecorated(false);
    lstvUpload->setUniformRowHeights(true);
    lstvUpload->setHeaderLabels({"Title / Item", "UPC", "Progress"});
    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(WaitsOn(m_session, cmdCancel), 1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstvUpload, 1);
    layout->addLayout(buttons);
    resize(480, 300);

    connect(m_session, &OnlineSession::Warning, this,
            [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("Vidsora"), text); });
    connect(m_session, &OnlineSession::RowChanged, this, &frmExport::ShowRow);
    m_session->ask = [this](const QString& question) {
        return QMessageBox::question(this, QStringLiteral("Vidsora"), question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };

    connect(cmdOk, &QPushButton::clicked, this, &frmExport::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmExport::cmdCancel_Click);
}

frmExport::~frmExport() = default;

void frmExport::AddItem(const QString& text, const QString& code, const QString& tag)
{
    m_session->AddItem(text, code, tag);
    ShowRows();
}

void frmExport::ShowRows()
{
    lstvUpload->clear();
    for (const UploadSession::Row& row : m_session->Rows()) {
        new QTreeWidgetItem(lstvUpload, {row.text, row.code, row.state});
    }
}

void frmExport::ShowRow(int row)
{
    QTreeWidgetItem* item = lstvUpload->topLevelItem(row);
    if (item && row < m_session->Rows().size()) {
        item->setText(2, m_session->Rows().at(row).state);
    }
}

void frmExport::cmdOk_Click()
{
    if (m_session->IsWaiting()) {
        return;
    }
    const UploadSession::After after = m_session->UploadAll();
    // After Cancel ended a wait the rows stay in view, to be sent again or left with Cancel.
    const bool stay = after == UploadSession::After::StayOpen || m_session->Aborted();
    if (stay && !m_closeRequested) {
        ShowRows();
        return;
    }
    m_closeRequested = false;
    accept();
}

void frmExport::cmdCancel_Click()
{
    // Cancel during a wait ends it and the dialog stays; otherwise it closes.
    reject();
}
