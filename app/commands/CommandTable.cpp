#include "commands/CommandTable.h"

namespace CommandTable {

namespace {

std::optional<Command> Find(const QString& name, bool toolbar)
{
    for (const Route& route : Routes()) {
        if ((route.surface == Surface::Toolbar) == toolbar && name == QLatin1String(route.name)) {
            return route.command;
        }
    }
    return std::nullopt;
}

} // namespace

const std::vector<Route>& Routes()
{
    using enum Command;
    constexpr Surface M = Surface::Menu;
    constexpr Surface P = Surface::Popup;
    constexpr Surface T = Surface::Toolbar;
    static const std::vector<Route> routes = {
        // File
        {"mnuSave", M, None},
        {"mnuPreview", M, Preview},
        {"mnuPrint", M, PrintWithDialog},
        {"mnuEdit", M, Edit},
        {"mnuExit", M, Exit},
        // View
        {"mnuViewSettings", M, Settings},
        {"mnuFullStructure", M, FullStructure},
        {"mnuFind", M, Find},
        {"mnuRefresh", M, Refresh},
        // Online account
        {"mnuComLogin", M, ComLogin},
        {"mnuComNewuser", M, ComNewUser},
        {"mnuComAnnouncements", M, ComAnnouncements},
        // Tools
        {"mnuToolsDVDOrbelImport", M, ImportOnline},
        {"mnuAddbox", M, AddBox},
        {"mhuAddMedia", M, AddMedia},
        {"mnuAddMovie", M, AddMovie},
        {"mnuAddCategory", M, AddCategory},
        {"mnuAddGroup", M, AddSubcategory},
        {"mnuUEFImport", M, ImportUEF},
        {"mnuUEFExport", M, ExportUEF},
        {"mnuToolsDVDOrbelSubmit", M, SubmitOnline},
        {"mnuMyMovies", M, UploadCollection},
        {"mnuCollectionOnline", M, CollectionOnline},
        // Help
        {"mnuDoHelp", M, Help},
        {"mnuAbout", M, About},
        // The tree's popup menu
        {"mnuPopupEdit", P, Edit},
        {"mnuNewBox", P, AddBox},
        {"mnuNewMedia", P, AddMedia},
        {"mnuNewMovie", P, AddMovie},
        {"mnuNewCategory", P, AddCategory},
        {"mnuNewSubcategory", P, AddSubcategory},
        {"mnuDelete", P, Delete},
        {"mnuExport", P, ExportUEF},
        {"mnuImport", P, ImportUEF},
        {"mnuOrbelImport", P, ImportOnline},
        {"mnuOrbelExport", P, SubmitOnline},
        // The toolbar
        {"btnPrint", T, PrintNow},
        {"btnPreview", T, Preview},
        {"btnEdit", T, Edit},
        {"btnDelete", T, Delete},
        {"btnOrbelImport", T, ImportOnline},
        {"btnOrbelExport", T, SubmitOnline},
        {"btnAddCategory", T, AddCategory},
        {"btnAddSubcategory", T, AddSubcategory},
        {"btnAddBox", T, AddBox},
        {"btnAddMedia", T, AddMedia},
        {"btnAddMovie", T, AddMovie},
        {"btnUEFImport", T, ImportUEF},
        {"btnUEFExport", T, ExportUEF},
    };
    return routes;
}

std::optional<Command> EntryCommand(const QString& name)
{
    return Find(name, false);
}

std::optional<Command> ButtonCommand(const QString& key)
{
    return Find(key, true);
}

QString CommandName(Command command)
{
    switch (command) {
    case Command::None:
        return QStringLiteral("None");
    case Command::Preview:
        return QStringLiteral("Preview");
    case Command::PrintWithDialog:
        return QStringLiteral("PrintWithDialog");
    case Command::PrintNow:
        return QStringLiteral("PrintNow");
    case Command::Edit:
        return QStringLiteral("Edit");
    case Command::Exit:
        return QStringLiteral("Exit");
    case Command::Settings:
        return QStringLiteral("Settings");
    case Command::FullStructure:
        return QStringLiteral("FullStructure");
    case Command::Find:
        return QStringLiteral("Find");
    case Command::Refresh:
        return QStringLiteral("Refresh");
    case Command::ComLogin:
        return QStringLiteral("ComLogin");
    case Command::ComNewUser:
        return QStringLiteral("ComNewUser");
    case Command::ComAnnouncements:
        return QStringLiteral("ComAnnouncements");
    case Command::ImportOnline:
        return QStringLiteral("ImportOnline");
    case Command::AddBox:
        return QStringLiteral("AddBox");
    case Command::AddMedia:
        return QStringLiteral("AddMedia");
    case Command::AddMovie:
        return QStringLiteral("AddMovie");
    case Command::AddCategory:
        return QStringLiteral("AddCategory");
    case Command::AddSubcategory:
        return QStringLiteral("AddSubcategory");
    case Command::ImportUEF:
        return QStringLiteral("ImportUEF");
    case Command::ExportUEF:
        return QStringLiteral("ExportUEF");
    case Command::SubmitOnline:
        return QStringLiteral("SubmitOnline");
    case Command::UploadCollection:
        return QStringLiteral("UploadCollection");
    case Command::CollectionOnline:
        return QStringLiteral("CollectionOnline");
    case Command::Help:
        return QStringLiteral("Help");
    case Command::About:
        return QStringLiteral("About");
    case Command::Delete:
        return QStringLiteral("Delete");
    }
    return QString();
}

} // namespace CommandTable
