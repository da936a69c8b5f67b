// Opening the store, window-free: which folders are created, asked for or refused, and the lock against a second
// program.
#include "Registry.h"
#include "StoreIntent.h"
#include "StoreLock.h"
#include "core/StoreStart.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kKinds{"Categories", "Groups", "Boxes", "Medias", "Movies"};

// Every folder and file below root, for "nothing was created".
QStringList Tree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        entries << it.next().mid(root.size());
    }
    entries.sort();
    return entries;
}

// The user's answers and what they were shown.
struct Talk
{
    bool answer = true;
    QStringList questions;
    QStringList messages;
    StoreStart::Prompts Prompts()
    {
        return {[this](const QString& q) {
                    questions << q;
                    return answer;
                },
                [this](const QString& m) { messages << m; }};
    }
};

} // namespace

class TestStoreStart : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        m_default = m_home->filePath(QStringLiteral("data/Halvorix/Vidsora/Database33"));
    }

    // Where a folder is missing: the default is made unasked; another one is asked for, and No makes nothing.
    void missingFolder_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("outcome");
        QTest::newRow("default, first start")
            << "data/Halvorix/Vidsora/Database33" << false << false << int(StoreStart::Outcome::Opened);
        QTest::newRow("default spelled with a trailing slash")
            << "data/Halvorix/Vidsora/Database33/" << false << false << int(StoreStart::Outcome::Opened);
        QTest::newRow("another folder, Yes") << "usb/Movies" << true << true << int(StoreStart::Outcome::Opened);
        QTest::newRow("another folder, No") << "usb/Movies" << false << true << int(StoreStart::Outcome::Declined);
        QTest::newRow("a sibling of the default, No")
            << "data/Halvorix/Vidsora/Database34" << false << true << int(StoreStart::Outcome::Declined);
    }
    void missingFolder()
    {
        QFETCH(QString, relative);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(int, outcome);
        const QString dbDir = m_home->filePath(relative);
        const QStringList before = Tree(m_home->path());
        Talk talk;
        talk.answer = answer;
        StoreLock lock;
        QCOMPARE(int(StoreStart::Open(dbDir, m_default, lock, talk.Prompts())), outcome);
        QVERIFY(talk.messages.isEmpty());
        if (asked) {
            QCOMPARE(talk.questions, QStringList{QStringLiteral("The collection folder %1 does not exist. Create a "
                                                                "new, empty collection there?")
                                                     .arg(dbDir)});
        } else {
            QVERIFY(talk.questions.isEmpty());
        }
        if (outcome == int(StoreStart::Outcome::Opened)) {
            for (const QString& kind : kKinds) {
                QVERIFY2(QFileInfo(dbDir + u'/' + kind).isDir(), qPrintable(kind));
            }
            QVERIFY(lock.IsHeld());
            QVERIFY(QFileInfo(dbDir + u'/' + StoreLock::FileName()).isFile());
        } else {
            QCOMPARE(Tree(m_home->path()), before);
            QVERIFY(!lock.IsHeld());
        }
    }

    // An existing folder opens without a question, and is locked for as long as the lock lives.
    void existingFolderIsLocked()
    {
        const QString dbDir = m_home->filePath(QStringLiteral("Movies here"));
        QVERIFY(QDir().mkpath(dbDir));
        Talk talk;
        {
            StoreLock lock;
            QCOMPARE(StoreStart::Open(dbDir, m_default, lock, talk.Prompts()), StoreStart::Outcome::Opened);
            QVERIFY(talk.questions.isEmpty() && talk.messages.isEmpty());
            StoreLock second;
            QCOMPARE(second.Acquire(dbDir), StoreLock::Result::InUse);
        }
        StoreLock later;
        QCOMPARE(later.Acquire(dbDir), StoreLock::Result::Locked);
    }

    // A many-item command that a power cut interrupted is finished when the store is opened, before anything lists
    // it, and the start says so once; a store held by another program is not touched.
    void interruptedCommandIsFinishedAtOpen()
    {
        const QString dbDir = m_home->filePath(QStringLiteral("Interrupted"));
        for (const QString& kind : kKinds) {
            QVERIFY(QDir().mkpath(dbDir + u'/' + kind));
        }
        const QString staged = dbDir + QStringLiteral("/Movies/.Cut 1.1f.tmp");
        QVERIFY(QDir().mkpath(staged));
        StoreIntent::Intent intent(dbDir, QStringLiteral("an import of 1 item"), 1);
        intent.Place(staged, dbDir + QStringLiteral("/Movies/Cut.1"));
        QVERIFY(intent.Record());

        StoreLock other;
        QCOMPARE(other.Acquire(dbDir), StoreLock::Result::Locked);
        Talk refused;
        StoreLock mine;
        QCOMPARE(StoreStart::Open(dbDir, m_default, mine, refused.Prompts()), StoreStart::Outcome::InUse);
        QVERIFY(QFileInfo::exists(staged));
        other.Release();

        Talk talk;
        QCOMPARE(StoreStart::Open(dbDir, m_default, mine, talk.Prompts()), StoreStart::Outcome::Opened);
        QCOMPARE(talk.messages.size(), 1);
        QVERIFY2(talk.messages.first().contains(QStringLiteral("an import of 1 item")),
                 qPrintable(talk.messages.first()));
        QVERIFY(QFileInfo(dbDir + QStringLiteral("/Movies/Cut.1")).isDir());
        QVERIFY(!QFileInfo::exists(intent.RecordPath()));
    }

    // A store whose lock cannot be taken still opens, for browsing, but never without a word.
    void unlockableStoreIsSaid()
    {
        const QString dbDir = m_home->filePath(QStringLiteral("No lock"));
        QVERIFY(QDir().mkpath(dbDir + u'/' + StoreLock::FileName()));
        Talk talk;
        StoreLock lock;
        QCOMPARE(StoreStart::Open(dbDir, m_default, lock, talk.Prompts()), StoreStart::Outcome::Opened);
        QVERIFY(!lock.IsHeld());
        QCOMPARE(talk.messages.size(), 1);
        QVERIFY(talk.messages.first().contains(StoreLock::FileName()));
    }

    // A store another program has open is refused with the message, whichever way it was found.
    void storeInUse_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("existing store") << true;
        QTest::newRow("the default, made by the other program") << false;
    }
    void storeInUse()
    {
        QFETCH(bool, existing);
        const QString dbDir = existing ? m_home->filePath(QStringLiteral("shared")) : m_default;
        QVERIFY(QDir().mkpath(dbDir));
        StoreLock other;
        QCOMPARE(other.Acquire(dbDir), StoreLock::Result::Locked);
        Talk talk;
        StoreLock mine;
        QCOMPARE(StoreStart::Open(dbDir, m_default, mine, talk.Prompts()), StoreStart::Outcome::InUse);
        QCOMPARE(talk.messages,
                 QStringList{QStringLiteral("The collection %1 is in use by another Vidsora.").arg(dbDir)});
        QVERIFY(talk.questions.isEmpty());
        QVERIFY(!mine.IsHeld());
        // Nothing was made in the other program's store.
        QCOMPARE(Tree(dbDir), QStringList{u'/' + StoreLock::FileName()});
    }

    // What lies at the path is no folder, or the folder cannot be made: said, and nothing else happens.
    void unusablePath_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("asked");
        QTest::newRow("a file") << "file" << int(StoreStart::Outcome::Unusable) << false;
        QTest::newRow("below a file") << "file/Movies" << int(StoreStart::Outcome::NotCreated) << true;
    }
    void unusablePath()
    {
        QFETCH(QString, relative);
        QFETCH(int, outcome);
        QFETCH(bool, asked);
        QFile file(m_home->filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString dbDir = m_home->filePath(relative);
        const QStringList before = Tree(m_home->path());
        Talk talk;
        StoreLock lock;
        QCOMPARE(int(StoreStart::Open(dbDir, m_default, lock, talk.Prompts())), outcome);
        QCOMPARE(talk.questions.size(), asked ? 1 : 0);
        const QString expected = outcome == int(StoreStart::Outcome::Unusable) ? StoreStart::UnusableText(dbDir)
                                                                               : StoreStart::NotCreatedText(dbDir);
        QCOMPARE(talk.messages, QStringList{expected});
        QVERIFY(expected.contains(dbDir));
        QCOMPARE(Tree(m_home->path()), before);
        QVERIFY(!lock.IsHeld());
    }

    // The settings file is mentioned only when it cannot be used, by name and the line not understood; asking leaves
    // it byte for byte.
    void settingsFileMessage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing" << QString();
        QTest::newRow("hand-written") << "plain" << QString();
        QTest::newRow("damaged") << "damaged"
                                 << "The settings file %1 is damaged at line 2.";
        QTest::newRow("a folder in its place") << "folder"
                                               << "The settings file %1 cannot be read.";
    }
    void settingsFileMessage()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("config"))));
        const QString file = Registry::ProgramFile();
        QVERIFY(file.startsWith(m_home->path()));
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QByteArray content;
        if (kind == u"folder") {
            QVERIFY(QDir().mkpath(file));
        } else if (kind != u"missing") {
            content = kind == u"plain" ? QByteArray("DBPath=/home/me/Movies\n")
                                       : QByteArray("DBPath=/home/me/Movies\n\x01\x02 not a setting\n");
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(out.write(content), content.size());
            out.close();
        }
        const QString message = StoreStart::SettingsFileMessage();
        if (expected.isEmpty()) {
            QVERIFY2(message.isEmpty(), qPrintable(message));
        } else {
            QVERIFY2(message.startsWith(expected.arg(file)), qPrintable(message));
            QVERIFY(message.contains(QStringLiteral("default collection")));
        }
        if (!content.isEmpty()) {
            QFile in(file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QCOMPARE(in.readAll(), content);
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_default;
};

QTEST_GUILESS_MAIN(TestStoreStart)

#include "tst_storestart.moc"
