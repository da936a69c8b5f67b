// The exchange-file commands without their windows: the file they write, the import under another place, and the
// files the import must refuse with a word to the user.

#include "TransferWorld.h"

#include "transfer/UEFFile.h"
#include "transfer/mUEF.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>

using namespace TransferWorld;

namespace {

// The keys of the children of key, with each child's own children, as "B1[E1[M1,M2],M3]".
QString Shape(const QString& key)
{
    QString shape = key.left(1);
    const QStringList children = Collections::Children(key);
    if (!children.isEmpty()) {
        QStringList parts;
        for (const QString& child : children) {
            parts << Shape(child);
        }
        shape += u'[' + parts.join(u',') + u']';
    }
    return shape;
}

QStringList Names(const QString& key)
{
    QStringList names{Collections::ItemName(key)};
    for (const QString& child : Collections::Children(key)) {
        names << Names(child);
    }
    return names;
}

QList<QByteArray> Covers(const QString& key)
{
    QList<QByteArray> covers;
    const auto item = std::dynamic_pointer_cast<CCoveredItem>(Collections::Item(key));
    if (item) {
        covers << ReadBytes(item->Path() + u'/' + item->strFrontCover())
               << ReadBytes(item->Path() + u'/' + item->strBackCover());
    }
    for (const QString& child : Collections::Children(key)) {
        covers << Covers(child);
    }
    return covers;
}

} // namespace

class TestUEFFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(RegisterCodevet()); }

    void init() { NewWorld(QStringLiteral("store")); }

    void cleanup()
    {
        RemoveTempFolder();
        gTempFolder.clear();
    }

    void filter() { QCOMPARE(UEFFile::FileFilter(), QStringLiteral("UEF-files (*.UEF *.uef)")); }

    void boxRoundTripUnderAnotherCategory()
    {
        const QString from = TestWorld::AddCategory(QStringLiteral("From"));
        const QString to = TestWorld::AddCategory(QStringLiteral("To"));
        const QString box = AddFullBox(from, 2, 2);
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("box"));

        const QString text = UEFFile::ExportText(box);
        QVERIFY(text.startsWith(QStringLiteral("[BOX=")));
        QVERIFY(text.endsWith(QStringLiteral("]\r\n")));
        QVERIFY(UEFFile::WriteExport(path, text));
        // A name without an extension is used as typed.
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(ReadBytes(path), AnsiText::Encode(text));

        // Two imports give two independent copies under the other category.
        for (int copy = 1; copy <= 2; ++copy) {
            const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, to);
            QCOMPARE(outcome.added, 1);
            QCOMPARE(outcome.refused, 0);
            QCOMPARE(outcome.message, QString());
        }
        BuildChildLists();
        const QStringList copies = Collections::Children(to);
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies[0] != copies[1]);
        for (const QString& copy : copies) {
            QCOMPARE(Shape(copy), Shape(box));
            QCOMPARE(Names(copy), Names(box));
            QCOMPARE(Covers(copy), Covers(box));
            QVERIFY(!Covers(copy).contains(QByteArray()));
        }
        QCOMPARE(Collections::Children(from), QStringList{box});
    }

    void exportReplacesAFileWhole()
    {
        const QString movie = TestWorld::AddMovie(QStringLiteral("Short"), "!0", "DVD");
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("replace.UEF"));
        QVERIFY(AnsiText::WriteFileBytes(path, QByteArray(100000, 'x')));
        const QString text = UEFFile::ExportText(movie);
        QVERIFY(UEFFile::WriteExport(path, text));
        QCOMPARE(ReadBytes(path), AnsiText::Encode(text));
    }

    void failedExportIsReportedAndKeepsTheFile_data()
    {
        QTest::addColumn<QString>("relative");
        // A folder where the file should be: it cannot be replaced, and it stays.
        QTest::newRow("folder in the way") << "taken.UEF";
        // A path through a file: nothing can be created there.
        QTest::newRow("file as folder") << "plain/inside.UEF";
    }
    void failedExportIsReportedAndKeepsTheFile()
    {
        QFETCH(QString, relative);
        QTemporaryDir dir(TestWorld::ProgramDir().filePath(QStringLiteral("out-XXXXXX")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("taken.UEF/kept")));
        QVERIFY(AnsiText::WriteFileBytes(dir.filePath(QStringLiteral("plain")), "old"));
        const QString path = dir.filePath(relative);
        QString message;
        QVERIFY(!UEFFile::WriteExport(path, QStringLiteral("[MOVIE=]\r\n"), &message));
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("taken.UEF/kept"))).isDir());
        QCOMPARE(ReadBytes(dir.filePath(QStringLiteral("plain"))), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("refused");
        QTest::addColumn<QString>("says");

        const QByteArray good = "[MOVIE=[TITLE=Good][UPC=" + kCodeA.toLatin1() + "]]";
        const QByteArray bad = "[MOVIE=[TITLE=Bad][UPC=123]]";
        QTest::newRow("zero bytes") << QByteArray() << 0 << 0 << "No item could be imported from";
        QTest::newRow("foreign") << QByteArray("\x89PNG\r\n\x1a\n some picture") << 0 << 0
                                 << "No item could be imported from";
        QTest::newRow("cut off") << QByteArray("[MOVIE=[TITLE=Half") << 0 << 0 << "No item could be imported from";
        QTest::newRow("all refused") << bad + "[BOX=[NAME=Box][UPC=]]" << 0 << 2 << "2 items were left out";
        QTest::newRow("some refused") << good + bad << 1 << 1 << "1 item was left out";
        QTest::newRow("refused box inside a box")
            << "[BOX=[NAME=Outer][UPC=" + kCodeB.toLatin1() + "][CONTENTS=[BOX=[NAME=Inner][UPC=1]]]]" << 1 << 1
            << "1 item was left out";
        QTest::newRow("brackets only") << QByteArray(100000, '[') << 0 << 0 << "No item could be imported from";
    }
    void refusedFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, added);
        QFETCH(int, refused);
        QFETCH(QString, says);
        const QString path = TestWorld::ProgramDir().filePath(QStringLiteral("in.uef"));
        QVERIFY(AnsiText::WriteFileBytes(path, content));
        const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"));
        QCOMPARE(outcome.added, added);
        QCOMPARE(outcome.refused, refused);
        QVERIFY2(outcome.message.contains(says), qPrintable(outcome.message));
        if (added == 0) {
            QVERIFY(outcome.message.contains(QDir::toNativeSeparators(path)));
        }
        QCOMPARE(gMovies->Count() + gBoxes->Count(), added);
    }

    void filesThatAreNotRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "missing"
                                 << "could not be read";
        QTest::newRow("below a file") << "below a file"
                                      << "could not be read";
        QTest::newRow("name too long") << "long"
                                       << "could not be read";
        QTest::newRow("folder") << "folder"
                                << "not a regular file";
        QTest::newRow("pipe without writer") << "fifo"
                                             << "not a regular file";
        QTest::newRow("device") << "device"
                                << "not a regular file";
        QTest::newRow("too large") << "large"
                                   << "larger than 64 MB";
    }
    void filesThatAreNotRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        QTemporaryDir dir(TestWorld::ProgramDir().filePath(QStringLiteral("odd-XXXXXX")));
        QString path = dir.filePath(kind);
        if (kind == u"below a file") {
            QVERIFY(AnsiText::WriteFileBytes(dir.filePath(QStringLiteral("plain")), "[MOVIE=[TITLE=x]]"));
            path = dir.filePath(QStringLiteral("plain/in.uef"));
        } else if (kind == u"long") {
            path = dir.filePath(QString(300, u'n'));
        } else if (kind == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"device") {
            path = QStringLiteral("/dev/zero");
        } else if (kind == u"large") {
            // Sparse: the size is what counts.
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(UEFFile::kExchangeFileCap + 1));
        }
        QElapsedTimer clock;
        clock.start();
        const UEFFile::ImportOutcome outcome = UEFFile::ImportFile(path, QStringLiteral("!0"));
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(outcome.added, 0);
        QVERIFY2(outcome.message.startsWith(QStringLiteral("No item could be imported from")),
                 qPrintable(outcome.message));
        QVERIFY2(outcome.message.contains(says), qPrintable(outcome.message));
    }

    void countCheckedItems_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << "" << 0;
        QTest::newRow("top level") << "[MOVIE=x][media=y][ Box =z][CATEGORY=w]" << 3;
        QTest::newRow("contents of a medium are not checked") << "[MEDIA=[CONTENTS=[MOVIE=a][MOVIE=b]]]" << 1;
        QTest::newRow("boxes anywhere") << "[BOX=[CONTENTS=[MEDIA=[CONTENTS=[BOX=q]]][BOX=r]]]" << 3;
        QTest::newRow("last contents counts") << "[BOX=[CONTENTS=[BOX=a]][CONTENTS=[MOVIE=b]]]" << 1;
    }
    void countCheckedItems()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(CountCheckedItems(text), count);
    }
};

int main(int argc, char** argv)
{
    TransferWorld::SetUp();
    QCoreApplication app(argc, argv);
    TestUEFFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ueffile.moc"
