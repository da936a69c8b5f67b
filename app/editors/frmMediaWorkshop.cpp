#include "editors/frmMediaWorkshop.h"

#include "commands/Workshops.h"
#include "editors/WorkshopParts.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include <utility>

frmMediaWorkshop::frmMediaWorkshop(QWidget* parent) : QDialog(parent)
{
    WorkshopParts parts = BuildWorkshopParts(this, "frmMediaWorkshop", QStringLiteral("Media workshop"),
                                             QStringLiteral("Please list the movies / episodes in the media:"),
                                             QStringLiteral("Enter one movie/episode on each row."));
    Label1 = parts.Label1;
    txtList = parts.txtList;
    LayOutWorkshop(this, parts, nullptr, 20);
    cmdOk = parts.cmdOk;
    cmdCancel = parts.cmdCancel;

    connect(cmdOk, &QPushButton::clicked, this, &frmMediaWorkshop::cmdOk_Click);
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
