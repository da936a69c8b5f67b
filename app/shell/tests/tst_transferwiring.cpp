// The main window runs the exchange-file, online and account commands from every menu entry, popup entry and
// toolbar button that names them.

#include "ModalAnswerer.h"
#include "TransferWorld.h"

#include "shell/frmMain.h"
#include "transfer/AccountCommands.h"
#include "transfer/frmAddItem.h"
#include "transfer/frmExport.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace TransferWorld;
using namespace TestSupport;

class TransferWiringTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(RegisterCodevet());
        const QString db = NewWorld(QStringLiteral("store"));
        m_movie = TestWorld::AddMovie(QStringLiteral("Wired Movie"), "!0", "DVD");
        SetCode(m_movie, kCodeA);
        m_category = TestWorld::AddCategory(QStringLiteral("Imports"));
        TestWorld::LoadCollections(db);
        m_main = std::make_unique<frmMain>();
        m_main->Load();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    }

    void cleanupTestCase()
    {
        m_main.reset();
        RemoveTempFolder();
    }

    void commands_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("opens");
        for (const char* name : {"mnuUEFExport", "mnuExport", "btnUEFExport"}) {
            QTest::newRow(name) << name << "movie"
                                << "QFileDialog to save";
        }
        for (const char* name : {"mnuUEFImport", "mnuImport", "btnUEFImport"}) {
            QTest::newRow(name) << name << "root"
                                << "QFileDialog to open";
        }
        for (const char* name : {"mnuToolsDVDOrbelImport", "mnuOrbelImport", "btnOrbelImport"}) {
            QTest::newRow(name) << name << "root"
                                << "frmAddItem";
        }
        for (const char* name : {"mnuToolsDVDOrbelSubmit", "mnuOrbelExport", "btnOrbelExport"}) {
            QTest::newRow(name) << name << "movie"
                                << "frmExport";
        }
        QTest::newRow("mnuMyMovies") << "mnuMyMovies"
                                     << "root"
                                     << "frmExport";
        for (const char* name : {"mnuComLogin", "mnuComNewuser", "mnuComAnnouncements"}) {
            QTest::newRow(name) << name << "root"
                                << "QMessageBox";
        }
    }
    void commands()
    {
        QFETCH(QString, entry);
        QFETCH(QString, selection);
        QFETCH(QString, opens);
        m_main->SelectAndShow(selection == u"movie" ? m_movie : QStringLiteral("!0"));
        QAction* action = m_main->findChild<QAction*>(entry);
        QVERIFY(action);
        if (entry == u"mnuComAnnouncements") {
            // Hidden and disabled in this edition; its command is wired all the same.
            action->setVisible(true);
            action->setEnabled(true);
        }
        QVERIFY(action->isEnabled());
        QString opened;
        QString text;
        TestSupport::AnswerModal([&](QWidget* modal) {
            opened = QString::fromLatin1(modal->metaObject()->className());
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                opened += files->acceptMode() == QFileDialog::AcceptSave ? " to save" : " to open";
            }
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                text = box->text();
            }
            if (auto* upload = qobject_cast<frmExport*>(modal)) {
                text = upload->session().Rows().value(0).text;
            }
            // Each dialog's Cancel, as the user would press it.
            if (auto* cancel = modal->findChild<QPushButton*>(QStringLiteral("cmdCancel"))) {
                cancel->click();
            } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
        });
        action->trigger();
        QCOMPARE(opened, opens);
        QVERIFY(!QApplication::activeModalWidget());
        if (opens == u"QMessageBox") {
            QCOMPARE(text, AccountCommands::NotInstalledMessage());
        } else if (entry == u"mnuMyMovies") {
            QCOMPARE(text, QStringLiteral("<Collection>"));
        } else if (opens == u"frmExport") {
            QCOMPARE(text, QStringLiteral("Wired Movie"));
        }
    }

    // The refilled tree marks the category the file went into, and the Delete key asks about that category.
    void importRefillsTheTree()
    {
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("wired.UEF"));
        m_main->SelectAndShow(m_movie);
        PickFile(path);
        m_main->findChild<QAction*>(QStringLiteral("mnuUEFExport"))->trigger();
        QVERIFY(QFileInfo::exists(path));

        m_main->SelectAndShow(m_category);
        const int before = int(m_main->Nodes().size());
        PickFile(path);
        m_main->findChild<QAction*>(QStringLiteral("mnuUEFImport"))->trigger();
        QCOMPARE(int(m_main->Nodes().size()), before + 1);
        QCOMPARE(gMovies->Count(), 2);
        auto* tree = m_main->findChild<QTreeWidget*>(QStringLiteral("treeMovies"));
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>({m_main->Node(m_category)}));
        QCOMPARE(m_main->strKey(), m_category);

        QString asked;
        AnswerMessage(&asked, QMessageBox::No);
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(asked, QStringLiteral("Do you wish do delete the category, and everything in it?"));
        QVERIFY(gCategories->Item(m_category));
    }

private:
    std::unique_ptr<frmMain> m_main;
    QString m_movie;
    QString m_category;
};

int main(int argc, char** argv)
{
    TransferWorld::SetUp();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TransferWiringTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_transferwiring.moc"
