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
        QCOMPARE(written.why(), qt_error_string(error));
        QCOMPARE(written.failure().path, failed.isEmpty() ? dir.path() : dir.filePath(failed));
        for (const auto& [name, bytes] : files) {
            QCOMPARE(Bytes(dir.filePath(name)), replaced ? bytes : QByteArray("old"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), names); // no temporary file left
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
