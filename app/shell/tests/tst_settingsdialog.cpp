// The settings dialog's wiring: its controls, its tabs, the keys that must not close it, and the messages that keep
// it open. What it writes is the model's, tested without a window.

#include "shell/frmSettings.h"

#include "core/PickLists.h"
#include "core/mFunctions.h"

#include "AccessKeys.h"
#include "AnsiText.h"
#include "ModalAnswerer.h"
#include "Registry.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

using PickLists::PickList;

namespace {

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void Put(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(AnsiText::WriteFileBytes(path, bytes));
}

// Opens the dialog on strTab and hands it to fn; whatever fn leaves open is cancelled, so a failed check never hangs.
void Drive(const QString& strTab, const std::function<void(frmSettings*)>& fn)
{
    bool reached = false;
    TestSupport::AnswerModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<frmSettings*>(modal);
        reached = dialog != nullptr;
        if (dialog) {
            fn(dialog);
        }
        if (modal->isVisible()) {
            modal->close();
        }
    });
    frmSettings::ShowSettings(strTab);
    QVERIFY(reached);
}

// Answers the next message box over the dialog with its default button and hands back its text.
void AnswerMessageBox(QString* text)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            *text = box->text();
            box->accept();
        }
    });
    timer->start();
}

void TypeAtEnd(QPlainTextEdit* field, const QString& text)
{
    field->setFocus();
    field->moveCursor(QTextCursor::End);
    QTest::keyClicks(field, text);
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("config"))));
        SetProgramFolder(m_home->filePath(QStringLiteral("program")));
        Put(PickLists::DefaultFilePath(PickList::Studios), "Default Studio\r\n");
        Put(PickLists::UserFilePath(PickList::Extras), "Trailer\r\nx\ny\xa0");
        ReadRegSetting(QStringLiteral("DBPath"), QStringLiteral("/srv/films"));
        WriteRegSetting(QStringLiteral("User"), QStringLiteral("harbor"));
        WriteRegSetting(QStringLiteral("Password"), QStringLiteral("secret"));
    }
    void cleanup() { SetProgramFolder(QString()); }

    void controls()
    {
        Drive(QString(), [](frmSettings* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings"));
            for (const char* name :
                 {"tbSettings",   "fraDatabase", "fraUser",     "fraPicture", "fraSoundmix",  "fraSpoken",
                  "fraSubtitles", "fraExtras",   "fraStudios",  "txtDBPath",  "cmdDBPath",    "txtAlias",
                  "txtPassword",  "txtPicture",  "txtSoundmix", "txtSpoken",  "txtSubtitles", "txtExtras",
                  "txtStudios",   "cmdOk",       "cmdCancel"}) {
                QVERIFY2(dialog->findChild<QWidget*>(QLatin1String(name)), name);
            }
            QTabWidget* tabs = dialog->tbSettings;
            QStringList captions, keys;
            for (int i = 0; i < tabs->count(); ++i) {
                captions << tabs->tabText(i);
                keys << tabs->tabBar()->tabData(i).toString();
            }
            QCOMPARE(captions, (QStringList{"&Database", "&User", "&Picture formats", "&Soundmix", "Spo&ken language",
                                            "Su&btitles", "E&xtras", "S&tudios"}));
            QCOMPARE(keys, (QStringList{"Database", "User", "Picture", "Soundmix", "Spoken", "Subtitles", "Extras",
                                        "Studios"}));
            QCOMPARE(dialog->cmdOk->text(), QStringLiteral("&Ok"));
            QCOMPARE(dialog->cmdCancel->text(), QStringLiteral("&Cancel"));
            QCOMPARE(dialog->cmdDBPath->text(), QStringLiteral("..."));
            QVERIFY(!dialog->cmdOk->isDefault());
            QVERIFY(!dialog->cmdOk->autoDefault());
            // Filled from the settings and the lists.
            QCOMPARE(dialog->txtDBPath->text(), QStringLiteral("/srv/films"));
            QVERIFY(dialog->txtDBPath->isReadOnly());
            QCOMPARE(dialog->txtAlias->text(), QStringLiteral("harbor"));
            QCOMPARE(dialog->txtPassword->text(), QStringLiteral("secret"));
            QCOMPARE(dialog->txtPassword->echoMode(), QLineEdit::Password);
            QCOMPARE(dialog->Field(PickList::Studios)->toPlainText(), QStringLiteral("Default Studio\n"));
            QCOMPARE(dialog->Field(PickList::Picture)->toPlainText(), QString());
        });
    }

    void opensOnTab_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("frame");
        QTest::newRow("empty") << QString() << QStringLiteral("fraDatabase");
        QTest::newRow("Studios") << QStringLiteral("Studios") << QStringLiteral("fraStudios");
        QTest::newRow("unknown") << QStringLiteral("Nowhere") << QStringLiteral("fraDatabase");
    }
    void opensOnTab()
    {
        QFETCH(QString, key);
        QFETCH(QString, frame);
        Drive(key, [&](frmSettings* dialog) {
            QCOMPARE(dialog->tbSettings->currentWidget()->objectName(), frame);
            // Only that frame shows.
            for (QFrame* each : dialog->findChildren<QFrame*>(QRegularExpression(QStringLiteral("^fra")))) {
                QCOMPARE(each->isVisible(), each->objectName() == frame);
            }
        });
    }

    void enterMakesALineAndEscCancels()
    {
        const QByteArray extras = Bytes(PickLists::UserFilePath(PickList::Extras));
        const QByteArray conf = Bytes(Registry::Folder() + QStringLiteral("/Vidsora.conf"));
        bool closedByEsc = false;
        Drive(QStringLiteral("Extras"), [&](frmSettings* dialog) {
            TypeAtEnd(dialog->Field(PickList::Extras), QStringLiteral("More"));
            QTest::keyClick(dialog->Field(PickList::Extras), Qt::Key_Return);
            QTest::keyClicks(dialog->Field(PickList::Extras), QStringLiteral("Making of"));
            QTest::keyClick(dialog->Field(PickList::Extras), Qt::Key_Enter);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->Field(PickList::Extras)->toPlainText(), QStringLiteral("Trailer\nx\ny More\nMaking of\n"));
            // Enter in a one-line field does not press OK either.
            dialog->tbSettings->setCurrentIndex(1);
            dialog->txtAlias->setFocus();
            dialog->txtAlias->selectAll();
            QTest::keyClicks(dialog->txtAlias, QStringLiteral("someone else"));
            QTest::keyClick(dialog->txtAlias, Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            TypeAtEnd(dialog->Field(PickList::Picture), QStringLiteral("IMAX"));
            // Esc is Cancel: edits on three tabs, nothing written.
            QTest::keyClick(dialog->Field(PickList::Picture), Qt::Key_Escape);
            closedByEsc = !dialog->isVisible() && dialog->result() == QDialog::Rejected;
        });
        QVERIFY(closedByEsc);
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::Extras)), extras);
        QCOMPARE(Bytes(Registry::Folder() + QStringLiteral("/Vidsora.conf")), conf);
        QVERIFY(!QFileInfo::exists(PickLists::UserFilePath(PickList::Picture)));
    }

    // Each access key reaches one control, and a tab change puts the focus on the tab's list.
    void accessKeysAndTabFocus()
    {
        QStringList clashes;
        QString focused;
        Drive(QString(), [&](frmSettings* dialog) {
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            clashes = TestSupport::AccessKeyClashes(dialog);
            QTest::keyClick(dialog, Qt::Key_K, Qt::AltModifier);
            focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        });
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
        QCOMPARE(focused, QStringLiteral("txtSpoken"));
    }

    void okWritesWhatChanged()
    {
        const QByteArray extras = Bytes(PickLists::UserFilePath(PickList::Extras));
        Drive(QStringLiteral("Studios"), [&](frmSettings* dialog) {
            // A text box never touched gives its file back as it was, lone LF and no-break space included.
            TypeAtEnd(dialog->Field(PickList::Studios), QStringLiteral("Harbour Films"));
            dialog->txtPassword->setText(QStringLiteral("new secret"));
            QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        });
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::Studios)), QByteArray("Default Studio\r\nHarbour Films"));
        QCOMPARE(PickLists::ReadEntries(PickList::Studios), (QStringList{"Default Studio", "Harbour Films"}));
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::Extras)), extras);
        QCOMPARE(ReadRegSetting(QStringLiteral("Password")).toString(), QStringLiteral("new secret"));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(Registry::Folder() + QStringLiteral("/Vidsora.conf")).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
    }

    void failedWriteKeepsItOpen()
    {
        // No folder can be made where a file stands, also as root.
        QVERIFY(QDir(PickLists::UserFolder()).removeRecursively());
        Put(PickLists::UserFolder(), "a file");
        QString message;
        bool stayedOpen = false;
        Drive(QString(), [&](frmSettings* dialog) {
            dialog->tbSettings->setCurrentIndex(2);
            TypeAtEnd(dialog->Field(PickList::Picture), QStringLiteral("IMAX"));
            TypeAtEnd(dialog->Field(PickList::Studios), QStringLiteral("Harbour Films"));
            AnswerMessageBox(&message);
            QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
            stayedOpen = dialog->isVisible();
            QCOMPARE(dialog->Field(PickList::Picture)->toPlainText(), QStringLiteral("IMAX"));
            QCOMPARE(dialog->Field(PickList::Studios)->toPlainText(), QStringLiteral("Default Studio\nHarbour Films"));
            QCOMPARE(dialog->tbSettings->currentWidget(), dialog->Frame(PickList::Picture));
        });
        QVERIFY(stayedOpen);
        QVERIFY2(message.contains(PickLists::UserFilePath(PickList::Studios)), qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("Picture formats")));
        QCOMPARE(Bytes(PickLists::DefaultFilePath(PickList::Studios)), QByteArray("Default Studio\r\n"));
    }

    void refusedTextKeepsItOpen()
    {
        QString message;
        bool stayedOpen = false;
        Drive(QString(), [&](frmSettings* dialog) {
            dialog->txtAlias->setText(QStringLiteral("\u0141ukasz"));
            AnswerMessageBox(&message);
            QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
            stayedOpen = dialog->isVisible();
            QCOMPARE(dialog->tbSettings->currentWidget(), dialog->fraUser);
            QCOMPARE(dialog->txtAlias->text(), QStringLiteral("\u0141ukasz"));
        });
        QVERIFY(stayedOpen);
        QVERIFY2(message.contains(QStringLiteral("\"Alias\"")) && message.contains(QStringLiteral("U+0141")),
                 qPrintable(message));
        QCOMPARE(ReadRegSetting(QStringLiteral("User")).toString(), QStringLiteral("harbor"));
    }

    void unreadableListIsShownReadOnly()
    {
        QVERIFY(QDir().mkpath(PickLists::UserFilePath(PickList::Audio)));
        Drive(QStringLiteral("Soundmix"), [&](frmSettings* dialog) {
            QVERIFY(dialog->Field(PickList::Audio)->isReadOnly());
            QVERIFY(!dialog->Field(PickList::Picture)->isReadOnly());
            auto* warning = dialog->findChild<QLabel*>(QStringLiteral("lblSoundmixWarning"));
            QVERIFY(warning && warning->isVisible());
            QVERIFY(warning->text().contains(PickLists::UserFilePath(PickList::Audio)));
            QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
        });
        QVERIFY(QFileInfo(PickLists::UserFilePath(PickList::Audio)).isDir());
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
