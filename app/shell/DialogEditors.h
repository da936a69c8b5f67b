#pragma once

#include "commands/ItemEditors.h"
#include "commands/ItemWorkshops.h"
#include "widgets/mControls.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

// The item commands' editors, workshops, templates and questions as the program's own modal dialogs over the main
// window. Each dialog is made for one call and gone when it returns; the parent a *Parent call names is handed to the
// next new item's editor.
class DialogEditors : public ItemEditors, public ItemWorkshops
{
public:
    explicit DialogEditors(QWidget* parent);
    ~DialogEditors() override;

    QString EditCategory(const QString& strKey) override;
    void GroupParent(const QString& strKey) override;
    QString EditGroup(const QString& strKey) override;
    void BoxParent(const QString& strKey) override;
    QString EditBox(const QString& strKey) override;
    void MediaParent(const QString& strKey) override;
    QString EditMedia(const QString& strKey) override;
    void MovieParent(const QString& strKey) override;
    QString EditMovie(const QString& strKey) override;

    bool AskYesNo(const QString& question) override;
    void ShowWarning(const QString& message) override;

    std::optional<QStringList> GetBoxEpisodeList() override;
    std::optional<QStringList> GetMediaEpisodeList() override;
    std::unique_ptr<CMedia> MakeMediaTemplate() override;
    std::unique_ptr<CMovie> MakeMovieTemplate() override;
    void ShowMessage(const QString& message) override;
    void SetBusy(bool busy) override;

private:
    QPointer<QWidget> m_parent;
    QString m_groupParent;
    QString m_boxParent;
    QString m_mediaParent;
    QString m_movieParent;
    std::optional<CursorOverride> m_busy; // the hourglass while SetBusy(true) holds
};
