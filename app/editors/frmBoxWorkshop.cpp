#include "editors/frmBoxWorkshop.h"

#include "commands/Workshops.h"
#include "editors/DialogParts.h"
#include "editors/WorkshopParts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

frmBoxWorkshop::frmBoxWorkshop(QWidget* parent) : QDialog(parent)
{
    WorkshopParts parts = BuildWorkshopParts(this, "frmBoxWorkshop", QStringLiteral("Box workshop"),
                                             QStringLiteral("Please list the movies / episodes in the box:"),
                                             QStringLiteral("List the included movies / episodes, one on each row."));
    Label1 = parts.Label1;
    txtList = parts.txtList;
    chkSeveralDiscs =
        Named(new QCheckBox(QStringLiteral("There is more than one movie on each media:"), this), "chkSeveralDiscs");
    chkSeveralDiscs->setToolTip(
        QStringLiteral("This usually applies to for example TV series box sets, where several episodes are on each "
                       "disc/tape within the set."));
    txtEpDivided = NamedLine(this, "txtEpDivided",
                             QStringLiteral("[Movies on media 1];[Movies on media 2];[Movies on media 3];..."));
    cmdDivide = NamedButton(this, "cmdDivide", QStringLiteral("..."));

    auto* division = new QHBoxLayout;
    division->addWidget(txtEpDivided, 1);
    division->addWidget(cmdDivide);
    auto* between = new QVBoxLayout;
    between->addWidget(chkSeveralDiscs);
    between->addLayout(division);
    LayOutWorkshop(this, parts, between, 24);
    cmdOk = parts.cmdOk;
    cmdCancel = parts.cmdCancel;

    connect(chkSeveralDiscs, &QCheckBox::toggled, this, &frmBoxWorkshop::chkSeveralDiscs_Click);
    connect(cmdDivide, &QPushButton::clicked, this, &frmBoxWorkshop::SuggestDivision);
    connect(cmdOk, &QPushButton::clicked, this, &frmBoxWorkshop::cmdOk_Click);
}

std::optional<QStringList> frmBoxWorkshop::GetEpisodeList()
{
    // Cancel, Esc and the close box leave no result, which the caller takes for Cancel.
    m_result.reset();
    txtList->clear();
    txtEpDivided->clear();
    chkSeveralDiscs->setChecked(false);
    chkSeveralDiscs_Click();
    txtList->setFocus();
    exec();
    return std::exchange(m_result, std::nullopt);
}

void frmBoxWorkshop::chkSeveralDiscs_Click()
{
    // The division is kept either way.
    txtEpDivided->setEnabled(chkSeveralDiscs->isChecked());
}

void frmBoxWorkshop::SuggestDivision()
{
    const int n = int(Workshops::ItemLines(TitleListText(txtList)).size());
    if (n == 0) {
        ShowWorkshopRefusal(this, Workshops::Refusal::NoLines, Workshops::NoLinesMessage());
        return;
    }
    QInputDialog ask(this);
    ask.setObjectName(QStringLiteral("inputDiscs"));
    ask.setWindowTitle(QStringLiteral("Vidsora"));
    ask.setLabelText(Workshops::DiscCountQuestion());
    ask.setInputMode(QInputDialog::TextInput);
    const QString answer = ask.exec() == QDialog::Accepted ? ask.textValue() : QString();
    const Workshops::Proposal proposal = Workshops::SuggestDivision(n, answer);
    if (proposal.refusal != Workshops::Refusal::None) {
        ShowWorkshopRefusal(this, proposal.refusal, Workshops::RefusalText(proposal.refusal));
        return;
    }
    txtEpDivided->setText(proposal.division);
}

void frmBoxWorkshop::cmdOk_Click()
{
    const Workshops::BoxResult result =
        Workshops::BuildResult(TitleListText(txtList), chkSeveralDiscs->isChecked(), txtEpDivided->text());
    if (result.refusal != Workshops::Refusal::None) {
        ShowWorkshopRefusal(this, result.refusal, result.message);
        return;
    }
    if (result.divisionText != txtEpDivided->text()) {
        txtEpDivided->setText(result.divisionText);
    }
    m_result = result.list;
    accept();
}
