#include "widgets/mControls.h"

#include "core/mFunctions.h"

#include "AnsiText.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

template <typename List>
void AddUnique(const QString& text, List* list, int count, const std::function<QString(int)>& entry)
{
    if (!list) {
        return;
    }
    const QString wanted = AnsiText::UCase(AnsiText::Trim(text));
    for (int i = 0; i < count; ++i) {
        if (AnsiText::UCase(AnsiText::Trim(entry(i))) == wanted) {
            return;
        }
    }
    list->addItem(AnsiText::Trim(text));
}

QString JoinEntries(int count, const std::function<QString(int)>& entry)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        if (!text.isEmpty()) {
            text += u"\r\n";
        }
        text += entry(i);
    }
    return text;
}

} // namespace

void AddUniqueToList(const QString& text, QListWidget* list)
{
    AddUnique(text, list, list ? list->count() : 0, [list](int i) { return list->item(i)->text(); });
}

void AddUniqueToList(const QString& text, QComboBox* list)
{
    AddUnique(text, list, list ? list->count() : 0, [list](int i) { return list->itemText(i); });
}

void AddLinesToList(const QString& text, QListWidget* list)
{
    if (text.isEmpty()) {
        return;
    }
    for (const QString& piece : text.split(QStringLiteral("\r\n"))) {
        AddUniqueToList(piece, list);
    }
}

void AddLinesToList(const QString& text, QComboBox* list)
{
    if (text.isEmpty()) {
        return;
    }
    for (const QString& piece : text.split(QStringLiteral("\r\n"))) {
        AddUniqueToList(piece, list);
    }
}

QString ListToText(const QListWidget* list)
{
    return list ? JoinEntries(list->count(), [list](int i) { return list->item(i)->text(); }) : QString();
}

QString ListToText(const QComboBox* list)
{
    return list ? JoinEntries(list->count(), [list](int i) { return list->itemText(i); }) : QString();
}

void SelectAllText(QLineEdit* box)
{
    if (box) {
        box->setSelection(0, int(box->text().size()));
    }
}

void SelectAllText(QTextEdit* box)
{
    if (box) {
        box->selectAll();
    }
}

void SelectAllText(QPlainTextEdit* box)
{
    if (box) {
        box->selectAll();
    }
}

bool TreeNodeExists(const TreeNodeLookup& lookup, const QString& key)
{
    return lookup && lookup(key) != nullptr;
}

bool TreeNodeExists(const QTreeWidget* tree, const QString& key, int role)
{
    if (!tree) {
        return false;
    }
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it) {
        if ((*it)->data(0, role).toString() == key) {
            return true;
        }
    }
    return false;
}

void OpenDocument(const QString& target)
{
    const QUrl url = DocumentUrl(target);
    if (url.isValid()) {
        QDesktopServices::openUrl(url);
    }
}

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}
