#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using Faults = SafeFile::Faults::Op;

class TestSafeFile : public QObject
{
    Q_OBJECT

    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

private slots:
    void cleanup() { SafeFile::Faults::Reset(); }

    // What the user is told of a failed write names the file that failed and why, even after the writer removed its
    // temporary files; and an old file whose new version was not put in place is as it was.
    void failedWriteOfSeveralFilesSaysWhichAndWhy_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("nth");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("failed"); // the file, or empty for the folder
        QTest::addColumn<bool>("replaced");  // the old files were replaced before the failure
        QTest::newRow("full disk at the second file") << int(Faults::WriteBytes) << 2 << ENOSPC << "b.txt" << false;
        QTest::newRow("third file not created") << int(Faults::Create) << 3 << EIO << "c.txt" << false;
        QTest::newRow("first rename") << int(Faults::Rename) << 1 << EIO << "a.txt" << false;
        QTest::newRow("folder sync at the end") << int(Faults::SyncDir) << 1 << EIO << "" << true;
    }
    void failedWriteOfSeveralFilesSaysWhichAndWhy()
    {
        QFETCH(int, op);
        QFETCH(int, nth);
        QFETCH(int, error);
        QFETCH(QString, failed);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QStringList names{"a.txt", "b.txt", "c.txt"};
        std::vector<std::pair<QString, QByteArray>> files;
        for (const QString& name : names) {
            QVERIFY(SafeFile::Write(dir.filePath(name), "old"));
            files.emplace_back(name, "new " + name.toLatin1());
        }

        SafeFile::Faults::FailNth(Faults(op), nth);
        const auto written = SafeFile::WriteAll(dir.path(), files);
        QVERIFY(!written);
        QCOMPARE(written.error(), error);
        QVERIFY2(written.why().endsWith(qt_error_string(error)), qPrintable(written.why()));
        QCOMPARE(written.Unconfirmed(), replaced);
        QCOMPARE(written.failure().path, failed.isEmpty() ? dir.path() : dir.filePath(failed));
        for (const auto& [name, bytes] : files) {
            QCOMPARE(Bytes(dir.filePath(name)), replaced ? bytes : QByteArray("old"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), names); // no temporary file left
    }

    // A write tells apart what it reached: a failed sync of the new file leaves the old one (nothing was changed);
    // a failed sync of the folder after the rename leaves the new bytes in place, and the answer says the change was
    // made but not confirmed, never "nothing changed".
    void writeSaysWhatItReached_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("op");
        QTest::addColumn<bool>("replaced");
        for (const char* how : {"Write", "WriteAll", "Batch"}) {
            QTest::addRow("%s, file sync fails", how) << how << int(Faults::Sync) << false;
            QTest::addRow("%s, folder sync fails", how) << how << int(Faults::SyncDir) << true;
        }
    }
    void writeSaysWhatItReached()
    {
        QFETCH(QString, how);
        QFETCH(int, op);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("a.txt");
        QVERIFY(SafeFile::Write(path, "old"));

        SafeFile::Faults::FailNth(Faults(op), 1);
        Result<> written;
        if (how == "Write") {
            written = SafeFile::Write(path, "new");
        } else if (how == "WriteAll") {
            written = SafeFile::WriteAll(dir.path(), {{"a.txt", "new"}});
        } else {
            // A file that existed before the batch is synced on its own; the batch syncs the folder at its end.
            SafeFile::Batch batch;
            written = SafeFile::Write(path, "new");
            if (written) {
                written = batch.Commit();
            }
        }
        QVERIFY(!written);
        QCOMPARE(written.Unconfirmed(), replaced);
        QCOMPARE(written.Reached(), replaced);
        QCOMPARE(written.why().contains("not confirm"), replaced);
        QCOMPARE(Bytes(path), replaced ? QByteArray("new") : QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.txt"});
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
