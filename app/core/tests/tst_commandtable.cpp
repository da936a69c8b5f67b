// The command table: every command within the user's reach, no entry that looks usable and does nothing, no name
// routed twice, and a table the window can build its menus from. What each entry runs is checked on the window.

#include "core/CommandTable.h"

#include <QSet>
#include <QTest>

#include <algorithm>

using CommandTable::Command;
using CommandTable::Surface;

class CommandTableTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCommandIsReachable();
    void entriesThatDoNothingAreDisabled();
    void noNameRoutedTwice();
    void surfacesKeepTheirNames_data();
    void surfacesKeepTheirNames();
    void everyItemStandsInAMenuMadeBeforeIt();
};

// Every command the window runs has a menu entry or a toolbar button, and a name of its own for the logs.
void CommandTableTest::everyCommandIsReachable()
{
    const std::vector<CommandTable::Route>& routes = CommandTable::Routes();
    QSet<QString> names;
    // CommandName knows every command (a missing case does not build) and none past the last.
    for (int i = int(Command::None) + 1; !CommandTable::CommandName(Command(i)).isEmpty(); ++i) {
        const Command command = Command(i);
        const QString name = CommandTable::CommandName(command);
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
        const bool reached = std::any_of(routes.begin(), routes.end(), [command](const CommandTable::Route& route) {
            return route.command == command;
        });
        QVERIFY2(reached, qPrintable(name));
    }
}

// An entry that does nothing (no command, or Help with no help file to show) stands disabled and no selection
// enables it, so the user meets no live entry without an effect.
void CommandTableTest::entriesThatDoNothingAreDisabled()
{
    for (const CommandTable::Item& item : CommandTable::Items()) {
        const bool routed = item.kind == CommandTable::Kind::Entry || item.kind == CommandTable::Kind::Button;
        if (routed && (item.command == Command::None || item.command == Command::Help)) {
            QVERIFY2(item.flags & CommandTable::Disabled, item.name);
            QVERIFY2(!item.enabling.kinds, item.name);
        }
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
