#include "Codevet.h"
#include "Component.h"
#include "Registry.h"
#include "UPCObject.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QString DefaultOf(const QString& key)
{
    return Registry::ReadString(Registry::HKEY_CLASSES_ROOT, key, {}, QStringLiteral("<missing>"));
}

bool KeyExists(const QString& key)
{
    Registry::HKEY handle = 0;
    if (Registry::OpenKey(Registry::HKEY_CLASSES_ROOT, key, Registry::KeyRead, &handle) != Registry::Success) {
        return false;
    }
    Registry::CloseKey(handle);
    return true;
}

void CreateKeyWithDefault(const QString& key, const QString& value)
{
    Registry::HKEY handle = 0;
    QCOMPARE(Registry::CreateKey(Registry::HKEY_CLASSES_ROOT, key, Registry::KeyAllAccess, &handle), Registry::Success);
    QCOMPARE(Registry::SetString(handle, {}, value), Registry::Success);
    Registry::CloseKey(handle);
}

const QString kClassKey = QStringLiteral("CLSID\\{1DA5AA73-80C1-4A4C-AECB-93D2D30B5890}");

} // namespace

class TestUPCObject : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    UPCObject m_check;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
    }

    void kinds_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("kind");
        // Eight digits.
        QTest::newRow("EAN-8") << QStringLiteral("96385074") << 2;
        QTest::newRow("EAN-8 check 0") << QStringLiteral("12345670") << 2;
        QTest::newRow("EAN-8 wrong check") << QStringLiteral("96385075") << 0;
        QTest::newRow("leading zero") << QStringLiteral("04252610") << 1;
        QTest::newRow("leading zero, twelve-digit check only") << QStringLiteral("04252614") << 0;
        QTest::newRow("eight zeros") << QStringLiteral("00000000") << 1;
        // Twelve digits.
        QTest::newRow("UPC-A") << QStringLiteral("036000291452") << 3;
        QTest::newRow("UPC-A wrong check") << QStringLiteral("036000291450") << 0;
        QTest::newRow("UPC-A first 2") << QStringLiteral("236000291456") << 3;
        QTest::newRow("first 1 refused") << QStringLiteral("136000291459") << 0;
        QTest::newRow("first 8 refused") << QStringLiteral("836000291458") << 0;
        QTest::newRow("first 9 refused") << QStringLiteral("936000291455") << 0;
        QTest::newRow("twelve zeros") << QStringLiteral("000000000000") << 3;
        // Thirteen digits.
        QTest::newRow("EAN-13") << QStringLiteral("4006381333931") << 4;
        QTest::newRow("EAN-13 other") << QStringLiteral("1234567890128") << 4;
        QTest::newRow("EAN-13 wrong check") << QStringLiteral("4006381333930") << 0;
        QTest::newRow("EAN-13 of a UPC-A") << QStringLiteral("0036000291452") << 4;
        QTest::newRow("thirteen zeros") << QStringLiteral("0000000000000") << 4;
        // Not codes at all.
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("seven digits") << QStringLiteral("9638507") << 0;
        QTest::newRow("fourteen digits") << QStringLiteral("40063813339310") << 0;
        QTest::newRow("leading blank") << QStringLiteral(" 036000291452") << 0;
        QTest::newRow("trailing blank") << QStringLiteral("96385074 ") << 0;
        QTest::newRow("hyphen") << QStringLiteral("9638-5074") << 0;
        QTest::newRow("letter") << QStringLiteral("9638507A") << 0;
        QTest::newRow("fullwidth digits") << QStringLiteral("\uFF19\uFF16\uFF13\uFF18\uFF15\uFF10\uFF17\uFF14") << 0;
        QTest::newRow("Arabic-Indic digits") << QStringLiteral("\u0669\u0666\u0663\u0668\u0665\u0660\u0667\u0664") << 0;
        QTest::newRow("long") << QString(100000, u'0') << 0;
        // Only the part before a NUL counts.
        QTest::newRow("NUL after EAN-8") << (QStringLiteral("96385074") + QChar(u'\0') + QStringLiteral("xyz")) << 2;
        QTest::newRow("NUL after kind 1") << (QStringLiteral("04252610") + QChar(u'\0') + QStringLiteral("12")) << 1;
        QTest::newRow("NUL first") << (QChar(u'\0') + QStringLiteral("96385074")) << 0;
        QTest::newRow("NUL inside") << (QStringLiteral("9638") + QChar(u'\0') + QStringLiteral("5074")) << 0;
    }
    void kinds()
    {
        QFETCH(QString, code);
        QFETCH(int, kind);
        QCOMPARE(m_check.CheckString(code), kind);
    }

    // Weights 1 and 3 are both prime to 10, so the check catches every change of a single digit; a wrong weight
    // (or a weight on the wrong position) would let some through.
    void everySingleDigitChangeIsCaught_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("8") << QStringLiteral("96385074");
        QTest::newRow("12") << QStringLiteral("036000291452");
        QTest::newRow("13") << QStringLiteral("4006381333931");
    }
    void everySingleDigitChangeIsCaught()
    {
        QFETCH(QString, code);
        QVERIFY(m_check.CheckString(code) != 0);
        for (qsizetype position = 0; position < code.size(); ++position) {
            for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
                if (code[position] == digit) {
                    continue;
                }
                QString changed = code;
                changed[position] = QChar(digit);
                // A twelve-digit code starting with 1, 8 or 9 is refused anyway: 0 either way.
                QVERIFY2(m_check.CheckString(changed) == 0, qPrintable(changed));
            }
        }
    }

    void exactlyOneCheckDigitPerBody_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("8") << 8;
        QTest::newRow("12") << 12;
        QTest::newRow("13") << 13;
    }
    void exactlyOneCheckDigitPerBody()
    {
        QFETCH(int, length);
        QRandomGenerator random(length);
        for (int round = 0; round < 200; ++round) {
            QString body;
            body.append(QChar(u'2' + char16_t(random.bounded(6)))); // 2..7: never a refused first digit
            while (body.size() < length - 1) {
                body.append(QChar(u'0' + char16_t(random.bounded(10))));
            }
            int accepted = 0;
            for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
                accepted += m_check.CheckString(body + QChar(digit)) != 0 ? 1 : 0;
            }
            QVERIFY2(accepted == 1, qPrintable(body));
        }
    }

    void objectsAreCountedForUnloading()
    {
        QCOMPARE(UPCObject::LiveObjects(), 1); // m_check
        QCOMPARE(VidsoraCanUnloadNow(), 1);
        std::unique_ptr<QObject> made(VidsoraGetClassObject(Codevet::kClassId));
        QVERIFY(qobject_cast<UPCObject*>(made.get()));
        QCOMPARE(UPCObject::LiveObjects(), 2);
        made.reset();
        QCOMPARE(UPCObject::LiveObjects(), 1);
    }

    void factoryOffersOnlyItsClass_data()
    {
        QTest::addColumn<QByteArray>("clsid");
        QTest::addColumn<bool>("offered");
        QTest::newRow("class") << QByteArray(Codevet::kClassId) << true;
        QTest::newRow("lower case") << QByteArray(Codevet::kClassId).toLower() << true;
        QTest::newRow("interface") << QByteArray(Codevet::kInterfaceId) << false;
        QTest::newRow("no braces") << QByteArray("1DA5AA73-80C1-4A4C-AECB-93D2D30B5890") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void factoryOffersOnlyItsClass()
    {
        QFETCH(QByteArray, clsid);
        QFETCH(bool, offered);
        std::unique_ptr<QObject> made(VidsoraGetClassObject(clsid.constData()));
        QCOMPARE(made != nullptr, offered);
    }

    void registrationWritesTheClassEntries()
    {
        // A stale registration of the class and an unrelated class already present.
        CreateKeyWithDefault(kClassKey + QStringLiteral("\\Stale"), QStringLiteral("old"));
        CreateKeyWithDefault(QStringLiteral("CLSID\\{00000000-0000-0000-0000-000000000001}"), QStringLiteral("Other"));

        const QString library = m_dir.filePath(QStringLiteral("lib/libcodevet.so"));
        QCOMPARE(VidsoraRegisterServer(QFile::encodeName(library).constData()), 0);

        const QString clsid = QString::fromLatin1(Codevet::kClassId);
        QCOMPARE(DefaultOf(QStringLiteral("Codevet.UPCObject.1")), QStringLiteral("UPCObject Class"));
        QCOMPARE(DefaultOf(QStringLiteral("Codevet.UPCObject.1\\CLSID")), clsid);
        QCOMPARE(DefaultOf(QStringLiteral("Codevet.UPCObject")), QStringLiteral("UPCObject Class"));
        QCOMPARE(DefaultOf(QStringLiteral("Codevet.UPCObject\\CLSID")), clsid);
        QCOMPARE(DefaultOf(QStringLiteral("Codevet.UPCObject\\CurVer")), QStringLiteral("Codevet.UPCObject.1"));
        QCOMPARE(DefaultOf(kClassKey), QStringLiteral("UPCObject Class"));
        QCOMPARE(DefaultOf(kClassKey + QStringLiteral("\\ProgID")), QStringLiteral("Codevet.UPCObject.1"));
        QCOMPARE(DefaultOf(kClassKey + QStringLiteral("\\VersionIndependentProgID")),
                 QStringLiteral("Codevet.UPCObject"));
        QCOMPARE(DefaultOf(kClassKey + QStringLiteral("\\InprocServer32")), library);
        QCOMPARE(Registry::ReadString(Registry::HKEY_CLASSES_ROOT, kClassKey + QStringLiteral("\\InprocServer32"),
                                      QStringLiteral("ThreadingModel")),
                 QStringLiteral("Apartment"));
        QCOMPARE(DefaultOf(kClassKey + QStringLiteral("\\TypeLib")),
                 QStringLiteral("{F9F141A1-60E9-40D5-B929-3832982B4241}"));
        QVERIFY(KeyExists(kClassKey + QStringLiteral("\\Programmable")));
        QCOMPARE(DefaultOf(kClassKey + QStringLiteral("\\Programmable")), QStringLiteral("<missing>"));

        QVERIFY(!KeyExists(kClassKey + QStringLiteral("\\Stale")));
        QCOMPARE(DefaultOf(QStringLiteral("CLSID\\{00000000-0000-0000-0000-000000000001}")), QStringLiteral("Other"));

        // Unregistration removes the three keys and nothing else.
        QCOMPARE(VidsoraUnregisterServer(), 0);
        QVERIFY(!KeyExists(QStringLiteral("Codevet.UPCObject.1")));
        QVERIFY(!KeyExists(QStringLiteral("Codevet.UPCObject")));
        QVERIFY(!KeyExists(kClassKey));
        QVERIFY(KeyExists(QStringLiteral("CLSID")));
        QCOMPARE(DefaultOf(QStringLiteral("CLSID\\{00000000-0000-0000-0000-000000000001}")), QStringLiteral("Other"));
        // A second unregistration finds nothing to remove and is no failure.
        QCOMPARE(VidsoraUnregisterServer(), 0);
    }

    void registrationWithoutPathNamesThisLibrary()
    {
        QCOMPARE(VidsoraRegisterServer(nullptr), 0);
        const QString registered = DefaultOf(kClassKey + QStringLiteral("\\InprocServer32"));
        QVERIFY2(QFileInfo(registered).isAbsolute(), qPrintable(registered));
        QCOMPARE(QFileInfo(registered).canonicalFilePath(),
                 QFileInfo(QStringLiteral(CODEVET_LIBRARY_PATH)).canonicalFilePath());

        // So this process can create the object by its ProgID, from the library it already has loaded.
        const auto object = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
        QVERIFY(qobject_cast<UPCObject*>(object.get()));
        QCOMPARE(VidsoraUnregisterServer(), 0);
    }
};

QTEST_GUILESS_MAIN(TestUPCObject)
#include "tst_upcobject.moc"
