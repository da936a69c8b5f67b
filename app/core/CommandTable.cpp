#include "core/CommandTable.h"

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

namespace {

constexpr Item Menu(const char* parent, const char* name, const char* caption, unsigned flags = 0)
{
    return {Surface::Menu, Kind::Submenu, parent, name, caption, Command::None, {}, nullptr, nullptr, flags};
}

constexpr Item Entry(const char* parent, const char* name, const char* caption, Command command, Enabling enabling = {},
                     const char* shortcut = nullptr, unsigned flags = 0)
{
    return {Surface::Menu, Kind::Entry, parent, name, caption, command, enabling, shortcut, nullptr, flags};
}

constexpr Item Line(const char* parent, const char* name)
{
    return {Surface::Menu, Kind::Line, parent, name, nullptr};
}

constexpr Item PopupEntry(const char* name, const char* caption, Command command, Enabling enabling)
{
    return {Surface::Popup, Kind::Entry, nullptr, name, caption, command, enabling};
}

constexpr Item PopupLine(const char* name)
{
    return {Surface::Popup, Kind::Line, nullptr, name, nullptr};
}

constexpr Item Button(const char* key, const char* image, const char* tooltip, Command command, Enabling enabling = {})
{
    return {Surface::Toolbar, Kind::Button, nullptr, key, tooltip, command, enabling, nullptr, image};
}

constexpr Item Gap()
{
    return {Surface::Toolbar, Kind::Gap, nullptr, nullptr, nullptr};
}

} // namespace

const std::vector<Item>& Items()
{
    using enum Command;
    // The selections that enable the item commands: the root (!), categories (C), groups (S), boxes (B), media (E)
    // and movies (M). Only what stands outside a box travels alone.
    constexpr Enabling kNewCategory{"!CSBE"};
    constexpr Enabling kNewSubcategory{"!C"};
    constexpr Enabling kNewBox{"!CS"};
    constexpr Enabling kNewMedia{"!CSB"};
    constexpr Enabling kNewMovie{"!CSBE"};
    constexpr Enabling kDelete{"CSBEM"};
    constexpr Enabling kImport{"!CS"};
    constexpr Enabling kExport{"B", true};
    constexpr Enabling kSubmit{"", true};
    static const std::vector<Item> items = {
        Menu(nullptr, "mnuFile", "&File"),
        Entry("mnuFile", "mnuSave", "&Save", None, {}, "Ctrl+S", Disabled),
        Entry("mnuFile", "mnuPreview", "P&review...", Preview),
        Entry("mnuFile", "mnuPrint", "&Print...", PrintWithDialog),
        Line("mnuFile", "mnuFileline2"),
        Entry("mnuFile", "mnuEdit", "&Edit...", Edit),
        Line("mnuFile", "mnuFileline1"),
        Entry("mnuFile", "mnuExit", "E&xit", Exit),

        Menu(nullptr, "mnuView", "&View"),
        Entry("mnuView", "mnuViewSettings", "&Settings...", Settings),
        Entry("mnuView", "mnuFullStructure", "Full structure", FullStructure, {}, nullptr, Checked),
        Line("mnuView", "mniViewline1"),
        Entry("mnuView", "mnuFind", "&Find...", Find, {}, "Ctrl+F"),
        Entry("mnuView", "mnuRefresh", "&Refresh", Refresh, {}, "F5"),

        Menu(nullptr, "mnuVidsoraCom", "&Com", Hidden),
        Entry("mnuVidsoraCom", "mnuComLogin", "&Login to Vidsora: Online...", ComLogin),
        Menu("mnuVidsoraCom", "mnuComUser", "User", Hidden),
        Entry("mnuComUser", "mnuComNewuser", "New user registration...", ComNewUser),
        Entry("mnuVidsoraCom", "mnuComAnnouncements", "Check announcements...", ComAnnouncements, {}, nullptr, Hidden),

        Menu(nullptr, "mnuTools", "&Tools"),
        Entry("mnuTools", "mnuToolsDVDOrbelImport", "Add from Vidsora: Online...", ImportOnline),
        Entry("mnuTools", "mnuAddbox", "Add &box", AddBox),
        Entry("mnuTools", "mhuAddMedia", "Add m&edia", AddMedia),
        Entry("mnuTools", "mnuAddMovie", "Add &movie", AddMovie),
        Line("mnuTools", "mnuToolsline3"),
        Entry("mnuTools", "mnuAddCategory", "Add &category", AddCategory),
        Entry("mnuTools", "mnuAddGroup", "Add &group", AddSubcategory),
        Line("mnuTools", "mnuToolsline1"),
        Entry("mnuTools", "mnuUEFImport", "Import &from UEF...", ImportUEF, kImport),
        Entry("mnuTools", "mnuUEFExport", "Export selected item to &UEF...", ExportUEF),
        Line("mnuTools", "mnuToolsline2"),
        Entry("mnuTools", "mnuToolsDVDOrbelSubmit", "Submit selected item to Vidsora: Online", SubmitOnline, kSubmit),
        Entry("mnuTools", "mnuMyMovies", "Upload my movies...", UploadCollection),
        Entry("mnuTools", "mnuCollectionOnline", "Go to my collection online", CollectionOnline),

        Menu(nullptr, "mnuHelp", "&Help"),
        Entry("mnuHelp", "mnuDoHelp", "&Help", Help, {}, "F1", Disabled),
        Line("mnuHelp", "mnuHelpLine1"),
        Entry("mnuHelp", "mnuAbout", "&About...", About),

        // The tree's popup menu
        PopupEntry("mnuPopupEdit", "Edit...", Edit, {}),
        PopupLine("mnupopuline3"),
        PopupEntry("mnuNewBox", "Add box...", AddBox, kNewBox),
        PopupEntry("mnuNewMedia", "Add media...", AddMedia, kNewMedia),
        PopupEntry("mnuNewMovie", "Add movie...", AddMovie, kNewMovie),
        PopupLine("mnuPoipupline3"),
        PopupEntry("mnuNewCategory", "Add category...", AddCategory, kNewCategory),
        PopupEntry("mnuNewSubcategory", "Add group...", AddSubcategory, kNewSubcategory),
        PopupLine("mnuLine1"),
        PopupEntry("mnuDelete", "Delete", Delete, kDelete),
        PopupLine("mnuLine3"),
        PopupEntry("mnuExport", "Export to UEF...", ExportUEF, kExport),
        PopupEntry("mnuImport", "Import from UEF...", ImportUEF, kImport),
        PopupLine("mnuline5"),
        PopupEntry("mnuOrbelImport", "Import from Vidsora: Online...", ImportOnline, kImport),
        PopupEntry("mnuOrbelExport", "Submit to Vidsora: Online...", SubmitOnline, kExport),

        // The toolbar
        Button("btnPrint", "imgPrint", "Print", PrintNow),
        Button("btnPreview", "imgPreview", "Preview...", Preview),
        Gap(),
        Button("btnEdit", "imgEdit", "Edit...", Edit),
        Button("btnDelete", "imgDelete", "Delete...", Delete),
        Gap(),
        Button("btnOrbelImport", "imgOnlineImport", "Import from Vidsora: Online...", ImportOnline, kImport),
        Button("btnOrbelExport", "imgOnlineSubmit", "Export to Vidsora: Online...", SubmitOnline, kExport),
        Gap(),
        Button("btnAddCategory", "imgCategory", "Add category...", AddCategory),
        Button("btnAddSubcategory", "imgSubcategory", "Add subcategory...", AddSubcategory),
        Button("btnAddBox", "imgBox", "Add box...", AddBox),
        Button("btnAddMedia", "imgMedia", "Add media...", AddMedia),
        Button("btnAddMovie", "imgMovie", "Add movie...", AddMovie),
        Gap(),
        Button("btnUEFImport", "imgUEFIm", "Import from UEF...", ImportUEF, kImport),
        Button("btnUEFExport", "imgUEFEx", "Export to UEF...", ExportUEF),
    };
    return items;
}

bool Enables(const Enabling& rule, QChar kind, bool alone)
{
    if (!rule.kinds || kind.isNull()) {
        return false;
    }
    return QLatin1String(rule.kinds).contains(kind) || (rule.alone && alone);
}

const std::vector<Route>& Routes()
{
    static const std::vector<Route> routes = [] {
        std::vector<Route> all;
        for (const Item& item : Items()) {
            if (item.kind == Kind::Entry || item.kind == Kind::Button) {
                all.push_back({item.name, item.surface, item.command});
            }
        }
        return all;
    }();
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
