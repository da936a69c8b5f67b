#pragma once

#include <QDialog>
#include <QStringList>

#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The media workshop: the titles of the movies or episodes on a new medium, one per line. It creates nothing itself.
class frmMediaWorkshop : public QDialog
{
    Q_OBJECT

public:
    explicit frmMediaWorkshop(QWidget* parent = nullptr);

    // Shows the workshop, each time empty. After OK the title lines; none after Cancel or the close box.
    std::optional<QStringList> GetEpisodeList();

    QLabel* Label1;
    QPlainTextEdit* txtList;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void cmdOk_Click();

    std::optional<QStringList> m_result;
};
