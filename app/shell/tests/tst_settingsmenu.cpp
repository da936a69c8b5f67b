// The main window's "&Settings..." opens the settings dialog on its first tab; what is added there is what the
// editors offer next.

#include "MainWindowWorld.h"
#include "core/PickLists.h"
#include "shell/frmMain.h"
#include "shell/frmSettings.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace TestWorld;
using PickLists::PickList;

class SettingsMenuTest : public QObject
{
    Q_OBJECT

private slots:
    void settingsOpensFromTheMenu()
    {
        const CollectionStore store;
        LoadCollections(store.db());
        frmMain main;
        main.Load();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        bool opened = false;
        AnswerModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<frmSettings*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            opened = dialog->tbSettings->currentWidget() == dialog->fraDatabase;
            QCOMPARE(dialog->txtDBPath->text(), store.db());
            // A new user adds a studio and a picture format.
            for (QPlainTextEdit* field : {dialog->Field(PickList::Studios), dialog->Field(PickList::Picture)}) {
                field->setFocus();
                field->moveCursor(QTextCursor::End);
                QTest::keyClick(field, Qt::Key_Return);
                QTest::keyClicks(field, field == dialog->Field(PickList::Studios) ? "Harbour Films" : "Super 8");
            }
            QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
            if (dialog->isVisible()) {
                dialog->close();
            }
        });
        main.findChild<QAction*>("mnuViewSettings")->trigger();
        QVERIFY(opened);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(PickLists::ReadEntries(PickList::Studios).contains("Harbour Films"));
        QVERIFY(PickLists::ReadEntries(PickList::Picture).contains("Super 8"));
    }
};

int main(int argc, char** argv)
{
    SetUpEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    SettingsMenuTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsmenu.moc"
