// The command table: the twins of an entry in the menus, the popup and on the toolbar run one command, and no name
// is routed twice.

#include "core/CommandTable.h"

#include <QSet>
#include <QTest>

using CommandTable::Command;
using CommandTable::Surface;

Q_DECLARE_METATYPE(Command)

class CommandTableTest : public QObject
{
    Q_OBJECT

private slots:
    void twinsRunOneCommand_data();
    void twinsRunOneCommand();
    void noNameRoutedTwice();
    void surfacesKeepTheirNames_data();
    void surfacesKeepTheirNames();
    void onlySaveAndHelpDoNothing();
    void everyItemStandsInAMenuMadeBeforeIt();
};

void CommandTableTest::twinsRunOneCommand_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("popup");
    QTest::addColumn<QString>("button");
    QTest::addColumn<Command>("command");
    QTest::newRow("edit") << "mnuEdit"
                          << "mnuPopupEdit"
                          << "btnEdit" << Command::Edit;
    QTest::newRow("box") << "mnuAddbox"
                         << "mnuNewBox"
                         << "btnAddBox" << Command::AddBox;
    QTest::newRow("media") << "mhuAddMedia"
                           << "mnuNewMedia"
                           << "btnAddMedia" << Command::AddMedia;
    QTest::newRow("movie") << "mnuAddMovie"
                           << "mnuNewMovie"
                           << "btnAddMovie" << Command::AddMovie;
    QTest::newRow("category") << "mnuAddCategory"
                              << "mnuNewCategory"
                              << "btnAddCategory" << Command::AddCategory;
    QTest::newRow("group") << "mnuAddGroup"
                           << "mnuNewSubcategory"
                           << "btnAddSubcategory" << Command::AddSubcategory;
    QTest::newRow("import") << "mnuUEFImport"
                            << "mnuImport"
                            << "btnUEFImport" << Command::ImportUEF;
    QTest::newRow("export") << "mnuUEFExport"
                            << "mnuExport"
                            << "btnUEFExport" << Command::ExportUEF;
    QTest::newRow("online import") << "mnuToolsDVDOrbelImport"
                                   << "mnuOrbelImport"
                                   << "btnOrbelImport" << Command::ImportOnline;
    QTest::newRow("submit") << "mnuToolsDVDOrbelSubmit"
                            << "mnuOrbelExport"
                            << "btnOrbelExport" << Command::SubmitOnline;
    // The popup's Delete and the toolbar's; the menu bar has none.
    QTest::newRow("delete") << ""
                            << "mnuDelete"
                            << "btnDelete" << Command::Delete;
    // The toolbar's print button prints at once; the menu entry asks with the print dialog first.
    QTest::newRow("print") << ""
                           << ""
                           << "btnPrint" << Command::PrintNow;
    QTest::newRow("print dialog") << "mnuPrint"
                                  << ""
                                  << "" << Command::PrintWithDialog;
    QTest::newRow("preview") << "mnuPreview"
                             << ""
                             << "btnPreview" << Command::Preview;
}

void CommandTableTest::twinsRunOneCommand()
{
    QFETCH(QString, menu);
    QFETCH(QString, popup);
    QFETCH(QString, button);
    QFETCH(Command, command);
    for (const QString& entry : {menu, popup}) {
        if (!entry.isEmpty()) {
            QCOMPARE(CommandTable::EntryCommand(entry), std::optional<Command>(command));
        }
    }
    if (!button.isEmpty()) {
        QCOMPARE(CommandTable::ButtonCommand(button), std::optional<Command>(command));
    }
}

void CommandTableTest::noNameRoutedTwice()
{
    QSet<QString> entries;
    QSet<QString> buttons;
    for (const CommandTable::Route& route : CommandTable::Routes()) {
        QSet<QString>& names = route.surface == Surface::Toolbar ? buttons : entries;
        const QString name = QString::fromLatin1(route.name);
        QVERIFY2(!names.contains(name), route.name);
        names.insert(name);
    }
    QCOMPARE(entries.size(), 36);
    QCOMPARE(buttons.size(), 13);
}

void CommandTableTest::surfacesKeepTheirNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("entry");
    QTest::addColumn<bool>("button");
    QTest::newRow("menu entry") << "mnuFind" << true << false;
    QTest::newRow("popup entry") << "mnuDelete" << true << false;
    QTest::newRow("button") << "btnDelete" << false << true;
    QTest::newRow("menu title") << "mnuTools" << false << false;
    QTest::newRow("separator") << "mnuToolsline1" << false << false;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("case differs") << "MNUFIND" << false << false;
}

void CommandTableTest::surfacesKeepTheirNames()
{
    QFETCH(QString, name);
    QFETCH(bool, entry);
    QFETCH(bool, button);
    QCOMPARE(CommandTable::EntryCommand(name).has_value(), entry);
    QCOMPARE(CommandTable::ButtonCommand(name).has_value(), button);
}

void CommandTableTest::onlySaveAndHelpDoNothing()
{
    QStringList idle;
    QSet<QString> names;
    for (const CommandTable::Route& route : CommandTable::Routes()) {
        if (route.command == Command::None || route.command == Command::Help) {
            idle << QString::fromLatin1(route.name);
        }
        names.insert(CommandTable::CommandName(route.command));
    }
    QCOMPARE(idle, QStringList({"mnuSave", "mnuDoHelp"}));
    QVERIFY(!names.contains(QString()));
}

// The window builds its menus from the table in one pass: an entry whose menu is misspelt or comes later would have
// nowhere to stand when the window opens.
void CommandTableTest::everyItemStandsInAMenuMadeBeforeIt()
{
    QSet<QString> menus;
    for (const CommandTable::Item& item : CommandTable::Items()) {
        const char* label = item.name ? item.name : "a toolbar gap";
        const bool needsMenu =
            item.surface == Surface::Menu && (item.kind != CommandTable::Kind::Submenu || item.parent);
        if (needsMenu) {
            QVERIFY2(item.parent && menus.contains(QString::fromLatin1(item.parent)), label);
        } else {
            QVERIFY2(!item.parent, label);
        }
        QVERIFY2((item.surface == Surface::Toolbar) ==
                     (item.kind == CommandTable::Kind::Button || item.kind == CommandTable::Kind::Gap),
                 label);
        if (item.kind == CommandTable::Kind::Submenu) {
            menus.insert(QString::fromLatin1(item.name));
        }
    }
    QVERIFY(menus.contains("mnuTools"));
}

QTEST_GUILESS_MAIN(CommandTableTest)
#include "tst_commandtable.moc"
