// Pick lists: the user's folder first, the program folder's defaults after, writes only to the user's folder, and a
// file that is there but cannot be read never taken for an empty one.

#include "core/PickLists.h"
#include "core/mFunctions.h"

#include "AnsiText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace PickLists;
Q_DECLARE_METATYPE(PickLists::PickList)
Q_DECLARE_METATYPE(PickLists::ReadStatus)

class TestPickLists : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

    QString UserDir() const { return m_home->filePath(QStringLiteral("data/Halvorix/Vidsora/Resources")); }
    QString ProgramDir() const { return m_home->filePath(QStringLiteral("program/Resources")); }
    static void Put(const QString& path, const QByteArray& bytes)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(AnsiText::WriteFileBytes(path, bytes));
    }
    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("config"))));
        SetProgramFolder(m_home->filePath(QStringLiteral("program")));
    }
    void cleanup() { SetProgramFolder(QString()); }

    void folders()
    {
        QCOMPARE(UserFilePath(PickList::Studios), UserDir() + QStringLiteral("/studios.mld"));
        QCOMPARE(DefaultFilePath(PickList::LangSub), ProgramDir() + QStringLiteral("/langsub.mld"));
        // An unset or relative XDG_DATA_HOME means the home folder's own.
        for (const QByteArray& value : {QByteArray(), QByteArray("relative/data")}) {
            qputenv("XDG_DATA_HOME", value);
            QCOMPARE(UserFolder(), QDir::homePath() + QStringLiteral("/.local/share/Halvorix/Vidsora/Resources"));
        }
        SetProgramFolder(QString());
        QCOMPARE(ProgramFolder(), QCoreApplication::applicationDirPath());
        QStringList names;
        for (PickList list : All()) {
            names << FileName(list);
        }
        QCOMPARE(names, (QStringList{"picture.mld", "soundmix.mld", "langspoken.mld", "langsub.mld", "extras.mld",
                                     "studios.mld"}));
    }

    void whereItIsRead_data()
    {
        QTest::addColumn<QByteArray>("user");    // "<none>": no file
        QTest::addColumn<QByteArray>("program"); // "<none>": no file
        QTest::addColumn<ReadStatus>("status");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("fromUser");

        const QByteArray none("<none>");
        QTest::newRow("user wins") << QByteArray("Mine\r\n") << QByteArray("Default\r\n") << ReadStatus::Loaded
                                   << QByteArray("Mine\r\n") << true;
        QTest::newRow("an empty user file still wins")
            << QByteArray() << QByteArray("Default") << ReadStatus::Loaded << QByteArray() << true;
        QTest::newRow("defaults") << none << QByteArray("Default") << ReadStatus::Loaded << QByteArray("Default")
                                  << false;
        QTest::newRow("missing") << none << none << ReadStatus::Missing << QByteArray() << true;
        // Bytes pass unchanged, line ends and code-page characters included.
        QTest::newRow("bytes kept") << QByteArray(" a \r\n\r\nb\xe9\x80\n\r\n") << none << ReadStatus::Loaded
                                    << QByteArray(" a \r\n\r\nb\xe9\x80\n\r\n") << true;
    }
    void whereItIsRead()
    {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, program);
        QFETCH(ReadStatus, status);
        QFETCH(QByteArray, text);
        QFETCH(bool, fromUser);
        if (user != "<none>") {
            Put(UserFilePath(PickList::Extras), user);
        }
        if (program != "<none>") {
            Put(DefaultFilePath(PickList::Extras), program);
        }
        const PickListText read = ReadFileText(PickList::Extras);
        QCOMPARE(read.status, status);
        QCOMPARE(AnsiText::Encode(read.text), text);
        QCOMPARE(read.path, fromUser ? UserFilePath(PickList::Extras) : DefaultFilePath(PickList::Extras));
    }

    void unreadableIsNotMissing_data()
    {
        QTest::addColumn<bool>("inUserFolder");
        QTest::addColumn<QString>("kind");
        for (bool user : {true, false}) {
            const char* where = user ? "user " : "program ";
            QTest::addRow("%sfolder in its place", where) << user << QStringLiteral("folder");
            QTest::addRow("%spipe", where) << user << QStringLiteral("pipe");
            QTest::addRow("%soversized", where) << user << QStringLiteral("oversized");
        }
    }
    void unreadableIsNotMissing()
    {
        QFETCH(bool, inUserFolder);
        QFETCH(QString, kind);
        const QString path = inUserFolder ? UserFilePath(PickList::Studios) : DefaultFilePath(PickList::Studios);
        Put(DefaultFilePath(PickList::Studios), "Default");
        QFile::remove(path);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("pipe")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(kMaxPickListBytes + 1));
        }
        QElapsedTimer timer;
        timer.start();
        const PickListText read = ReadFileText(PickList::Studios);
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(read.status, ReadStatus::Unreadable);
        QCOMPARE(read.path, path);
        QVERIFY(read.text.isEmpty());
        // The user's unreadable file hides the defaults rather than letting them pass for the user's list.
        QVERIFY(ReadEntries(PickList::Studios).isEmpty());
    }

    void writesOnlyToTheUserFolder()
    {
        Put(DefaultFilePath(PickList::Picture), "Widescreen\r\n");
        // Read-only to anyone but root; the check below holds for root too: nothing there changes.
        QVERIFY(QFile::setPermissions(ProgramDir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QStringList before = QDir(ProgramDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QVERIFY(!QFileInfo::exists(UserDir()));
        QVERIFY(WriteFileText(PickList::Picture, QStringLiteral("Full frame\r\nIMAX")));
        QVERIFY(WriteFileText(PickList::Studios, QStringLiteral("Studio \xe9")));
        QCOMPARE(Bytes(UserFilePath(PickList::Picture)), QByteArray("Full frame\r\nIMAX"));
        QCOMPARE(Bytes(UserFilePath(PickList::Studios)), QByteArray("Studio \xe9"));
        QCOMPARE(Bytes(DefaultFilePath(PickList::Picture)), QByteArray("Widescreen\r\n"));
        QCOMPARE(QDir(ProgramDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(ReadEntries(PickList::Picture), (QStringList{"Full frame", "IMAX"}));
        QVERIFY(QFile::setPermissions(ProgramDir(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    void trailingLineEndKeptAsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("with") << QStringLiteral("A\r\nB\r\n");
        QTest::newRow("without") << QStringLiteral("A\r\nB");
        QTest::newRow("two") << QStringLiteral("A\r\n\r\n");
        QTest::newRow("empty") << QString();
    }
    void trailingLineEndKeptAsTyped()
    {
        QFETCH(QString, text);
        Put(UserFilePath(PickList::Audio), "old and longer content\r\n");
        QVERIFY(WriteFileText(PickList::Audio, text));
        QCOMPARE(Bytes(UserFilePath(PickList::Audio)), text.toLatin1());
        const PickListText read = ReadFileText(PickList::Audio);
        QCOMPARE(read.status, ReadStatus::Loaded);
        QCOMPARE(read.text, text);
    }

    void failedWriteKeepsTheOldFile()
    {
        Put(UserFilePath(PickList::LangSpoken), "English\r\n");
        // Characters the code page lacks would turn into "?": refused, nothing written.
        QVERIFY(!WriteFileText(PickList::LangSpoken, QStringLiteral("Polski \u0142")));
        QCOMPARE(Bytes(UserFilePath(PickList::LangSpoken)), QByteArray("English\r\n"));
        // A user folder that cannot be made (a file stands where a folder must be) fails, also as root.
        const QString vidsora = m_home->filePath(QStringLiteral("data/Halvorix/Vidsora"));
        QVERIFY(QDir(vidsora).removeRecursively());
        Put(vidsora, "a file");
        QVERIFY(!WriteFileText(PickList::LangSpoken, QStringLiteral("English")));
        QCOMPARE(ReadFileText(PickList::LangSpoken).status, ReadStatus::Missing);
    }

    void entries_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("trimmed, blanks skipped, duplicates kept")
            << QByteArray("  Dolby Digital 5.1 \r\n\r\n   \r\nDTS\r\nDTS\r\n")
            << QStringList{"Dolby Digital 5.1", "DTS", "DTS"};
        QTest::newRow("lone CR ends a line") << QByteArray("a\rb\r\nc") << QStringList{"a", "b", "c"};
        // Only blanks are trimmed; a lone LF stays inside its line.
        QTest::newRow("tabs and LF kept") << QByteArray("\tTab\r\nx\ny") << QStringList{"\tTab", "x\ny"};
        QTest::newRow("code page") << QByteArray("Fran\xe7\x61is\r\n\x80uro")
                                   << QStringList{"Fran\u00e7ais", "\u20acuro"};
    }
    void entries()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, entries);
        Put(DefaultFilePath(PickList::LangSub), file);
        QCOMPARE(ReadEntries(PickList::LangSub), entries);
        QCOMPARE(EntriesOf(AnsiText::Decode(file)), entries);
    }

    // A list no person typed (one endless line, a million lines, binary, a file past the size limit) is offered only
    // within the limits, and the user is told once what was left out.
    void offeredWithinTheLimits_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint64>("size"); // > 0: the file is that long, all zero bytes
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<bool>("told");
        QTest::newRow("line of 1,000 characters")
            << (QByteArray(1000, 'x') + "\r\nb") << qint64(0) << QStringList{QString(1000, u'x'), "b"} << false;
        QTest::newRow("line of 5,000 characters") << ("  " + QByteArray(5000, 'y') + "\r\nshort\r\n") << qint64(0)
                                                  << QStringList{QString(1000, u'y'), "short"} << true;
        QByteArray many;
        for (int i = 0; i < 1000000; ++i) {
            many += QByteArray::number(i % 7) + "\r\n";
        }
        QTest::newRow("a million lines") << many << qint64(0) << QStringList{"0", "1", "2"} << true;
        QByteArray binary(1024 * 1024, '\0');
        for (int i = 0; i < binary.size(); ++i) {
            binary[i] = char((qint64(i) * 7919) % 251);
        }
        QTest::newRow("binary") << binary << qint64(0) << QStringList() << true;
        QTest::newRow("larger than a list may be")
            << QByteArray() << qint64(100 * 1024 * 1024) << QStringList() << true;
    }
    void offeredWithinTheLimits()
    {
        QFETCH(QByteArray, file);
        QFETCH(qint64, size);
        QFETCH(QStringList, first);
        QFETCH(bool, told);
        const QString path = UserFilePath(PickList::Studios);
        Put(path, file);
        if (size > 0) {
            QFile sparse(path);
            QVERIFY(sparse.open(QIODevice::ReadWrite));
            QVERIFY(sparse.resize(size));
        }
        TakeNotice(); // what earlier rows left
        const QStringList entries = ReadEntries(PickList::Studios);
        QCOMPARE(entries.mid(0, first.size()), first);
        QVERIFY(entries.size() <= kMaxEntries);
        qsizetype chars = 0;
        for (const QString& entry : entries) {
            QVERIFY(entry.size() <= kMaxEntryChars);
            QVERIFY(!entry.contains(u'\r'));
            chars += entry.size();
        }
        QVERIFY(chars <= kMaxListChars);
        const QString notice = TakeNotice();
        QCOMPARE(notice.contains(path), told);
        // Told once a run, however often the list is read.
        QCOMPARE(ReadEntries(PickList::Studios), entries);
        QCOMPARE(TakeNotice(), QString());
    }

    void missingGivesNoEntries()
    {
        QVERIFY(ReadEntries(PickList::Extras).isEmpty());
        QCOMPARE(ReadFileText(PickList::Extras).status, ReadStatus::Missing);
    }
};

QTEST_GUILESS_MAIN(TestPickLists)
#include "tst_picklists.moc"
