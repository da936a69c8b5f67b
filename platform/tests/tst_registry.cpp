#include "Registry.h"
#include "SafeFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Registry;

namespace {

const QString kProgramKey = QStringLiteral("Software\\Halvorix\\Vidsora");

QString FilePath(const QString& name)
{
    return Folder() + u'/' + name;
}

QByteArray FileBytes(const QString& name)
{
    QFile file(FilePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(Folder());
    QFile file(FilePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A file whose section names a key `depth` names deep below the program key, holding one value.
QByteArray DeepFile(int depth, QString* key)
{
    QByteArray bytes = "; Vidsora registry file 1\n[Software\\Halvorix\\Vidsora]\nDBPath=1:/home/me%00\n"
                       "[Software\\Halvorix\\Vidsora";
    *key = kProgramKey;
    for (int i = 0; i < depth; ++i) {
        bytes += "\\a";
        *key += QStringLiteral("\\a");
    }
    return bytes + "]\nDeep=1:x%00\n";
}

// The program key, created when missing.
HKEY ProgramKey(std::uint32_t access = KeyAllAccess)
{
    HKEY key = 0;
    if (CreateKey(HKEY_CURRENT_USER, kProgramKey, access, &key) != Success) {
        return 0;
    }
    return key;
}

// A child run of this program: runs the one test function given, with VIDSORA_REGISTRY_CHILD set.
QProcess* StartChild(const QString& function, const QString& prefix)
{
    auto* child = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIDSORA_REGISTRY_CHILD"), prefix);
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), {function});
    return child;
}

bool ChildSucceeded(QProcess* child)
{
    const bool ok =
        child->waitForFinished(20000) && child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0;
    delete child;
    return ok;
}

} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_base;
    std::unique_ptr<QTemporaryDir> m_dir;

    static bool IsChild() { return qEnvironmentVariableIsSet("VIDSORA_REGISTRY_CHILD"); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_base.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_base.path()));
    }

    void init()
    {
        // A child inherits its parent's folder; every test of the parent gets a fresh one.
        if (IsChild()) {
            return;
        }
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("config"))));
    }

    void folderFollowsTheEnvironment()
    {
        if (IsChild()) {
            QSKIP("parent only");
        }
        QCOMPARE(Folder(), m_dir->filePath(QStringLiteral("config/Halvorix")));
        qputenv("XDG_CONFIG_HOME", "");
        QCOMPARE(Folder(), QDir::homePath() + QStringLiteral("/.config/Halvorix"));
        // A relative folder is ignored: the settings must not move with the folder the program starts in.
        qputenv("XDG_CONFIG_HOME", "config");
        QCOMPARE(Folder(), QDir::homePath() + QStringLiteral("/.config/Halvorix"));
    }

    void stringsRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("C:/Movies/Database33");
        QTest::newRow("empty") << QString();
        QTest::newRow("non-ASCII") << QStringLiteral("K\u00F6ln \u2013 \u65E5\u672C \u2713");
        QTest::newRow("INI syntax") << QStringLiteral("[a]=b;c#d%41%zz\\e@");
        QTest::newRow("blanks at the ends") << QStringLiteral("  two  ");
        QTest::newRow("line breaks and tab") << QStringLiteral("a\r\nb\nc\td\r");
        QTest::newRow("inner NUL") << (QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"));
        QTest::newRow("long") << QString(20000, u'x');
    }
    void stringsRoundTrip()
    {
        QFETCH(QString, text);
        const HKEY key = ProgramKey();
        QVERIFY(key != 0);
        // The text doubles as a value name, so names meet the same characters.
        const QString name = text.isEmpty() ? QStringLiteral("Empty") : text.left(100);
        QCOMPARE(SetString(key, name, text), Success);
        QString read;
        QCOMPARE(QueryString(key, name, &read), Success);
        // The terminating zero is part of the stored data and comes back.
        QCOMPARE(read, text + QChar(u'\0'));
        QByteArray data;
        std::uint32_t type = RegNone;
        QCOMPARE(QueryValue(key, name, &type, &data), Success);
        QCOMPARE(type, RegSz);
        QCOMPARE(data, text.toUtf8() + '\0');
        CloseKey(key);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, name, QStringLiteral("fallback")), text);
    }

    void numbersRoundTrip_data()
    {
        QTest::addColumn<quint32>("number");
        QTest::newRow("zero") << quint32(0);
        QTest::newRow("one") << quint32(1);
        QTest::newRow("minus one") << quint32(0xFFFFFFFF);
        QTest::newRow("high bit") << quint32(0x80000000);
        QTest::newRow("byte order") << quint32(0x01020304);
    }
    void numbersRoundTrip()
    {
        QFETCH(quint32, number);
        const HKEY key = ProgramKey();
        QCOMPARE(SetDword(key, QStringLiteral("Number"), number), Success);
        std::uint32_t read = 0;
        QCOMPARE(QueryDword(key, QStringLiteral("Number"), &read), Success);
        QCOMPARE(quint32(read), number);
        QByteArray data;
        QCOMPARE(QueryValue(key, QStringLiteral("Number"), nullptr, &data), Success);
        QCOMPARE(data.size(), 4);
        QCOMPARE(uchar(data[0]), uchar(number & 0xFF)); // little-endian, as the platform stores it
        CloseKey(key);
    }

    void valuesKeepTheirStoredForm()
    {
        const HKEY key = ProgramKey();
        QByteArray every;
        for (int b = 0; b < 256; ++b) {
            every.append(char(b));
        }
        QCOMPARE(SetValue(key, QStringLiteral("Raw"), RegBinary, every), Success);
        QCOMPARE(SetValue(key, QStringLiteral("Unterminated"), RegSz, "no zero"), Success);
        QCOMPARE(SetValue(key, QStringLiteral("OnlyZero"), RegSz, QByteArray(1, '\0')), Success);
        QCOMPARE(SetString(key, QStringLiteral("Expand"), QStringLiteral("%HOME%"), RegExpandSz), Success);
        QCOMPARE(SetValue(key, QStringLiteral("Short"), RegDword, "ab"), Success);

        std::uint32_t type = RegNone;
        QByteArray data;
        QCOMPARE(QueryValue(key, QStringLiteral("Raw"), &type, &data), Success);
        QCOMPARE(type, RegBinary);
        QCOMPARE(data, every);

        QString text;
        QCOMPARE(QueryString(key, QStringLiteral("Unterminated"), &text), Success);
        QCOMPARE(text, QStringLiteral("no zero")); // returned whole
        QCOMPARE(QueryString(key, QStringLiteral("OnlyZero"), &text), Success);
        QCOMPARE(text, QString(QChar(u'\0')));
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("OnlyZero"), QStringLiteral("x")),
                 QString());
        QCOMPARE(QueryValue(key, QStringLiteral("Expand"), &type), Success);
        QCOMPARE(type, RegExpandSz);

        // A value read as the wrong type is refused, not reinterpreted.
        std::uint32_t number = 7;
        QCOMPARE(QueryString(key, QStringLiteral("Raw"), &text), ErrorUnsupportedType);
        QCOMPARE(QueryDword(key, QStringLiteral("Expand"), &number), ErrorUnsupportedType);
        QCOMPARE(QueryDword(key, QStringLiteral("Short"), &number), ErrorUnsupportedType);
        QCOMPARE(number, 7u);

        // A missing value leaves the out values alone.
        type = 99;
        QCOMPARE(QueryValue(key, QStringLiteral("Missing"), &type, &data), ErrorFileNotFound);
        QCOMPARE(type, 99u);
        CloseKey(key);
    }

    void namesIgnoreCaseAndKeepIt()
    {
        const HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("DBPath"), QStringLiteral("one")), Success);
        QCOMPARE(SetString(key, QStringLiteral("dbpath"), QStringLiteral("two")), Success);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, QStringLiteral("SOFTWARE\\halvorix\\VIDSORA"), QStringLiteral("DBPATH")),
                 QStringLiteral("two"));
        QVERIFY(FileBytes(QStringLiteral("Vidsora.conf")).contains("\nDBPath="));
        QVERIFY(!FileBytes(QStringLiteral("Vidsora.conf")).contains("dbpath"));
        CloseKey(key);
    }

    void defaultValueIsNotANamedOne()
    {
        const HKEY key = ProgramKey();
        QCOMPARE(SetString(key, {}, QStringLiteral("default")), Success);
        QCOMPARE(SetString(key, QStringLiteral("@"), QStringLiteral("at")), Success);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, {}), QStringLiteral("default"));
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("@")), QStringLiteral("at"));
        CloseKey(key);
    }

    void keysAreCreatedOpenedAndDeleted()
    {
        HKEY key = 0;
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), ErrorFileNotFound);
        QVERIFY(!QFile::exists(FilePath(QStringLiteral("Vidsora.conf")))); // reading creates nothing

        bool created = false;
        QCOMPARE(CreateKey(HKEY_CURRENT_USER, kProgramKey + QStringLiteral("\\A\\B"), KeyAllAccess, &key, &created),
                 Success);
        QVERIFY(created);
        CloseKey(key);
        QCOMPARE(CreateKey(HKEY_CURRENT_USER, kProgramKey + QStringLiteral("\\a\\b"), KeyAllAccess, &key, &created),
                 Success);
        QVERIFY(!created);
        CloseKey(key);

        // Parents were created along; a key opened relative to an open key reaches the same key.
        HKEY program = 0;
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &program), Success);
        QCOMPARE(OpenKey(program, QStringLiteral("A"), KeyAllAccess, &key), Success);
        QCOMPARE(SetString(key, QStringLiteral("V"), QStringLiteral("in A")), Success);
        CloseKey(key);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey + QStringLiteral("\\A"), QStringLiteral("V")),
                 QStringLiteral("in A"));

        // A sibling whose name sorts between "A" and "A\B" survives the deletion of A's tree.
        QCOMPARE(CreateKey(program, QStringLiteral("A-x"), KeyAllAccess, &key), Success);
        CloseKey(key);
        QCOMPARE(CreateKey(program, QStringLiteral("A0"), KeyAllAccess, &key), Success);
        CloseKey(key);
        QCOMPARE(DeleteTree(program, QStringLiteral("a")), Success);
        QCOMPARE(OpenKey(program, QStringLiteral("A"), KeyRead, &key), ErrorFileNotFound);
        QCOMPARE(OpenKey(program, QStringLiteral("A\\B"), KeyRead, &key), ErrorFileNotFound);
        QCOMPARE(OpenKey(program, QStringLiteral("A-x"), KeyRead, &key), Success);
        CloseKey(key);
        QCOMPARE(OpenKey(program, QStringLiteral("A0"), KeyRead, &key), Success);
        CloseKey(key);
        QCOMPARE(DeleteTree(program, QStringLiteral("A")), ErrorFileNotFound);
        QCOMPARE(DeleteTree(program, QString()), ErrorInvalidParameter);

        QCOMPARE(SetString(program, QStringLiteral("Gone"), QStringLiteral("x")), Success);
        QCOMPARE(DeleteValue(program, QStringLiteral("GONE")), Success);
        QCOMPARE(QueryValue(program, QStringLiteral("Gone"), nullptr), ErrorFileNotFound);
        QCOMPARE(DeleteValue(program, QStringLiteral("Gone")), ErrorFileNotFound);
        CloseKey(program);
    }

    void deletedKeyIsNotRevived()
    {
        HKEY key = 0;
        QCOMPARE(CreateKey(HKEY_CLASSES_ROOT, QStringLiteral("Test.Class\\Sub"), KeyAllAccess, &key), Success);
        QCOMPARE(DeleteTree(HKEY_CLASSES_ROOT, QStringLiteral("Test.Class")), Success);
        QCOMPARE(SetString(key, QStringLiteral("V"), QStringLiteral("x")), ErrorKeyDeleted);
        QCOMPARE(QueryValue(key, QStringLiteral("V"), nullptr), ErrorKeyDeleted);
        CloseKey(key);
        QCOMPARE(OpenKey(HKEY_CLASSES_ROOT, QStringLiteral("Test.Class"), KeyRead, &key), ErrorFileNotFound);
    }

    void handlesAndRights()
    {
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("V"), QStringLiteral("x")), Success);
        CloseKey(key);

        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeyQueryValue, &key), Success);
        QCOMPARE(SetString(key, QStringLiteral("V"), QStringLiteral("y")), ErrorAccessDenied);
        QCOMPARE(DeleteValue(key, QStringLiteral("V")), ErrorAccessDenied);
        CloseKey(key);
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeySetValue, &key), Success);
        QCOMPARE(QueryValue(key, QStringLiteral("V"), nullptr), ErrorAccessDenied);
        QCOMPARE(CloseKey(key), Success);

        // A closed or made-up handle is refused everywhere.
        QCOMPARE(CloseKey(key), ErrorInvalidHandle);
        QCOMPARE(SetString(key, QStringLiteral("V"), QStringLiteral("y")), ErrorInvalidHandle);
        QCOMPARE(QueryValue(HKEY(12345), QStringLiteral("V"), nullptr), ErrorInvalidHandle);
        HKEY other = 0;
        QCOMPARE(OpenKey(key, QStringLiteral("Sub"), KeyRead, &other), ErrorInvalidHandle);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("V")), QStringLiteral("x"));
    }

    void onlyTheProgramKeyOfTheUserHive()
    {
        HKEY key = 0;
        QCOMPARE(CreateKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Other"), KeyAllAccess, &key),
                 ErrorAccessDenied);
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Other"), KeyRead, &key), ErrorFileNotFound);
        // The keys above the program key lead to it but hold nothing.
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, QStringLiteral("Software\\Halvorix"), KeyAllAccess, &key), Success);
        QCOMPARE(SetString(key, QStringLiteral("V"), QStringLiteral("x")), ErrorAccessDenied);
        HKEY program = 0;
        QCOMPARE(CreateKey(key, QStringLiteral("Vidsora"), KeyAllAccess, &program), Success);
        QCOMPARE(SetString(program, QStringLiteral("V"), QStringLiteral("x")), Success);
        CloseKey(program);
        CloseKey(key);
        QCOMPARE(QDir(Folder()).entryList(QDir::Files),
                 QStringList({QStringLiteral("Vidsora.conf"), QStringLiteral("Vidsora.conf.lock")}));
    }

    void hiveFromItsNumber_data()
    {
        QTest::addColumn<qint64>("number");
        QTest::newRow("signed text") << QStringLiteral("-2147483647").toLongLong();
        QTest::newRow("32-bit unsigned") << qint64(0x80000001u);
    }
    void hiveFromItsNumber()
    {
        QFETCH(qint64, number);
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("User"), QStringLiteral("me")), Success);
        CloseKey(key);
        QCOMPARE(ReadString(HKEY(std::intptr_t(number)), kProgramKey, QStringLiteral("User")), QStringLiteral("me"));
    }

    void hivesHaveTheirOwnFiles()
    {
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("User"), QStringLiteral("me")), Success);
        CloseKey(key);
        QCOMPARE(CreateKey(HKEY_CLASSES_ROOT, QStringLiteral("Test.Class"), KeyAllAccess, &key), Success);
        QCOMPARE(SetString(key, {}, QStringLiteral("Test Class")), Success);
        CloseKey(key);
        QVERIFY(FileBytes(QStringLiteral("Vidsora.conf")).contains("User="));
        QVERIFY(!FileBytes(QStringLiteral("Vidsora.conf")).contains("Test"));
        QVERIFY(FileBytes(QStringLiteral("Classes.conf")).contains("[Test.Class]"));
        // The same path in the other hive is another key.
        QCOMPARE(OpenKey(HKEY_CLASSES_ROOT, kProgramKey, KeyRead, &key), ErrorFileNotFound);
    }

    void filesArePrivate()
    {
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("Password"), QStringLiteral("secret")), Success);
        QCOMPARE(SetString(key, QStringLiteral("Password"), QStringLiteral("changed")), Success);
        CloseKey(key);
        QCOMPARE(CreateKey(HKEY_CLASSES_ROOT, QStringLiteral("Test.Class"), KeyAllAccess, &key), Success);
        CloseKey(key);
        const auto privateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        for (const QString& name : {QStringLiteral("Vidsora.conf"), QStringLiteral("Classes.conf"),
                                    QStringLiteral("Vidsora.conf.lock"), QStringLiteral("Classes.conf.lock")}) {
            QFileInfo info(FilePath(name));
            QVERIFY2(info.exists(), qPrintable(name));
            QCOMPARE(info.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), privateFile);
        }
        QFileInfo folder(Folder());
        QCOMPARE(folder.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeOther),
                 QFileDevice::Permissions());
        // Nothing but the two files and their locks: no temporary left behind by the atomic writes.
        QCOMPARE(QDir(Folder()).entryList(QDir::Files | QDir::Hidden).size(), 4);
    }

    void badFilesReadEmptyAndStayUntouched_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("line"); // the first line not understood; 0: past the first one
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x00\x00\xff\xfe",
                                              10)
                                << qsizetype(1);
        QTest::newRow("not ours") << QByteArray("[General]\nDBPath=/home/x\n") << qsizetype(1);
        QTest::newRow("header, then garbage")
            << QByteArray("; Vidsora registry file 1\n[Software\\Halvorix\\Vidsora]\nthis is no value\n")
            << qsizetype(3);
        QTest::newRow("bad escape") << QByteArray("; Vidsora registry file 1\n[Software\\Halvorix\\Vidsora]\nA=1:%G0\n")
                                    << qsizetype(3);
        QTest::newRow("key of another program")
            << QByteArray("; Vidsora registry file 1\n[Software\\Other]\nA=1:x%00\n") << qsizetype(2);
        QTest::newRow("control character")
            << QByteArray("; Vidsora registry file 1\n[Software\\Halvorix\\Vidsora]\nA=x\x01y\n") << qsizetype(3);
        QTest::newRow("name missing") << QByteArray("[Software\\Halvorix\\Vidsora]\n=/home/me\n") << qsizetype(2);
        QTest::newRow("unclosed section")
            << QByteArray("; Vidsora registry file 1\n[Software\\Halvorix\\Vidsora\n") << qsizetype(2);
        QTest::newRow("empty name deep in a section")
            << QByteArray("[Software\\Halvorix\\Vidsora\\a\\a\\\\a]\n") << qsizetype(1);
        // A byte-order mark alone decodes to no name at all: it would be written back as an empty one.
        QTest::newRow("name of a byte-order mark alone")
            << QByteArray("[Software\\Halvorix\\Vidsora\\a\\\xEF\xBB\xBF\\a]\n") << qsizetype(1);
        // More keys and values than a settings file holds: refused at the line that passes the limit.
        QByteArray many = "[Software\\Halvorix\\Vidsora]\n";
        for (int i = 0; i < 500000; ++i) {
            many += 'v' + QByteArray::number(i) + "=1\n";
        }
        QTest::newRow("too many values") << many << qsizetype(0);
    }
    void badFilesReadEmptyAndStayUntouched()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, line);
        WriteBytes(QStringLiteral("Vidsora.conf"), bytes);
        qsizetype damagedLine = 0;
        QCOMPARE(ProgramFileState(&damagedLine), FileState::Damaged);
        if (line > 0) {
            QCOMPARE(damagedLine, line);
        } else {
            QVERIFY(damagedLine > 1);
        }
        HKEY key = 0;
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), ErrorFileNotFound);
        QCOMPARE(CreateKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), ErrorRegistryCorrupt);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("DBPath"), QStringLiteral("default")),
                 QStringLiteral("default"));
        QCOMPARE(FileBytes(QStringLiteral("Vidsora.conf")), bytes);
        // The other hive is not affected.
        QCOMPARE(CreateKey(HKEY_CLASSES_ROOT, QStringLiteral("Test.Class"), KeyAllAccess, &key), Success);
        CloseKey(key);
    }

    void keyOpenedBeforeTheFileWasDamaged()
    {
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("A"), QStringLiteral("x")), Success);
        const QByteArray damaged = FileBytes(QStringLiteral("Vidsora.conf")).replace("A=1:", "A=1:%Z");
        WriteBytes(QStringLiteral("Vidsora.conf"), damaged);
        QCOMPARE(SetString(key, QStringLiteral("B"), QStringLiteral("y")), ErrorKeyDeleted);
        QCOMPARE(FileBytes(QStringLiteral("Vidsora.conf")), damaged);
        CloseKey(key);
    }

    void handWrittenFileIsRead()
    {
        // Comments, blank lines, CR LF line ends and a key whose parents are not listed.
        WriteBytes(QStringLiteral("Classes.conf"), "; Vidsora registry file 1\r\n\r\n# note\r\n[A\\B\\C]\r\n"
                                                   "@=1:deep%00\r\nName%20With%20Blanks=4:%01%00%00%00\r\n");
        HKEY key = 0;
        QCOMPARE(OpenKey(HKEY_CLASSES_ROOT, QStringLiteral("A\\B"), KeyRead, &key), Success);
        CloseKey(key);
        QCOMPARE(ReadString(HKEY_CLASSES_ROOT, QStringLiteral("A\\B\\C"), {}), QStringLiteral("deep"));
        QCOMPARE(OpenKey(HKEY_CLASSES_ROOT, QStringLiteral("A\\B\\C"), KeyRead, &key), Success);
        std::uint32_t number = 0;
        QCOMPARE(QueryDword(key, QStringLiteral("Name With Blanks"), &number), Success);
        QCOMPARE(number, 1u);
        CloseKey(key);
    }

    void settingsWrittenByHand_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("dbPath");
        QTest::newRow("one plain line") << QByteArray("DBPath=/home/me/Movies\n") << QStringLiteral("/home/me/Movies");
        QTest::newRow("blanks and quotes")
            << QByteArray("  DBPath =  \"/home/me/My Movies\"  \r\n") << QStringLiteral("/home/me/My Movies");
        QTest::newRow("UTF-8 path under the section")
            << QByteArray("[Software\\Halvorix\\Vidsora]\nUser=jo\nDBPath=/home/j\xC3\xB6/Filme \xE2\x82\xAC\n")
            << QStringLiteral("/home/j\u00F6/Filme \u20AC");
        QTest::newRow("byte-order mark, comment")
            << QByteArray("\xEF\xBB\xBF# mine\ndbpath=/srv/films\n") << QStringLiteral("/srv/films");
        QTest::newRow("plain line in a written file")
            << QByteArray("; Vidsora registry file 1\n\n[Software\\Halvorix\\Vidsora]\nUser=1:jo%00\nDBPath=C:/x\n")
            << QStringLiteral("C:/x");
        QTest::newRow("written form") << QByteArray("; Vidsora registry file 1\n[Software\\Halvorix\\Vidsora]\n"
                                                    "DBPath=1:/home/me/%C3%A9%00\n")
                                      << QStringLiteral("/home/me/\u00E9");
        QTest::newRow("escapes the writer does not make")
            << QByteArray("[Software\\Halvorix\\Vidsora]\nDBPath=1:%2fsrv%2Ffilms%00\n")
            << QStringLiteral("/srv/films");
        QTest::newRow("a number of 23 digits")
            << QByteArray("[Software\\Halvorix\\Vidsora]\nDBPath=4:99999999999999999999999\n") << QString();
    }
    void settingsWrittenByHand()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, dbPath);
        WriteBytes(QStringLiteral("Vidsora.conf"), bytes);
        QCOMPARE(ProgramFileState(), FileState::Ok);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("DBPath")), dbPath);
        // A change keeps what was typed.
        HKEY key = ProgramKey();
        QVERIFY(key != 0);
        QCOMPARE(SetString(key, QStringLiteral("Password"), QStringLiteral("p")), Success);
        CloseKey(key);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("DBPath")), dbPath);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("Password")), QStringLiteral("p"));
        // Every value line that was not changed is written back as it stood, byte for byte.
        const QByteArray after = FileBytes(QStringLiteral("Vidsora.conf"));
        for (QByteArray line : bytes.split('\n')) {
            line.replace("\xEF\xBB\xBF", "").replace("\r", "");
            const QByteArray text = line.trimmed();
            if (!text.isEmpty() && !text.startsWith(';') && !text.startsWith('#') && !text.startsWith('[')) {
                QVERIFY2(after.contains('\n' + line + '\n'), line.constData());
            }
        }
    }

    void deepKeyIsReadAndWritten()
    {
        // 8 KB naming a key 4,000 names deep: it was read in seconds and hundreds of megabytes, every time.
        QString deepKey;
        const QByteArray bytes = DeepFile(3997, &deepKey);
        WriteBytes(QStringLiteral("Vidsora.conf"), bytes);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(ReadString(HKEY_CURRENT_USER, deepKey, QStringLiteral("Deep")), QStringLiteral("x"));
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("DBPath")), QStringLiteral("/home/me"));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        HKEY key = 0;
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, deepKey.chopped(20), KeyRead, &key), Success); // a parent of it exists
        CloseKey(key);

        // A change to it writes every key of its path, each once, and keeps the lines it did not change.
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, deepKey, KeyAllAccess, &key), Success);
        QCOMPARE(SetString(key, QStringLiteral("New"), QStringLiteral("y")), Success);
        CloseKey(key);
        const QByteArray written = FileBytes(QStringLiteral("Vidsora.conf"));
        QVERIFY(
            written.startsWith("; Vidsora registry file 1\n\n[Software\\Halvorix\\Vidsora]\nDBPath=1:/home/me%00\n"));
        QCOMPARE(written.count("\n["), 3997 + 1);
        QVERIFY(written.endsWith('[' + deepKey.toUtf8() + "]\nDeep=1:x%00\nNew=1:y%00\n"));
        QCOMPARE(ProgramFileState(), FileState::Ok);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, deepKey, QStringLiteral("New")), QStringLiteral("y"));
    }

    void changeThatWouldOutgrowTheFileIsRefused()
    {
        // Every key of a path is written with its whole path: a key 6,000 names deep makes a file of some 36 MB,
        // which could never be read back. The change is refused and the file stays as it was, readable.
        QString deepKey;
        const QByteArray bytes = DeepFile(6000, &deepKey);
        WriteBytes(QStringLiteral("Vidsora.conf"), bytes);
        HKEY key = ProgramKey();
        QVERIFY(key != 0);
        QCOMPARE(SetString(key, QStringLiteral("User"), QStringLiteral("jo")), ErrorWriteFault);
        CloseKey(key);
        QCOMPARE(FileBytes(QStringLiteral("Vidsora.conf")), bytes);
        QCOMPARE(ProgramFileState(), FileState::Ok);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, deepKey, QStringLiteral("Deep")), QStringLiteral("x"));
    }

    void fileNearTheSizeLimitIsReadAndChanged()
    {
        QByteArray bytes = "; Vidsora registry file 1\n\n[Software\\Halvorix\\Vidsora]\nDBPath=1:/home/me%00\n";
        for (int k = 0; bytes.size() < 16 * 1024 * 1024 - 4096; ++k) {
            bytes += "\n[Software\\Halvorix\\Vidsora\\K" + QByteArray::number(k).rightJustified(6, '0') + "]\n";
            for (int v = 0; v < 20; ++v) {
                bytes += char('a' + v) + QByteArray("=1:/home/me/Movies/") + QByteArray::number(k) + "/covers%00\n";
            }
        }
        WriteBytes(QStringLiteral("Vidsora.conf"), bytes);
        QCOMPARE(ProgramFileState(), FileState::Ok);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey + QStringLiteral("\\K000077"), QStringLiteral("T")),
                 QStringLiteral("/home/me/Movies/77/covers"));
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("DBPath"), QStringLiteral("/srv")), Success);
        CloseKey(key);
        // Written in the order it was read, so only the changed line differs.
        QCOMPARE(FileBytes(QStringLiteral("Vidsora.conf")),
                 QByteArray(bytes).replace("DBPath=1:/home/me%00", "DBPath=1:/srv%00"));
    }

    void changesOfAnotherWriterAreSeen_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("rewritten in place") << true;
        QTest::newRow("replaced") << false;
    }
    void changesOfAnotherWriterAreSeen()
    {
        // The same size, at once after a read: inode, size and times may all match the file read before.
        QFETCH(bool, inPlace);
        QVERIFY(QDir().mkpath(Folder()));
        for (int round = 0; round < 20; ++round) {
            const QByteArray value = QByteArray::number(round % 10);
            const QByteArray bytes = "[Software\\Halvorix\\Vidsora]\nDBPath=/m" + value + "\n";
            if (inPlace) {
                WriteBytes(QStringLiteral("Vidsora.conf"), bytes);
            } else {
                QVERIFY(SafeFile::Write(FilePath(QStringLiteral("Vidsora.conf")), bytes));
            }
            QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("DBPath")), "/m" + value);
        }
    }

    void fileStateIsTold()
    {
        QCOMPARE(ProgramFile(), FilePath(QStringLiteral("Vidsora.conf")));
        QCOMPARE(ProgramFileState(), FileState::Missing);
        WriteBytes(QStringLiteral("Vidsora.conf"), "[Software\\Halvorix\\Vidsora\n");
        QCOMPARE(ProgramFileState(), FileState::Damaged);
        // A folder, or a pipe, under the file's name cannot be read at all; the pipe must not block the read.
        QFile::remove(FilePath(QStringLiteral("Vidsora.conf")));
        QVERIFY(QDir().mkdir(FilePath(QStringLiteral("Vidsora.conf"))));
        QCOMPARE(ProgramFileState(), FileState::Unreadable);
        QVERIFY(QDir().rmdir(FilePath(QStringLiteral("Vidsora.conf"))));
        QCOMPARE(::mkfifo(QFile::encodeName(FilePath(QStringLiteral("Vidsora.conf"))).constData(), 0600), 0);
        QCOMPARE(ProgramFileState(), FileState::Unreadable);
        HKEY key = 0;
        QCOMPARE(CreateKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), ErrorRegistryCorrupt);
        QVERIFY(QFileInfo(FilePath(QStringLiteral("Vidsora.conf"))).isFile() == false);
        QFile::remove(FilePath(QStringLiteral("Vidsora.conf")));
    }

    void unreadableFileIsNeverOverwritten()
    {
        // Larger than any settings file: unreadable as a whole, so no write may replace it.
        HKEY key = ProgramKey();
        CloseKey(key);
        QByteArray big = FileBytes(QStringLiteral("Vidsora.conf"));
        big.append(QByteArray(17 * 1024 * 1024, '#'));
        WriteBytes(QStringLiteral("Vidsora.conf"), big);
        QCOMPARE(ProgramFileState(), FileState::Unreadable);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("DBPath"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(CreateKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), ErrorRegistryCorrupt);
        QCOMPARE(FileBytes(QStringLiteral("Vidsora.conf")), big);
    }

    void failedWritesKeepTheFile_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("budget");
        QTest::newRow("disk full at once") << -1 << 0;
        QTest::newRow("disk full midway") << -1 << 20;
        QTest::newRow("create") << int(SafeFile::Faults::Create) << -1;
        QTest::newRow("sync") << int(SafeFile::Faults::Sync) << -1;
        QTest::newRow("close") << int(SafeFile::Faults::Close) << -1;
        QTest::newRow("rename") << int(SafeFile::Faults::Rename) << -1;
    }
    void failedWritesKeepTheFile()
    {
        QFETCH(int, op);
        QFETCH(int, budget);
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("DBPath"), QStringLiteral("/home/me/Movies")), Success);
        QCOMPARE(SetString(key, QStringLiteral("User"), QStringLiteral("jo")), Success);
        const QByteArray before = FileBytes(QStringLiteral("Vidsora.conf"));
        SafeFile::Faults::Reset();
        if (op >= 0) {
            SafeFile::Faults::FailNth(SafeFile::Faults::Op(op), 1);
        }
        SafeFile::Faults::SetByteBudget(budget);
        QCOMPARE(SetString(key, QStringLiteral("User"), QStringLiteral("someone else entirely")), ErrorWriteFault);
        SafeFile::Faults::Reset();
        CloseKey(key);
        QCOMPARE(FileBytes(QStringLiteral("Vidsora.conf")), before);
        QCOMPARE(QDir(Folder()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tmp")), QStringList());
    }

    void strayTemporaryFilesAreRemoved()
    {
        HKEY key = ProgramKey();
        WriteBytes(QStringLiteral(".Vidsora.conf.1f2e3d.tmp"), "half a settings fi");
        WriteBytes(QStringLiteral(".Classes.conf.77.tmp"), "another file's write");
        WriteBytes(QStringLiteral("Vidsora.conf.bak"), "the user's own copy");
        QCOMPARE(SetString(key, QStringLiteral("User"), QStringLiteral("jo")), Success);
        CloseKey(key);
        const QStringList left = QDir(Folder()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(!left.contains(QStringLiteral(".Vidsora.conf.1f2e3d.tmp")));
        QVERIFY(left.contains(QStringLiteral(".Classes.conf.77.tmp")));
        QVERIFY(left.contains(QStringLiteral("Vidsora.conf.bak")));
    }

    void defaultFoldersFollowTheEnvironment()
    {
        const QByteArray old = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", "/data/x");
        QCOMPARE(DefaultDBPath(), QStringLiteral("/data/x/Halvorix/Vidsora/Database33"));
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(DataFolder(), QDir::homePath() + QStringLiteral("/.local/share/Halvorix/Vidsora"));
        // Nor does the default collection move with the folder the program starts in.
        qputenv("XDG_DATA_HOME", "data/x");
        QCOMPARE(DefaultDBPath(), QDir::homePath() + QStringLiteral("/.local/share/Halvorix/Vidsora/Database33"));
        qputenv("XDG_DATA_HOME", old);
    }

    void unreadableFileIsNotReplaced()
    {
        if (::geteuid() == 0) {
            QSKIP("file permissions do not bind root");
        }
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("A"), QStringLiteral("x")), Success);
        CloseKey(key);
        const QByteArray before = FileBytes(QStringLiteral("Vidsora.conf"));
        QFile::setPermissions(FilePath(QStringLiteral("Vidsora.conf")), QFileDevice::WriteOwner);
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("A"), QStringLiteral("none")),
                 QStringLiteral("none"));
        QCOMPARE(CreateKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), ErrorRegistryCorrupt);
        QFile::setPermissions(FilePath(QStringLiteral("Vidsora.conf")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(FileBytes(QStringLiteral("Vidsora.conf")), before);
    }

    void failedWriteKeepsTheOldFile()
    {
        if (::geteuid() == 0) {
            QSKIP("folder permissions do not bind root");
        }
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("A"), QStringLiteral("x")), Success);
        const QByteArray before = FileBytes(QStringLiteral("Vidsora.conf"));
        QFile::setPermissions(Folder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QCOMPARE(SetString(key, QStringLiteral("A"), QStringLiteral("changed")), ErrorWriteFault);
        QFile::setPermissions(Folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(FileBytes(QStringLiteral("Vidsora.conf")), before);
        CloseKey(key);
    }

    void folderThatIsAFileRefusesWrites()
    {
        // Works as root too: nothing can be written below a plain file.
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        QDir().mkpath(QFile::decodeName(config));
        QFile blocker(Folder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("x");
        blocker.close();
        HKEY key = 0;
        QCOMPARE(CreateKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), ErrorWriteFault);
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), ErrorFileNotFound);
    }

    void settingsCrossProcesses()
    {
        if (IsChild()) {
            QSKIP("parent only");
        }
        HKEY key = ProgramKey();
        QCOMPARE(SetString(key, QStringLiteral("FromParent"), QStringLiteral("parent \u00E9")), Success);
        QCOMPARE(SetDword(key, QStringLiteral("ParentNumber"), 4242u), Success);
        QVERIFY(ChildSucceeded(StartChild(QStringLiteral("childReadsAndWrites"), QStringLiteral("Child"))));
        // What the child wrote is seen here at once, through the key this process already had open.
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("FromChild")),
                 QStringLiteral("child \u00E9"));
        std::uint32_t number = 0;
        QCOMPARE(QueryDword(key, QStringLiteral("ChildNumber"), &number), Success);
        QCOMPARE(number, 0xFFFFFFFEu);
        CloseKey(key);
    }

    void concurrentWritersLoseNothing()
    {
        if (IsChild()) {
            QSKIP("parent only");
        }
        ProgramKey();
        QList<QProcess*> children;
        for (const QString& prefix : {QStringLiteral("P"), QStringLiteral("Q"), QStringLiteral("R")}) {
            children.append(StartChild(QStringLiteral("childWritesMany"), prefix));
        }
        for (QProcess* child : children) {
            QVERIFY(ChildSucceeded(child));
        }
        HKEY key = 0;
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeyRead, &key), Success);
        for (const QString& prefix : {QStringLiteral("P"), QStringLiteral("Q"), QStringLiteral("R")}) {
            for (int i = 0; i < 30; ++i) {
                std::uint32_t number = 0;
                QCOMPARE(QueryDword(key, prefix + QString::number(i), &number), Success);
                QCOMPARE(number, std::uint32_t(i));
            }
        }
        CloseKey(key);
    }

    // Run only as a child of settingsCrossProcesses.
    void childReadsAndWrites()
    {
        if (!IsChild()) {
            QSKIP("run by settingsCrossProcesses");
        }
        QCOMPARE(ReadString(HKEY_CURRENT_USER, kProgramKey, QStringLiteral("FromParent")),
                 QStringLiteral("parent \u00E9"));
        HKEY key = 0;
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), Success);
        std::uint32_t number = 0;
        QCOMPARE(QueryDword(key, QStringLiteral("ParentNumber"), &number), Success);
        QCOMPARE(number, 4242u);
        QCOMPARE(SetString(key, QStringLiteral("FromChild"), QStringLiteral("child \u00E9")), Success);
        QCOMPARE(SetDword(key, QStringLiteral("ChildNumber"), 0xFFFFFFFEu), Success);
        CloseKey(key);
    }

    // Run only as a child of concurrentWritersLoseNothing.
    void childWritesMany()
    {
        if (!IsChild()) {
            QSKIP("run by concurrentWritersLoseNothing");
        }
        const QString prefix = qEnvironmentVariable("VIDSORA_REGISTRY_CHILD");
        HKEY key = 0;
        QCOMPARE(OpenKey(HKEY_CURRENT_USER, kProgramKey, KeyAllAccess, &key), Success);
        for (int i = 0; i < 30; ++i) {
            QCOMPARE(SetDword(key, prefix + QString::number(i), std::uint32_t(i)), Success);
        }
        CloseKey(key);
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
