// Creates Codevet by ProgID the way its users do: this program does not link the library, it registers it with the
// registration command into its own configuration folder and reaches it through the class registration.

#include "Component.h"
#include "Registry.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int RunRegistration(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(VIDREGSVR_PATH), args);
    if (!process.waitForFinished(10000)) {
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Writes a minimal class registration by hand: progId -> clsid -> library.
void WriteRegistration(const QString& progId, const QString& clsid, const QString& library)
{
    using namespace Registry;
    HKEY key = 0;
    QCOMPARE(CreateKey(HKEY_CLASSES_ROOT, progId + QStringLiteral("\\CLSID"), KeyAllAccess, &key), Success);
    QCOMPARE(SetString(key, {}, clsid), Success);
    CloseKey(key);
    QCOMPARE(CreateKey(HKEY_CLASSES_ROOT, QStringLiteral("CLSID\\%1\\InprocServer32").arg(clsid), KeyAllAccess, &key),
             Success);
    QCOMPARE(SetString(key, {}, library), Success);
    CloseKey(key);
}

void WriteCurVer(const QString& progId, const QString& target)
{
    using namespace Registry;
    HKEY key = 0;
    QCOMPARE(CreateKey(HKEY_CLASSES_ROOT, progId + QStringLiteral("\\CurVer"), KeyAllAccess, &key), Success);
    QCOMPARE(SetString(key, {}, target), Success);
    CloseKey(key);
}

} // namespace

class TestProgId : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
        QCOMPARE(RunRegistration({QStringLiteral(CODEVET_LIBRARY_PATH)}), 0);
    }

    void createsByEitherProgId_data()
    {
        QTest::addColumn<QString>("progId");
        QTest::newRow("version-independent") << QStringLiteral("Codevet.UPCObject");
        QTest::newRow("versioned") << QStringLiteral("Codevet.UPCObject.1");
        QTest::newRow("other case") << QStringLiteral("codevet.upcobject");
    }
    void createsByEitherProgId()
    {
        QFETCH(QString, progId);
        const std::shared_ptr<QObject> object = Component::CreateObject(progId);
        QVERIFY(object);
        QCOMPARE(object->metaObject()->className(), "UPCObject");
        bool ok = false;
        QCOMPARE(Component::CallByName(object.get(), "CheckString", {QStringLiteral("4006381333931")}, &ok),
                 QVariant(4));
        QVERIFY(ok);
        QCOMPARE(Component::CallByName(object.get(), "CheckString", {QStringLiteral("4006381333930")}, &ok),
                 QVariant(0));
        QVERIFY(ok);
    }

    void eachCreationIsANewObject()
    {
        const auto first = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
        const auto second = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
        QVERIFY(first && second);
        QVERIFY(first.get() != second.get());
    }

    void argumentsAreConvertedToTheParameterType()
    {
        const auto object = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
        QVERIFY(object);
        bool ok = false;
        // An automation caller may hand a number where a string is expected.
        QCOMPARE(Component::CallByName(object.get(), "CheckString", {12345670}, &ok), QVariant(2));
        QVERIFY(ok);
    }

    void badCallsReportFailure_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QVariantList>("args");
        QTest::newRow("unknown method") << QByteArray("CheckNumber") << QVariantList{QStringLiteral("12345670")};
        QTest::newRow("no argument") << QByteArray("CheckString") << QVariantList{};
        QTest::newRow("two arguments") << QByteArray("CheckString")
                                       << QVariantList{QStringLiteral("12345670"), QStringLiteral("x")};
        QTest::newRow("argument of no string form")
            << QByteArray("CheckString") << QVariantList{QVariant::fromValue(QVariantMap{{QStringLiteral("a"), 1}})};
        QTest::newRow("a signal is no operation") << QByteArray("destroyed") << QVariantList{};
    }
    void badCallsReportFailure()
    {
        QFETCH(QByteArray, name);
        QFETCH(QVariantList, args);
        const auto object = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
        QVERIFY(object);
        bool ok = true;
        QVERIFY(!Component::CallByName(object.get(), name.constData(), args, &ok).isValid());
        QVERIFY(!ok);
    }

    void callOnNoObjectReportsFailure()
    {
        bool ok = true;
        QVERIFY(!Component::CallByName(nullptr, "CheckString", {QStringLiteral("12345670")}, &ok).isValid());
        QVERIFY(!ok);
    }

    void propertiesByName()
    {
        const auto object = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
        QVERIFY(object);
        QVERIFY(Component::SetProperty(object.get(), "objectName", QStringLiteral("checker")));
        QCOMPARE(Component::GetProperty(object.get(), "objectName"), QVariant(QStringLiteral("checker")));
        QVERIFY(!Component::SetProperty(object.get(), "strTitle", QStringLiteral("x")));
        QVERIFY(!Component::GetProperty(object.get(), "strTitle").isValid());
        QVERIFY(object->dynamicPropertyNames().isEmpty());
    }

    void unknownProgIdsYieldNoObject_data()
    {
        QTest::addColumn<QString>("progId");
        QTest::newRow("account component") << QStringLiteral("Vidlink.CComCenter");
        QTest::newRow("empty") << QString();
        QTest::newRow("the CLSID key") << QStringLiteral("CLSID");
        QTest::newRow("a path") << QStringLiteral("Codevet.UPCObject\\CLSID");
        QTest::newRow("other version") << QStringLiteral("Codevet.UPCObject.2");
    }
    void unknownProgIdsYieldNoObject()
    {
        QFETCH(QString, progId);
        QVERIFY(!Component::CreateObject(progId));
    }

    void brokenRegistrationsYieldNoObject_data()
    {
        QTest::addColumn<QString>("library");
        QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("gone/libnothing.so"));
        QTest::newRow("not a library") << m_dir.filePath(QStringLiteral("plain.txt"));
        QTest::newRow("library without factory") << QStringLiteral(VIDPLATFORM_PATH);
        QTest::newRow("a folder") << m_dir.path();
        QTest::newRow("empty path") << QString();
    }
    void brokenRegistrationsYieldNoObject()
    {
        QFETCH(QString, library);
        QFile plain(m_dir.filePath(QStringLiteral("plain.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("not an ELF file\n");
        plain.close();
        const QString progId = QStringLiteral("Test.Broken.") + QString::fromLatin1(QTest::currentDataTag());
        WriteRegistration(progId, QStringLiteral("{00000000-0000-0000-0000-00000000BAD1}"), library);
        QVERIFY(!Component::CreateObject(progId));
    }

    void factoryRefusingTheClassYieldsNoObject()
    {
        // Right library, but registered under a class identifier it does not offer.
        WriteRegistration(QStringLiteral("Test.WrongClass"), QStringLiteral("{00000000-0000-0000-0000-00000000BAD2}"),
                          QStringLiteral(CODEVET_LIBRARY_PATH));
        QVERIFY(!Component::CreateObject(QStringLiteral("Test.WrongClass")));
    }

    void currentVersionIsFollowed()
    {
        WriteCurVer(QStringLiteral("Test.Alias"), QStringLiteral("Codevet.UPCObject.1"));
        const auto object = Component::CreateObject(QStringLiteral("Test.Alias"));
        QVERIFY(object);
        QCOMPARE(Component::CallByName(object.get(), "CheckString", {QStringLiteral("96385074")}), QVariant(2));
    }

    void currentVersionLoopYieldsNoObject()
    {
        WriteCurVer(QStringLiteral("Test.LoopA"), QStringLiteral("Test.LoopB"));
        WriteCurVer(QStringLiteral("Test.LoopB"), QStringLiteral("Test.LoopA"));
        QVERIFY(!Component::CreateObject(QStringLiteral("Test.LoopA")));
    }

    void objectOutlivesTheCache()
    {
        const auto object = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
        QVERIFY(object);
        Component::ClearCache();
        QCOMPARE(Component::CallByName(object.get(), "CheckString", {QStringLiteral("036000291452")}), QVariant(3));
    }

    // Last: removes the registration.
    void unregisteringRemovesTheProgIds()
    {
        QVERIFY(Component::CreateObject(QStringLiteral("Codevet.UPCObject")));
        QCOMPARE(RunRegistration({QStringLiteral("-u"), QStringLiteral(CODEVET_LIBRARY_PATH)}), 0);

        // The factory resolved before stays cached: the registry is read once per ProgID.
        QVERIFY(Component::CreateObject(QStringLiteral("Codevet.UPCObject")));
        Component::ClearCache();
        QVERIFY(!Component::CreateObject(QStringLiteral("Codevet.UPCObject")));
        QVERIFY(!Component::CreateObject(QStringLiteral("Codevet.UPCObject.1")));

        QCOMPARE(RunRegistration({QStringLiteral(CODEVET_LIBRARY_PATH)}), 0);
        QVERIFY(Component::CreateObject(QStringLiteral("Codevet.UPCObject")));
    }

    void registrationCommandRefusesBadInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no library") << QStringList{};
        QTest::newRow("missing file") << QStringList{m_dir.filePath(QStringLiteral("gone.so"))};
        QTest::newRow("not a component") << QStringList{QStringLiteral(VIDPLATFORM_PATH)};
        QTest::newRow("unregister not a component")
            << QStringList{QStringLiteral("-u"), QStringLiteral(VIDPLATFORM_PATH)};
    }
    void registrationCommandRefusesBadInput()
    {
        QFETCH(QStringList, args);
        QVERIFY(RunRegistration(args) > 0);
    }
};

QTEST_GUILESS_MAIN(TestProgId)
#include "tst_progid.moc"
