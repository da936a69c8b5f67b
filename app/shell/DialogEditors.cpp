#include "shell/DialogEditors.h"

#include "CMedia.h"
#include "CMovie.h"
#include "editors/frmBox.h"
#include "editors/frmBoxWorkshop.h"
#include "editors/frmCategory.h"
#include "editors/frmGroup.h"
#include "editors/frmMedia.h"
#include "editors/frmMediaWorkshop.h"
#include "editors/frmMovie.h"
#include "widgets/mControls.h"

#include <QMessageBox>

#include <utility>

namespace {

const QString kTitle = QStringLiteral("Vidsora");

// Opens the editor on strKey. The parent named before counts for the next new item only.
template <class Editor>
QString EditWith(QWidget* parent, const QString& strKey, QString& namedParent,
                 void (Editor::*setParent)(const QString&), QString (Editor::*edit)(const QString&))
{
    Editor editor(parent);
    if (strKey.isEmpty()) {
        (editor.*setParent)(std::exchange(namedParent, QString()));
    }
    return (editor.*edit)(strKey);
}

} // namespace

DialogEditors::DialogEditors(QWidget* parent) : m_parent(parent) {}

DialogEditors::~DialogEditors()
{
    SetBusy(false);
}

QString DialogEditors::EditCategory(const QString& strKey)
{
    frmCategory editor(m_parent);
    return editor.EditCategory(strKey);
}

void DialogEditors::GroupParent(const QString& strKey)
{
    m_groupParent = strKey;
}

QString DialogEditors::EditGroup(const QString& strKey)
{
    return EditWith(m_parent.data(), strKey, m_groupParent, &frmGroup::GroupParent, &frmGroup::EditGroup);
}

void DialogEditors::BoxParent(const QString& strKey)
{
    m_boxParent = strKey;
}

QString DialogEditors::EditBox(const QString& strKey)
{
    return EditWith(m_parent.data(), strKey, m_boxParent, &frmBox::BoxParent, &frmBox::EditBox);
}

void DialogEditors::MediaParent(const QString& strKey)
{
    m_mediaParent = strKey;
}

QString DialogEditors::EditMedia(const QString& strKey)
{
    return EditWith(m_parent.data(), strKey, m_mediaParent, &frmMedia::MediaParent, &frmMedia::EditMedia);
}

void DialogEditors::MovieParent(const QString& strKey)
{
    m_movieParent = strKey;
}

QString DialogEditors::EditMovie(const QString& strKey)
{
    return EditWith(m_parent.data(), strKey, m_movieParent, &frmMovie::MovieParent, &frmMovie::EditMovie);
}

bool DialogEditors::AskYesNo(const QString& question)
{
    CursorOverride arrow(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::NoIcon, kTitle, question, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setObjectName("msgQuestion");
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void DialogEditors::ShowWarning(const QString& message)
{
    CursorOverride arrow(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::Warning, kTitle, message, QMessageBox::Ok, m_parent);
    box.setObjectName("msgWarning");
    box.exec();
}

std::optional<QStringList> DialogEditors::GetBoxEpisodeList()
{
    frmBoxWorkshop workshop(m_parent);
    return workshop.GetEpisodeList();
}

std::optional<QStringList> DialogEditors::GetMediaEpisodeList()
{
    frmMediaWorkshop workshop(m_parent);
    return workshop.GetEpisodeList();
}

std::unique_ptr<CMedia> DialogEditors::MakeMediaTemplate()
{
    frmMedia editor(m_parent);
    return editor.MakeTemplate();
}

std::unique_ptr<CMovie> DialogEditors::MakeMovieTemplate()
{
    frmMovie editor(m_parent);
    return editor.MakeTemplate();
}

void DialogEditors::ShowMessage(const QString& message)
{
    CursorOverride arrow(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::NoIcon, kTitle, message, QMessageBox::Ok, m_parent);
    box.setObjectName("msgPlain");
    box.exec();
}

void DialogEditors::SetBusy(bool busy)
{
    if (busy == m_busy.has_value()) {
        return;
    }
    if (busy) {
        m_busy.emplace();
    } else {
        m_busy.reset();
    }
}
