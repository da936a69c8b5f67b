#include "shell/DialogEditors.h"

#include "editors/frmCategory.h"
#include "editors/frmGroup.h"
#include "editors/frmMovie.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace {

const QString kTitle = QStringLiteral("Vidsora");

// A question or message asked while a command shows the busy cursor still gets the pointer.
class ArrowCursor
{
public:
    ArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
    ArrowCursor(const ArrowCursor&) = delete;
    ArrowCursor& operator=(const ArrowCursor&) = delete;
};

} // namespace

DialogEditors::DialogEditors(QWidget* parent) : m_parent(parent) {}

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
    frmGroup editor(m_parent);
    // The parent named before counts for the next new group only.
    if (strKey.isEmpty()) {
        editor.GroupParent(std::exchange(m_groupParent, QString()));
    }
    return editor.EditGroup(strKey);
}

void DialogEditors::BoxParent(const QString& strKey)
{
    m_boxParent = strKey;
}

QString DialogEditors::EditBox(const QString& strKey)
{
    // The box editor comes with the box and media commands; until then an edit changes nothing, as a Cancel would.
    return strKey;
}

void DialogEditors::MediaParent(const QString& strKey)
{
    m_mediaParent = strKey;
}

QString DialogEditors::EditMedia(const QString& strKey)
{
    // As EditBox.
    return strKey;
}

void DialogEditors::MovieParent(const QString& strKey)
{
    m_movieParent = strKey;
}

QString DialogEditors::EditMovie(const QString& strKey)
{
    frmMovie editor(m_parent);
    if (strKey.isEmpty()) {
        editor.MovieParent(std::exchange(m_movieParent, QString()));
    }
    return editor.EditMovie(strKey);
}

bool DialogEditors::AskYesNo(const QString& question)
{
    ArrowCursor arrow;
    QMessageBox box(QMessageBox::NoIcon, kTitle, question, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setObjectName("msgQuestion");
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void DialogEditors::ShowWarning(const QString& message)
{
    ArrowCursor arrow;
    QMessageBox box(QMessageBox::Warning, kTitle, message, QMessageBox::Ok, m_parent);
    box.setObjectName("msgWarning");
    box.exec();
}
