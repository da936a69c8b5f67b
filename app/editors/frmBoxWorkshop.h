#pragma once

#include <QDialog>
#include <QStringList>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The box-set workshop: the titles of a new box set's movies or episodes, one per line, and how they are spread
// over its discs or tapes. It creates nothing itself.
class frmBoxWorkshop : public QDialog
{
    Q_OBJECT

public:
    explicit frmBoxWorkshop(QWidget* parent = nullptr);

    // Shows the workshop, each time empty. After OK the title lines followed by the division ("1" when the box holds
    // no separate discs or tapes); none after Cancel or the close box.
    std::optional<QStringList> GetEpisodeList();

    QLabel* Label1;
    QPlainTextEdit* txtList;
    QCheckBox* chkSeveralDiscs;
    QLineEdit* txtEpDivided;
    QPushButton* cmdDivide;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void chkSeveralDiscs_Click();
    void SuggestDivision();
    void cmdOk_Click();

    std::optional<QStringList> m_result;
};
