#pragma once

#include <QApplication>
#include <QEvent>
#include <QString>

#include <functional>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

// A cursor over the whole application for as long as this object lives: the hourglass unless told otherwise (a
// question asked while a command shows the hourglass still gets the arrow).
class CursorOverride
{
public:
    explicit CursorOverride(Qt::CursorShape shape = Qt::WaitCursor) { QApplication::setOverrideCursor(shape); }
    ~CursorOverride() { QApplication::restoreOverrideCursor(); }
    CursorOverride(const CursorOverride&) = delete;
    CursorOverride& operator=(const CursorOverride&) = delete;
};

// Whether an event is the user's input (mouse, keys, wheel, touch, tablet, drag and drop): what a wait holds back.
bool IsUserInput(QEvent::Type type);

// Helpers for the windows' controls: list and text boxes shared by the editors and the settings dialog, the tree and
// the desktop's document handler. The window-free procedures are in "core/mGeneral.h" and "core/mFunctions.h".

// Adds the trimmed text unless an entry equal to it (trimmed, upper case) is there already.
void AddUniqueToList(const QString& text, QListWidget* list);
void AddUniqueToList(const QString& text, QComboBox* list);
// Each CR LF separated piece of text, as AddUniqueToList adds it.
void AddLinesToList(const QString& text, QListWidget* list);
void AddLinesToList(const QString& text, QComboBox* list);
// The entries joined by CR LF.
QString ListToText(const QListWidget* list);
QString ListToText(const QComboBox* list);
void SelectAllText(QLineEdit* box);
void SelectAllText(QTextEdit* box);
void SelectAllText(QPlainTextEdit* box);

// Finds the tree node of an item key, or null. The main window keeps a key-to-node map and hands in its lookup.
using TreeNodeLookup = std::function<QTreeWidgetItem*(const QString& key)>;
bool TreeNodeExists(const TreeNodeLookup& lookup, const QString& key);
// Walks the tree for a node whose column 0 holds key under role.
bool TreeNodeExists(const QTreeWidget* tree, const QString& key, int role = Qt::UserRole);

// Opens the target with the desktop's handler; refused targets do nothing. Nothing is reported.
void OpenDocument(const QString& target);
