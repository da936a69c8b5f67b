// The wiring of the transfer windows: the import and upload dialogs over their sessions, their Cancel during a wait
// and the gate on other input, and the exchange-file and account commands with their file dialogs and messages.

#include "ModalAnswerer.h"
#include "TransferWorld.h"

#include "transfer/AccountCommands.h"
#include "transfer/TransferCommands.h"
#include "transfer/UEFFile.h"
#include "transfer/frmAddItem.h"
#include "transfer/frmExport.h"

#include "FakeService.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>

#include <memory>

using namespace TransferWorld;
using namespace TestSupport;

namespace {

QByteArray MovieText(const QString& title, const QString& code)
{
    return "[MOVIE=[TITLE=" + title.toLatin1() + "][UPC=" + code.toLatin1() + "]]";
}

template <class T> T* Child(QWidget* parent, const char* name)
{
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child) {
        qWarning("no child %s", name);
    }
    return child;
}

} // namespace

class TestTransferDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(RegisterCodevet()); }

    void init()
    {
        NewWorld(QStringLiteral("store"));
        WriteRegSetting(QStringLiteral("User"), QStringLiteral("anna"));
        WriteRegSetting(QStringLiteral("Password"), QStringLiteral("pw"));
        m_service = std::make_unique<FakeService>();
        QVERIFY(m_service->Start());
        m_service->users.insert("anna", "pw");
        m_service->records = {{kCodeA.toLatin1(), "Alien", "DVD"}, {kCodeB.toLatin1(), "Aliens", "Laserdisc"}};
        m_service->items.insert(kCodeA.toLatin1(), MovieText("Alien", kCodeA));
        m_service->items.insert(kCodeB.toLatin1(), MovieText("Aliens", kCodeB));
    }

    void cleanup()
    {
        m_service.reset();
        RemoveTempFolder();
        QVERIFY(!QApplication::activeModalWidget());
    }

    void importDialog()
    {
        const QString drama = TestWorld::AddCategory(QStringLiteral("Drama"));
        frmAddItem dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Add from Vidsora: Online"));
        auto* places = Child<QComboBox>(&dialog, "cboParent");
        QCOMPARE(places->count(), 2);
        QCOMPARE(places->currentData().toString(), QStringLiteral("!0"));
        QStringList shown;
        Answer<frmAddItem>([&](frmAddItem* d) {
            Child<QRadioButton>(d, "optTitle")->click();
            QCOMPARE(Child<QLineEdit>(d, "txtFind")->toolTip(), QStringLiteral("The title to search for"));
            Child<QLineEdit>(d, "txtFind")->setText(QStringLiteral(" alien "));
            Child<QPushButton>(d, "cmdFind")->click();
            auto* results = Child<QTreeWidget>(d, "lstvResults");
            QCOMPARE(results->topLevelItemCount(), 2);
            QCOMPARE(results->topLevelItem(1)->text(0), QStringLiteral("Aliens"));
            QCOMPARE(results->topLevelItem(1)->text(1), QStringLiteral("Laserdisc"));
            results->setCurrentItem(results->topLevelItem(1));
            places->setCurrentIndex(1);
            Child<QPushButton>(d, "cmdAdd")->click();
            Child<QPushButton>(d, "cmdAdd")->click(); // queued once only
            auto* queue = Child<QTreeWidget>(d, "lstvSelected");
            QCOMPARE(queue->topLevelItemCount(), 1);
            for (int c = 0; c < 4; ++c) {
                shown << queue->topLevelItem(0)->text(c);
            }
            Child<QPushButton>(d, "cmdOk")->click();
        });
        QVERIFY(dialog.Import(QStringLiteral("M1")));
        QCOMPARE(shown, (QStringList{"Aliens", kCodeB, "Drama", "Pending"}));
        QCOMPARE(dialog.session().Rows()[0].state, QStringLiteral("Finished"));
        QCOMPARE(gMovies->Count(), 1);
        QCOMPARE(MakeItemKey(gMovies->Item(1)->lngParentType(), gMovies->Item(1)->lngParentID()), drama);
    }

    void importDialogEmptyQueue()
    {
        frmAddItem dialog;
        Answer<frmAddItem>([](frmAddItem* d) { Child<QPushButton>(d, "cmdOk")->click(); });
        QVERIFY(!dialog.Import(QString()));
        QCOMPARE(m_service->connections, 0);
    }

    void cancelDuringAWaitAndNothingElse()
    {
        m_service->replies.insert("FINDTITLE", QByteArray()); // never answered
        frmAddItem dialog;
        bool stillOpen = false;
        QString typed;
        Answer<frmAddItem>([&](frmAddItem* d) {
            auto* find = Child<QLineEdit>(d, "txtFind");
            find->setText(QStringLiteral("alien"));
            Child<QRadioButton>(d, "optTitle")->click();
            // While the search waits: typing and other buttons are dropped, Cancel gets through.
            QTimer::singleShot(300, d, [d, find] {
                QVERIFY(d->session().IsWaiting());
                QTest::keyClicks(find, QStringLiteral("zzz"));
                QTest::mouseClick(Child<QPushButton>(d, "cmdOk"), Qt::LeftButton);
                QTest::mouseClick(Child<QRadioButton>(d, "optUPC"), Qt::LeftButton);
            });
            QTimer::singleShot(600, d, [d] { QTest::mouseClick(Child<QPushButton>(d, "cmdCancel"), Qt::LeftButton); });
            QTest::mouseClick(Child<QPushButton>(d, "cmdFind"), Qt::LeftButton);
            typed = find->text();
            stillOpen = d->isVisible();
            QVERIFY(Child<QRadioButton>(d, "optTitle")->isChecked());
            Child<QPushButton>(d, "cmdCancel")->click();
        });
        QVERIFY(!dialog.Import(QString()));
        QVERIFY(stillOpen);
        QCOMPARE(typed, QStringLiteral("alien"));
    }

    // Input as the window system delivers it, to the dialog's window, during a search the service never answers:
    // a click elsewhere and typing are dropped, and a click on Cancel, Esc, or Space with Cancel focused ends the wait
    // with the dialog still open; meanwhile the dialog says what it waits for.
    void waitEndsByWindowInput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("click on Cancel") << "click";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("Space on the focused Cancel") << "space";
    }
    void waitEndsByWindowInput()
    {
        QFETCH(QString, input);
        m_service->replies.insert("FINDTITLE", QByteArray()); // never answered
        frmAddItem dialog;
        QString said;
        bool lineShown = false;
        bool okDropped = false;
        qint64 endedMs = -1;
        bool stillOpen = false;
        QString typed;
        Answer<frmAddItem>([&](frmAddItem* d) {
            QWindow* window = d->windowHandle();
            auto* cancel = Child<QPushButton>(d, "cmdCancel");
            const auto centre = [d](QWidget* w) { return w->mapTo(d, w->rect().center()); };
            Child<QRadioButton>(d, "optTitle")->click();
            Child<QLineEdit>(d, "txtFind")->setText(QStringLiteral("alien"));
            Child<QLineEdit>(d, "txtFind")->setFocus();
            QElapsedTimer clock;
            auto* poll = new QTimer(d);
            poll->setInterval(20);
            connect(poll, &QTimer::timeout, d, [&, d, window, cancel, poll] {
                if (!d->session().WaitText().startsWith(QStringLiteral("Searching"))) {
                    return;
                }
                poll->stop();
                said = Child<QLabel>(d, "lblWait")->text();
                lineShown = Child<QWidget>(d, "waitLine")->isVisible();
                QTest::keyClick(window, Qt::Key_Z);
                QTest::keyClick(window, Qt::Key_Z);
                QTest::mouseClick(window, Qt::LeftButton, {}, centre(Child<QPushButton>(d, "cmdOk")));
                okDropped = d->isVisible() && d->session().IsWaiting();
                clock.start();
                if (input == u"click") {
                    QTest::mouseClick(window, Qt::LeftButton, {}, centre(cancel));
                } else if (input == u"escape") {
                    QTest::keyClick(window, Qt::Key_Escape);
                } else {
                    cancel->setFocus();
                    QTest::keyClick(window, Qt::Key_Space);
                }
            });
            poll->start();
            QTest::mouseClick(window, Qt::LeftButton, {}, centre(Child<QPushButton>(d, "cmdFind")));
            endedMs = clock.isValid() ? clock.elapsed() : -1;
            stillOpen = d->isVisible();
            typed = Child<QLineEdit>(d, "txtFind")->text();
            lineShown = lineShown && Child<QWidget>(d, "waitLine")->isHidden();
            // Not waiting any more: Cancel closes the dialog.
            QTest::mouseClick(window, Qt::LeftButton, {}, centre(cancel));
        });
        QVERIFY(!dialog.Import(QString()));
        QVERIFY2(said.startsWith(QStringLiteral("Searching Vidsora: Online for \"alien\"")), qPrintable(said));
        QVERIFY(lineShown);
        QVERIFY(okDropped);
        QVERIFY(stillOpen);
        QCOMPARE(typed, QStringLiteral("alien"));
        // Ended by the input, long before the client's own 30 s watchdog.
        QVERIFY2(endedMs >= 0 && endedMs < 20000, qPrintable(QString::number(endedMs)));
        QVERIFY(!dialog.isVisible());
    }

    // The warning about a search reply that was cut off takes the user's answer, by the keyboard or the mouse, as
    // the window system delivers it; the results that arrived whole stay shown.
    void cutOffWarningIsAnswered_data()
    {
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("Enter") << true;
        QTest::newRow("click on OK") << false;
    }
    void cutOffWarningIsAnswered()
    {
        QFETCH(bool, byEnter);
        m_service->replies.insert("FINDTITLE", QByteArray("RESULT\x02"
                                                          "1\x04"
                                                          "Alien\x04"
                                                          "DVD\x03"
                                                          "2\x04"
                                                          "Ali"));
        m_service->closeAfter << "FINDTITLE";
        frmAddItem dialog;
        QString told;
        bool leftOpen = false;
        int results = -1;
        Answer<frmAddItem>([&](frmAddItem* d) {
            Answer<QMessageBox>([&](QMessageBox* box) {
                told = box->text();
                QWindow* window = box->windowHandle();
                // Should the answer be dropped, the box is closed all the same so that the test goes on.
                QTimer::singleShot(5000, box, [box, &leftOpen] {
                    leftOpen = true;
                    box->reject();
                });
                if (byEnter) {
                    QTest::keyClick(window, Qt::Key_Return);
                } else {
                    QAbstractButton* ok = box->button(QMessageBox::Ok);
                    QTest::mouseClick(window, Qt::LeftButton, {}, ok->mapTo(box, ok->rect().center()));
                }
            });
            Child<QRadioButton>(d, "optTitle")->click();
            Child<QLineEdit>(d, "txtFind")->setText(QStringLiteral("alien"));
            Child<QPushButton>(d, "cmdFind")->click();
            results = Child<QTreeWidget>(d, "lstvResults")->topLevelItemCount();
            Child<QPushButton>(d, "cmdCancel")->click();
        });
        QVERIFY(!dialog.Import(QString()));
        QCOMPARE(told, ImportSession::BrokenReplyMessage(false, 1));
        QVERIFY(!leftOpen);
        QCOMPARE(results, 1);
    }

    void closingMidWait()
    {
        m_service->replies.insert("PREPAREUEF", QByteArray());
        frmAddItem dialog;
        Answer<frmAddItem>([&](frmAddItem* d) {
            Child<QRadioButton>(d, "optTitle")->click();
            Child<QLineEdit>(d, "txtFind")->setText(QStringLiteral("alien"));
            Child<QPushButton>(d, "cmdFind")->click();
            auto* results = Child<QTreeWidget>(d, "lstvResults");
            results->setCurrentItem(results->topLevelItem(0));
            Child<QPushButton>(d, "cmdAdd")->click();
            QTimer::singleShot(300, d, [d] { d->close(); });
            Child<QPushButton>(d, "cmdOk")->click();
        });
        // OK had queued rows: the import ran (and its row failed), so the tree must be refreshed.
        QVERIFY(dialog.Import(QString()));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.session().Rows()[0].state, QStringLiteral("Error!"));
    }

    void uploadDialog()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("Up"), "!0", "DVD");
        SetCode(movie, kCodeA);
        m_service->missing = kCodeA.toLatin1() + "\r\n";
        frmExport dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Uploading..."));
        dialog.AddItem(UploadSession::kCollectionText, UploadSession::kCollectionCode, QStringLiteral("list"));
        auto* rows = Child<QTreeWidget>(&dialog, "lstvUpload");
        QCOMPARE(rows->topLevelItem(0)->text(0), QStringLiteral("<Collection>"));
        QCOMPARE(rows->topLevelItem(0)->text(1), QStringLiteral("N/A"));
        QString question;
        QStringList afterFirst;
        Answer<frmExport>([&](frmExport* d) {
            AnswerMessage(&question, QMessageBox::Yes);
            Child<QPushButton>(d, "cmdOk")->click();
            // The missing movie is queued and the dialog stays for the second upload.
            afterFirst << rows->topLevelItem(0)->text(0) << rows->topLevelItem(0)->text(1);
            QVERIFY(d->isVisible());
            Child<QPushButton>(d, "cmdOk")->click();
        });
        dialog.exec();
        QCOMPARE(question, UploadSession::MissingQuestion());
        QCOMPARE(afterFirst, (QStringList{"Up", kCodeA}));
        QCOMPARE(m_service->uploads.size(), 2);
        QCOMPARE(m_service->uploads[0], QByteArray("list"));
        QCOMPARE(rows->topLevelItem(0)->text(2), QStringLiteral("Done"));
    }

    void uploadCancelledMidWait()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("Slow"), "!0", "DVD");
        m_service->replies.insert("PREPAREUPLOAD", QByteArray()); // never answered
        frmExport dialog;
        dialog.AddItem(QStringLiteral("Slow"), kCodeA, movie);
        bool stayed = false;
        QString state;
        QString told;
        Answer<frmExport>([&](frmExport* d) {
            QTimer::singleShot(300, d, [d, &told] {
                QTest::mouseClick(Child<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
                AnswerMessage(&told);
            });
            Child<QPushButton>(d, "cmdOk")->click();
            stayed = d->isVisible();
            state = Child<QTreeWidget>(d, "lstvUpload")->topLevelItem(0)->text(2);
            Child<QPushButton>(d, "cmdCancel")->click();
        });
        dialog.exec();
        QVERIFY(stayed);
        QCOMPARE(state, QStringLiteral("Error"));
        QVERIFY(m_service->uploads.isEmpty());
        QCOMPARE(told, UploadSession::CancelledUnsentMessage(QStringLiteral("Slow")));
    }

    void exportAndImportCommands()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("Round"), "!0", "DVD");
        SetCode(movie, kCodeA);
        BuildChildLists();
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("round.UEF"));
        QFile::remove(path);

        PickFile(path);
        TransferCommands::ExportSelectedToUEF(nullptr, movie);
        QVERIFY(ReadBytes(path).startsWith("[MOVIE="));
        QVERIFY(!QApplication::overrideCursor());

        PickFile(path);
        QVERIFY(TransferCommands::ImportUEFFile(nullptr, QStringLiteral("!0")));
        QCOMPARE(gMovies->Count(), 2);

        // A cancelled dialog imports nothing and asks for no refill.
        PickFile(QString());
        QVERIFY(!TransferCommands::ImportUEFFile(nullptr, QStringLiteral("!0")));

        // Nothing in the file: the user is told.
        const QString empty = TestWorld::ProgramDir().filePath(QStringLiteral("empty.uef"));
        QVERIFY(AnsiText::WriteFileBytes(empty, QByteArray()));
        QString message;
        PickFile(empty);
        AnswerMessage(&message);
        QVERIFY(TransferCommands::ImportUEFFile(nullptr, QStringLiteral("!0")));
        QVERIFY2(message.startsWith(QStringLiteral("No item could be imported from")), qPrintable(message));

        // A category cannot be exported: said before any file is asked for.
        message.clear();
        AnswerMessage(&message);
        TransferCommands::ExportSelectedToUEF(nullptr, QStringLiteral("C1"));
        QCOMPARE(message, UEFFile::NotExportableMessage());
    }

    void submitAndAccountCommands()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("No Code"), "!0", "DVD");
        QString message;
        AnswerMessage(&message);
        TransferCommands::SubmitItemOnline(nullptr, movie);
        QVERIFY2(message.startsWith(QStringLiteral("Invalid UPC/EAN.")) && message.contains(QStringLiteral("No Code")),
                 qPrintable(message));

        SetCode(movie, kCodeA);
        QStringList row;
        Answer<frmExport>([&](frmExport* d) {
            auto* rows = Child<QTreeWidget>(d, "lstvUpload");
            row << rows->topLevelItem(0)->text(0) << rows->topLevelItem(0)->text(1);
            Child<QPushButton>(d, "cmdCancel")->click();
        });
        TransferCommands::SubmitItemOnline(nullptr, movie);
        QCOMPARE(row, (QStringList{"No Code", kCodeA}));
        QCOMPARE(m_service->connections, 0);

        message.clear();
        AnswerMessage(&message);
        TransferCommands::ComUserLogin(nullptr);
        QCOMPARE(message, AccountCommands::NotInstalledMessage());
    }

private:
    std::unique_ptr<FakeService> m_service;
};

int main(int argc, char** argv)
{
    TransferWorld::SetUp();
    QApplication app(argc, argv);
    TestTransferDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_transferdialogs.moc"
