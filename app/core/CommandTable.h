#pragma once

#include <QString>

#include <optional>
#include <vector>

// The main window's commands as its menus, its popup menu and its toolbar show them: every entry and button with its
// caption, its command and the selections that enable it. The window owns the widgets and the procedures; this table
// is the one place that names an entry, ties it to its command and says when it may run.
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

// What an item of the menus, the popup and the toolbar is.
enum class Kind
{
    Submenu, // a menu, on the menu bar or inside another menu
    Entry,
    Line,   // a separator of a menu
    Button, // a button of the toolbar
    Gap,    // a separator of the toolbar
};

// Which selections enable an entry or button. Without kinds the selection never touches it.
struct Enabling
{
    const char* kinds = nullptr; // the first letters of the keys of the items that enable it
    bool alone = false;          // also a medium or movie that stands outside any box
};

enum Flag : unsigned
{
    Hidden = 1,
    Disabled = 2,
    Checked = 4, // a checkable entry, checked from the start
};

// One item of the window's menus, popup menu or toolbar.
struct Item
{
    Surface surface;
    Kind kind;
    const char* parent;  // the menu the item stands in; none for menus on the bar, popup entries and buttons
    const char* name;    // the entry's name, the button's key
    const char* caption; // a button's tooltip
    Command command = Command::None;
    Enabling enabling = {};
    const char* shortcut = nullptr;
    const char* image = nullptr; // a button's image
    unsigned flags = 0;
};

// Every item of the menus, the popup and the toolbar, in the order they stand; the window builds them from this.
const std::vector<Item>& Items();
// Whether an item with this rule is enabled for a selected item whose key begins with kind; alone tells whether the
// item is a medium or movie that stands outside any box.
bool Enables(const Enabling& rule, QChar kind, bool alone);

struct Route
{
    const char* name;
    Surface surface;
    Command command;
};

// Every entry and button with a command, in the order they stand in their menus and on the toolbar.
const std::vector<Route>& Routes();
// The command of a menu or popup entry; none for a name the menus do not route.
std::optional<Command> EntryCommand(const QString& name);
// The command of a toolbar button's key; none for a separator or an unknown key.
std::optional<Command> ButtonCommand(const QString& key);
// The command's name, for logs and test messages.
QString CommandName(Command command);

} // namespace CommandTable
