// The add-box and add-media commands in the main window: their menu entries, popup entries and toolbar buttons with
// fake dialogs, the tree refilled with the new container and its contents, and once the whole way through the
// program's own editors, workshop and templates.

#include "CommandFakes.h"
#include "MainWindowWorld.h"
#include "commands/MultiItemAdd.h"
#include "core/Collections.h"
#include "core/ItemView.h"
#include "editors/ctlMedia.h"
#include "editors/frmBox.h"
#include "editors/frmBoxWorkshop.h"
#include "editors/frmMedia.h"
#include "editors/frmMovie.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

using namespace TestWorld;

class MultiAddWiringTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void entries_data();
    void entries();
    void programDialogs();

private:
    QTreeWidgetItem* node(const QString& key) const { return m_main->Node(key); }
    void select(const QString& key)
    {
        m_main->SelectNode(node(key));
        m_main->treeMovies_NodeClick(node(key));
    }
    void run(const QString& entry);
    QStringList childKeys(const QString& key) const
    {
        QStringList keys;
        for (int i = 0; node(key) && i < node(key)->childCount(); ++i) {
            keys << frmMain::NodeKey(node(key)->child(i));
        }
        return keys;
    }

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    SampleStore m_store;
    std::unique_ptr<frmMain> m_main;
    FakeDialogs* m_dialogs = nullptr;
};

void MultiAddWiringTest::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_store = LoadSample(m_dbDir);
    m_main = std::make_unique<frmMain>();
    auto dialogs = std::make_unique<FakeDialogs>();
    m_dialogs = dialogs.get();
    m_main->SetItemEditors(std::move(dialogs));
    m_main->Load();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void MultiAddWiringTest::cleanup()
{
    m_main.reset();
    m_dialogs = nullptr;
    gTempFolder.clear();
    m_dir.reset();
}

void MultiAddWiringTest::run(const QString& entry)
{
    if (entry.startsWith("btn")) {
        auto* tobMain = m_main->findChild<QToolBar*>("tobMain");
        QWidget* button = tobMain->widgetForAction(m_main->findChild<QAction*>(entry));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        return;
    }
    QAction* action = m_main->findChild<QAction*>(entry);
    QVERIFY(action);
    QVERIFY2(action->isEnabled(), qPrintable(entry));
    action->trigger();
}

void MultiAddWiringTest::entries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("box");
    for (const char* e : {"mnuAddbox", "mnuNewBox", "btnAddBox"}) {
        QTest::newRow(e) << e << true;
    }
    for (const char* e : {"mhuAddMedia", "mnuNewMedia", "btnAddMedia"}) {
        QTest::newRow(e) << e << false;
    }
}

void MultiAddWiringTest::entries()
{
    QFETCH(QString, entry);
    QFETCH(bool, box);
    FakeDialogs& d = *m_dialogs;
    d.strName = "Fresh Set";
    d.boxList = QStringList{"One", "Two", "Three", "2;1"};
    d.mediaList = QStringList{"One", "Two", "Three"};
    d.mediaInfo.strMedia = "VHS";
    const QString selected = box ? m_store.drama : m_store.zetaBox;
    select(selected);
    const int nodes = int(m_main->Nodes().size());
    run(entry);

    QCOMPARE(d.calls.value(0), (box ? "BoxParent(" : "MediaParent(") + selected + ")");
    QCOMPARE(d.calls.last(), QString("MakeMovieTemplate"));
    // The tree was refilled with the container and its contents; the selection stays.
    QString key;
    for (const QString& child : childKeys(selected)) {
        if (Collections::ItemName(child) == QLatin1String("Fresh Set")) {
            key = child;
        }
    }
    QVERIFY(!key.isEmpty());
    QCOMPARE(m_main->strKey(), selected);
    QVERIFY(node(selected)->isSelected());
    // The status bar counts the refilled tree, not the one before the command.
    QCOMPARE(m_main->findChild<QLabel*>("pnSmall")->text(), ItemViews::ItemCountText());
    if (box) {
        const QStringList discs = childKeys(key);
        QCOMPARE(discs.size(), 2);
        QCOMPARE(Collections::ItemName(discs[0]), QString("Tape 1"));
        QCOMPARE(childKeys(discs[0]).size(), 2);
        QCOMPARE(childKeys(discs[1]).size(), 1);
        QCOMPARE(int(m_main->Nodes().size()), nodes + 1 + 2 + 3);
    } else {
        QCOMPARE(childKeys(key).size(), 3);
        QCOMPARE(int(m_main->Nodes().size()), nodes + 1 + 3);
    }

    // Cancelled in its editor: nothing changes and nothing is refilled.
    d.calls.clear();
    d.blnCancel = true;
    run(entry);
    QCOMPARE(d.calls.size(), 2);
    QCOMPARE(int(m_main->Nodes().size()), nodes + (box ? 6 : 4));
}

void MultiAddWiringTest::programDialogs()
{
    // Without editors given, the window opens its own dialogs: a TV box set of 3 discs and 8 episodes.
    m_main->SetItemEditors(nullptr);
    m_dialogs = nullptr;
    select(m_store.drama);
    QStringList seen;
    const auto okMessage = [&seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        seen << box->text();
        box->button(QMessageBox::Ok)->click();
    };
    const auto movieTemplate = [&seen](QWidget* modal) {
        auto* movie = qobject_cast<frmMovie*>(modal);
        QVERIFY(movie);
        seen << movie->windowTitle();
        movie->findChild<QLineEdit*>("txtCountry")->setText("Norway");
        movie->findChild<QPushButton*>("cmdOk")->click();
    };
    const auto mediaTemplate = [&](QWidget* modal) {
        auto* media = qobject_cast<frmMedia*>(modal);
        QVERIFY(media);
        seen << media->windowTitle();
        media->ctlMediaData->findChild<QRadioButton*>("optDVD")->click();
        AnswerModal([&](QWidget* message) {
            okMessage(message);
            AnswerModal(movieTemplate);
        });
        media->cmdOk->click();
    };
    const auto workshop = [&](QWidget* modal) {
        auto* w = qobject_cast<frmBoxWorkshop*>(modal);
        QVERIFY(w);
        w->txtList->setPlainText("Pilot\nTwo\nThree\nFour\nFive\nSix\nSeven\nFinale");
        w->chkSeveralDiscs->click();
        w->txtEpDivided->setText("3;3;2;");
        AnswerModal([&](QWidget* message) {
            okMessage(message);
            AnswerModal(mediaTemplate);
        });
        w->cmdOk->click();
    };
    AnswerModal([&](QWidget* modal) {
        auto* box = qobject_cast<frmBox*>(modal);
        QVERIFY(box);
        box->txtBName->setText("Lighthouse: Season 1");
        // Without the code checker an empty code asks once whether to save; then the workshop opens.
        AnswerModal([&](QWidget* question) {
            qobject_cast<QMessageBox*>(question)->button(QMessageBox::Yes)->click();
            AnswerModal(workshop);
        });
        box->cmdOk->click();
    });
    run("mnuNewBox");

    QCOMPARE(seen, (QStringList{ItemCommands::MediaTemplateMessage(), "<New Media Template>",
                                ItemCommands::MovieTemplateMessage(), "<New Movie Template>"}));
    QString boxKey;
    for (const QString& child : childKeys(m_store.drama)) {
        if (Collections::ItemName(child) == QLatin1String("Lighthouse: Season 1")) {
            boxKey = child;
        }
    }
    QVERIFY(!boxKey.isEmpty());
    const QStringList discs = childKeys(boxKey);
    QCOMPARE(discs.size(), 3);
    QStringList episodes;
    for (const QString& disc : discs) {
        episodes << Collections::ItemName(disc);
        for (const QString& movie : childKeys(disc)) {
            episodes << Collections::ItemName(movie);
            QCOMPARE(gMovies->Item(movie)->strCountry(), QString("Norway"));
        }
    }
    QCOMPARE(episodes, (QStringList{"Disc 1", "Pilot", "Two", "Three", "Disc 2", "Four", "Five", "Six", "Disc 3",
                                    "Seven", "Finale"}));
}

int main(int argc, char** argv)
{
    SetUpEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    MultiAddWiringTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_multiaddwiring.moc"
