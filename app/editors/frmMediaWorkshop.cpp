#include "editors/frmMediaWorkshop.h"

#include "commands/Workshops.h"
#include "editors/DialogParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

frmMediaWorkshop::frmMediaWorkshop(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMediaWorkshop"));
    setWindowTitle(QStringLiteral("Media workshop"));
    setModal(true);

    const TitleList titles = BuildTitleList(this, QStringLiteral("Please list the movies / episodes in the media:"),
                                            QStringLiteral("Enter one movie/episode on each row."));
    Label1 = titles.label;
    txtList = titles.list;
    // Enter makes new lines in the list, so no button is the default.
    cmdOk = NamedButton(this, "cmdOk", QStringLiteral("&Ok"));
    cmdCancel = NamedButton(this, "cmdCancel", QStringLiteral("&Cancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtList, 1);
    layout->addLayout(buttons);
    resize(fontMetrics().averageCharWidth() * 60, fontMetrics().height() * 20);

    connect(cmdOk, &QPushButton::clicked, this, &frmMediaWorkshop::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<QStringList> frmMediaWorkshop::GetEpisodeList()
{
    // Cancel, Esc and the close box leave no result, which the caller takes for Cancel.
    m_result.reset();
    txtList->clear();
    txtList->setFocus();
    exec();
    return std::exchange(m_result, std::nullopt);
}

void frmMediaWorkshop::cmdOk_Click()
{
    const Workshops::MediaResult result = Workshops::ParseList(TitleListText(txtList));
    if (result.refusal != Workshops::Refusal::None) {
        ShowWorkshopRefusal(this, result.refusal, result.message);
        return;
    }
    m_result = result.list;
    accept();
}
