#include "core/mFunctions.h"
#include "core/mRegister.h"

#include "Registry.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const Registry::HKEY kHive = Registry::HKEY_CURRENT_USER;

// Stores raw bytes under the program's key, creating it.
void StoreRaw(const QString& name, std::uint32_t type, const QByteArray& data)
{
    QCOMPARE(mRegister::EnsureKey(kHive, kProgramKey), 0L);
    Registry::HKEY key = 0;
    QCOMPARE(Registry::OpenKey(kHive, kProgramKey, Registry::KeyAllAccess, &key), 0L);
    QCOMPARE(Registry::SetValue(key, name, type, data), 0L);
    Registry::CloseKey(key);
}

// The stored type and bytes of a value, or an error code.
long Stored(const QString& name, std::uint32_t* type, QByteArray* data)
{
    Registry::HKEY key = 0;
    long result = Registry::OpenKey(kHive, kProgramKey, Registry::KeyQueryValue, &key);
    if (result == Registry::Success) {
        result = Registry::QueryValue(key, name, type, data);
        Registry::CloseKey(key);
    }
    return result;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_home->path().toUtf8());
        qputenv("XDG_DATA_HOME", m_home->filePath(QStringLiteral("data")).toUtf8());
    }

    void missingKeyGetsTheDefault()
    {
        QVERIFY(QDir(Registry::Folder()).isEmpty());
        const QString custom = m_home->filePath(QStringLiteral("store"));
        QCOMPARE(ReadRegSetting(QStringLiteral("DBPath"), custom), QVariant(custom));
        std::uint32_t type = 0;
        QByteArray data;
        QCOMPARE(Stored(QStringLiteral("DBPath"), &type, &data), 0L);
        QCOMPARE(type, Registry::RegSz);
        QVERIFY(data.endsWith('\0'));
        QCOMPARE(ReadRegSetting(QStringLiteral("DBPath"), QStringLiteral("/elsewhere")), QVariant(custom));

        // Without a default the setting is created empty.
        QCOMPARE(ReadRegSetting(QStringLiteral("User")), QVariant(QString()));
        QCOMPARE(Stored(QStringLiteral("User"), &type, &data), 0L);
        QCOMPARE(ReadRegSetting(QStringLiteral("User"), QStringLiteral("someone")), QVariant(QString()));
        QCOMPARE(ReadRegSetting(QStringLiteral("CheckAnnouncements"), QStringLiteral("-1")), QVariant("-1"));
    }

    void storedValues_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<bool>("unreadable"); // read as the default, and never written over
        QTest::newRow("string") << uint(Registry::RegSz) << QByteArray("abc\0", 4) << QVariant("abc") << false;
        QTest::newRow("only the terminator") << uint(Registry::RegSz) << QByteArray("\0", 1) << QVariant("") << false;
        QTest::newRow("no terminator") << uint(Registry::RegSz) << QByteArray("whole") << QVariant("whole") << false;
        QTest::newRow("two terminators") << uint(Registry::RegSz) << QByteArray("x\0\0", 3)
                                         << QVariant(QStringLiteral("x") + QChar(0)) << false;
        QTest::newRow("number") << uint(Registry::RegDword) << QByteArray("\xff\xff\xff\xff", 4) << QVariant(-1)
                                << false;
        QTest::newRow("expandable string")
            << uint(Registry::RegExpandSz) << QByteArray("%HOME%\0", 7) << QVariant("fallback") << true;
        QTest::newRow("raw bytes") << uint(Registry::RegBinary) << QByteArray("\x01\x02", 2) << QVariant("fallback")
                                   << true;
        QTest::newRow("number of 23 digits")
            << uint(Registry::RegDword) << QByteArray("99999999999999999999999") << QVariant("fallback") << true;
    }
    void storedValues()
    {
        QFETCH(uint, type);
        QFETCH(QByteArray, data);
        QFETCH(QVariant, expected);
        QFETCH(bool, unreadable);
        StoreRaw(QStringLiteral("Value"), type, data);
        const QVariant value = ReadRegSetting(QStringLiteral("Value"), QStringLiteral("fallback"));
        QCOMPARE(value, expected);
        if (type == Registry::RegDword && !unreadable) {
            QCOMPARE(value.typeId(), int(QMetaType::Int));
        }
        std::uint32_t storedType = 0;
        QByteArray stored;
        QCOMPARE(Stored(QStringLiteral("Value"), &storedType, &stored), 0L);
        QCOMPARE(storedType, std::uint32_t(type));
        QCOMPARE(stored, data);
        QCOMPARE(IsUnreadableSetting(QStringLiteral("value")), unreadable);
        // While the line stands nothing is written into its key.
        QCOMPARE(TryWriteRegSetting(QStringLiteral("Value"), QStringLiteral("typed")), !unreadable);
        QCOMPARE(Stored(QStringLiteral("Value"), &storedType, &stored), 0L);
        QCOMPARE(stored, unreadable ? data : QByteArray("typed\0", 6));
    }

    void blankStoreFolderCountsAsMissing_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("defaultValue");
        QTest::newRow("empty") << QByteArray("\0", 1) << "/given/Database33";
        QTest::newRow("blanks") << QByteArray("   \0", 4) << "/given/Database33";
        QTest::newRow("empty, no default") << QByteArray("\0", 1) << "";
        QTest::newRow("blanks, blank default") << QByteArray(" \t\0", 3) << "  ";
    }
    void blankStoreFolderCountsAsMissing()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, defaultValue);
        const QString expected = defaultValue.trimmed().isEmpty() ? DefaultDBPath() : defaultValue;
        // The user's data folder, never the program's.
        QCOMPARE(DefaultDBPath(), m_home->filePath(QStringLiteral("data/Halvorix/Vidsora/Database33")));
        StoreRaw(QStringLiteral("DBPath"), Registry::RegSz, data);
        QCOMPARE(ReadRegSetting(QStringLiteral("DBPath"), defaultValue).toString(), expected);
        // Written back, so the next read finds it.
        QCOMPARE(ReadRegSetting(QStringLiteral("DBPath"), QStringLiteral("/other")).toString(), expected);
        QVERIFY(!ReadRegSetting(QStringLiteral("dbpath")).toString().trimmed().isEmpty());
    }

    void writeNeedsTheKey()
    {
        WriteRegSetting(QStringLiteral("User"), QStringLiteral("someone"));
        Registry::HKEY key = 0;
        QCOMPARE(Registry::OpenKey(kHive, kProgramKey, Registry::KeyQueryValue, &key), Registry::ErrorFileNotFound);

        ReadRegSetting(QStringLiteral("DBPath"));
        WriteRegSetting(QStringLiteral("User"), QStringLiteral("someone"));
        WriteRegSetting(QStringLiteral("Password"), QStringLiteral("p\u00e4ss word"));
        QCOMPARE(ReadRegSetting(QStringLiteral("User")), QVariant("someone"));
        QCOMPARE(ReadRegSetting(QStringLiteral("Password")), QVariant(QStringLiteral("p\u00e4ss word")));
    }

    void registerProcedures()
    {
        QVariant value = QStringLiteral("untouched");
        QCOMPARE(mRegister::ReadValue(kHive, kProgramKey, QStringLiteral("Missing"), value),
                 Registry::ErrorFileNotFound);
        QCOMPARE(value, QVariant("untouched"));
        QVERIFY(mRegister::WriteValue(kHive, kProgramKey, QStringLiteral("N"), 1, Registry::RegDword) != 0);

        QCOMPARE(mRegister::EnsureKey(kHive, kProgramKey), 0L);
        QCOMPARE(mRegister::EnsureKey(kHive, kProgramKey), 0L);
        QCOMPARE(
            mRegister::WriteValue(kHive, kProgramKey, QStringLiteral("N"), QStringLiteral("42"), Registry::RegDword),
            0L);
        QCOMPARE(mRegister::WriteValue(kHive, kProgramKey, QStringLiteral("Other"), 7, 3), 0L);
        QCOMPARE(mRegister::ReadValue(kHive, kProgramKey, QStringLiteral("Other"), value), Registry::ErrorFileNotFound);
        QCOMPARE(mRegister::ReadValue(kHive, kProgramKey, QStringLiteral("N"), value), 0L);
        QCOMPARE(value, QVariant(42));
        QCOMPARE(
            mRegister::WriteValue(kHive, kProgramKey, QStringLiteral("S"), QStringLiteral("text"), Registry::RegSz),
            0L);
        QCOMPARE(mRegister::ReadValue(kHive, kProgramKey, QStringLiteral("S"), value), 0L);
        QCOMPARE(value, QVariant(QStringLiteral("text") + QChar(0)));
    }

    void settingsPersistAcrossProcesses()
    {
        ReadRegSetting(QStringLiteral("DBPath"), m_home->filePath(QStringLiteral("db")));
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QStringLiteral("--write-setting"), QStringLiteral("User"), QStringLiteral("from child")});
        child.start();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(ReadRegSetting(QStringLiteral("User")), QVariant("from child"));

        child.setArguments({QStringLiteral("--read-setting"), QStringLiteral("DBPath")});
        child.start();
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), m_home->filePath(QStringLiteral("db")));
    }

private:
    std::unique_ptr<QTemporaryDir> m_home;
};

// Run with "--write-setting <name> <value>" or "--read-setting <name>", the program plays the second process of
// settingsPersistAcrossProcesses in the same configuration folder.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--write-setting") {
        WriteRegSetting(args[2], args[3]);
        return 0;
    }
    if (args.size() == 3 && args[1] == u"--read-setting") {
        std::fputs(ReadRegSetting(args[2]).toString().toUtf8().constData(), stdout);
        return 0;
    }
    TestSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings.moc"
