#pragma once

#include <QString>

class QWidget;

// The main window's exchange-file, online and account commands. Each takes the window that owns the dialogs it
// opens and the key of the main window's selection; the main window's command table routes its entries to them.
namespace TransferCommands {

// Asks for a file and writes the item of strKey to it as exchange text with its covers embedded.
void ExportSelectedToUEF(QWidget* parent, const QString& strKey);
// Asks for an exchange file and adds its items under strParentKey. True when a file was read (the tree is then out
// of date, whatever came of it); false after a cancelled file dialog.
bool ImportUEFFile(QWidget* parent, const QString& strParentKey);
// Opens the online import dialog; true when its queue was imported (the tree is then out of date).
bool ImportOnline(QWidget* parent, const QString& strKey);
// Queues the item of strKey in the upload dialog and opens it, when its product code is valid; else says why.
void SubmitItemOnline(QWidget* parent, const QString& strKey);
// Queues the collection list in the upload dialog and opens it.
void UploadCollection(QWidget* parent);
// The online account component's commands.
void ComUserLogin(QWidget* parent);
void ComNewUser(QWidget* parent);
void ComAnnouncements(QWidget* parent);

} // namespace TransferCommands
