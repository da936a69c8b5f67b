#pragma once

#include <QString>

#include <optional>
#include <vector>

// Which command each entry of the main window's menus, its popup menu and each toolbar button runs. The window owns
// the widgets and the procedures; this table is the one place that ties an entry's name to its command.
namespace CommandTable {

enum class Command
{
    None, // an entry that stands in the menu without a command
    Preview,
    PrintWithDialog,
    PrintNow,
    Edit,
    Exit,
    Settings,
    FullStructure,
    Find,
    Refresh,
    ComLogin,
    ComNewUser,
    ComAnnouncements,
    ImportOnline,
    AddBox,
    AddMedia,
    AddMovie,
    AddCategory,
    AddSubcategory,
    ImportUEF,
    ExportUEF,
    SubmitOnline,
    UploadCollection,
    CollectionOnline,
    Help, // no help file ships with the program: the entry does nothing
    About,
    Delete,
};

enum class Surface
{
    Menu,    // an entry of the menu bar's menus
    Popup,   // an entry of the tree's popup menu
    Toolbar, // a button of the toolbar, by its key
};

struct Route
{
    const char* name;
    Surface surface;
    Command command;
};

// Every route, in the order the entries stand in their menus and on the toolbar.
const std::vector<Route>& Routes();
// The command of a menu or popup entry; none for a name the menus do not route.
std::optional<Command> EntryCommand(const QString& name);
// The command of a toolbar button's key; none for a separator or an unknown key.
std::optional<Command> ButtonCommand(const QString& key);
// The command's name, for logs and test messages.
QString CommandName(Command command);

} // namespace CommandTable
