#include "AnsiText.h"
#include "Component.h"
#include "HTMLFuncs.h"
#include "SafeFile.h"
#include "TestPictures.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFCollection.h"
#include "UEFMedia.h"
#include "UEFMovie.h"
#include "UEFWriter.h"
#include "ViewerSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/types.h>

#include <set>

namespace {

// Top-level items are kept only with a product code that passes the check.
const QString kUPC = QStringLiteral("4006381333931");
const QString kUPCTag = QStringLiteral("[UPC=4006381333931]");

// Every byte value, so a cover proves that nothing is lost between the file and the cover file.
QString AllBytes(int repeat = 1)
{
    QByteArray bytes;
    for (int r = 0; r < repeat; ++r) {
        for (int i = 0; i < 256; ++i) {
            bytes.append(char(i));
        }
    }
    return AnsiText::Decode(bytes);
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::shared_ptr<UEFMovie> Movie(const QString& title, const QString& cover = QString(), const QString& ext = "jpg")
{
    auto movie = std::make_shared<UEFMovie>();
    movie->setStrTitle(title);
    movie->setStrUPC(kUPC);
    movie->setStrFrontCover(cover);
    movie->setStrFrontCoverExt(ext);
    return movie;
}

// Covers as the exchange text holds them: real pictures, one character per byte, each different for a salt.
QString Jpeg(int salt)
{
    return AnsiText::Decode(TestSupport::JpegPicture(salt));
}
QString Gif(int salt)
{
    return AnsiText::Decode(TestSupport::GifPicture(3 + salt, 2));
}

// The address a page uses for a cover file whose path holds no character that needs encoding.
QString Location(const QString& plainPath)
{
    return QStringLiteral("file://") + plainPath;
}

// Every text field of an item filled from its name: markup characters, line ends, colons (the cast's split), a
// character beyond ASCII and both kinds of website.
void FillFields(QObject& item, const QString& name, int number)
{
    const QMetaObject* meta = item.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const QString field = QString::fromLatin1(property.name());
        if (property.typeId() != QMetaType::QString || field.contains(QLatin1String("Cover")) ||
            field == QLatin1String("strUPC")) {
            continue;
        }
        property.write(
            &item, QStringLiteral("%1 %2 <b>&amp;\"\xe9\"\r\nrole %3: part\r\n\r\nlast").arg(name, field).arg(number));
    }
    Component::SetProperty(&item, "strWebsite",
                           number % 2 ? QStringLiteral("http://example.invalid/%1?a=1&b=<2>").arg(number)
                                      : QStringLiteral("javascript:alert(%1)").arg(number));
    Component::SetProperty(&item, "strMedia", number % 3 == 0 ? QStringLiteral("LaserDisc") : QStringLiteral("DVD"));
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestViewerSession : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_world;
    QString m_tmp;   // the temporary-files path the viewer sees
    QString m_files; // exchange files the tests write

    // Writes document as an exchange file the way the main program exports one.
    QString WriteExchangeFile(const QString& name, const UEF& document)
    {
        const QString path = QDir(m_files).filePath(name);
        if (!AnsiText::WriteFile(path, document.strUEF() + QStringLiteral("\r\n"))) {
            qWarning("could not write %s", qPrintable(path));
        }
        return path;
    }

    QString WriteText(const QString& name, const QString& text)
    {
        const QString path = QDir(m_files).filePath(name);
        if (!AnsiText::WriteFile(path, text)) {
            qWarning() << "cannot write" << path;
        }
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_world.isValid());
        m_tmp = m_world.filePath("tmp");
        m_files = m_world.filePath("files");
        QVERIFY(QDir().mkpath(m_tmp));
        QVERIFY(QDir().mkpath(m_files));
        QVERIFY(QDir().mkpath(m_world.filePath("config")));
        qputenv("TMPDIR", m_tmp.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_world.filePath("config").toLocal8Bit());
        QCOMPARE(QDir::cleanPath(QDir::tempPath()), QDir::cleanPath(m_tmp));
        // The parser reaches the product-code checker by its registration, as the program does.
        QCOMPARE(Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)), 0);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");
        QTest::newRow("none") << QStringList() << QString();
        QTest::newRow("plain") << QStringList{"/films/box.uef"} << "/films/box.uef";
        QTest::newRow("quoted") << QStringList{"\"/my films/box.uef\""} << "/my films/box.uef";
        QTest::newRow("split by the shell") << QStringList{"/my", "films/box.uef"} << "/my films/box.uef";
        QTest::newRow("quoted, split") << QStringList{"\"/my", "films/box.uef\""} << "/my films/box.uef";
        QTest::newRow("one quote") << QStringList{"\""} << QString();
        QTest::newRow("two quotes") << QStringList{"\"\""} << QString();
        QTest::newRow("opening quote only") << QStringList{"\"/a.uef"} << "\"/a.uef";
        QTest::newRow("closing quote only") << QStringList{"/a.uef\""} << "/a.uef\"";
        QTest::newRow("one pair only") << QStringList{"\"\"/a.uef\"\""} << "\"/a.uef\"";
        QTest::newRow("inner quotes stay") << QStringList{"\"a\"", "\"b\""} << "a\" \"b";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QCOMPARE(ViewerSession::CommandLinePath(ViewerSession::CommandLineText(arguments)), path);
    }

    void fileNamePart_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("full path") << "/home/me/films/box.uef"
                                   << "box.uef";
        QTest::newRow("no folder") << "box.uef"
                                   << "box.uef";
        QTest::newRow("blanks") << "/my films/a box.uef"
                                << "a box.uef";
        QTest::newRow("trailing slash") << "/films/"
                                        << "";
    }

    void fileNamePart()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(ViewerSession::FileNamePart(path), name);
    }

    // Two viewers started within the same second get folders of their own, each private and empty.
    void tempFolderIsExclusive()
    {
        std::set<QString> seen;
        std::vector<std::unique_ptr<ViewerSession>> sessions;
        for (int i = 0; i < 20; ++i) {
            auto session = std::make_unique<ViewerSession>();
            QVERIFY(session->InitTemp());
            const QString folder = session->tempFolder();
            QVERIFY2(seen.insert(folder).second, qPrintable(folder));
            const QFileInfo info(folder);
            QVERIFY(info.isDir());
            QCOMPARE(QDir::cleanPath(info.absolutePath()), QDir::cleanPath(m_tmp));
            QVERIFY(QRegularExpression("^VDS\\d{14}-").match(info.fileName()).hasMatch());
            QVERIFY(Entries(folder).isEmpty());
            QCOMPARE(
                int(info.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup)),
                0);
            sessions.push_back(std::move(session));
        }
        sessions.clear();
        QVERIFY(Entries(m_tmp).isEmpty());
    }

    // The temporary-files path is taken as TMPDIR names it; one that cannot hold a folder leaves the viewer without
    // a page and writes nothing anywhere else, least of all beside the program.
    void tempFolderWhereTmpdirPoints_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("usable");
        QTest::newRow("missing folder") << "missing" << false;
        QTest::newRow("a file") << "file" << false;
        QTest::newRow("below a file") << "below a file" << false;
        QTest::newRow("trailing slash") << "slash" << true;
        QTest::newRow("link to a folder, kept as named") << "link" << true;
    }

    void tempFolderWhereTmpdirPoints()
    {
        QFETCH(QString, kind);
        QFETCH(bool, usable);
        QTemporaryDir place(QDir(m_world.path()).filePath("tmpdir-XXXXXX"));
        QVERIFY(place.isValid());
        QString tmpdir;
        if (kind == "missing") {
            tmpdir = place.filePath("missing");
        } else if (kind == "file" || kind == "below a file") {
            QVERIFY(AnsiText::WriteFile(place.filePath("plain"), QStringLiteral("x")));
            tmpdir = place.filePath(kind == "file" ? "plain" : "plain/tmp");
        } else if (kind == "slash") {
            QVERIFY(QDir().mkpath(place.filePath("real")));
            tmpdir = place.filePath("real") + '/';
        } else if (kind == "link") {
            QVERIFY(QDir().mkpath(place.filePath("real")));
            QVERIFY(QFile::link(place.filePath("real"), place.filePath("link")));
            tmpdir = place.filePath("link");
        }
        const QString programFolder = QCoreApplication::applicationDirPath();
        const QStringList ownNames{"VidpeekTemp*", "VDS*"};
        const QStringList programBefore = QDir(programFolder).entryList(ownNames, QDir::AllEntries | QDir::Hidden);
        const QStringList placeBefore = Entries(place.path());

        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmpdir.toLocal8Bit());
        auto session = std::make_unique<ViewerSession>();
        const bool made = session->InitTemp();
        qputenv("TMPDIR", saved);

        QCOMPARE(made, usable);
        QCOMPARE(QDir(programFolder).entryList(ownNames, QDir::AllEntries | QDir::Hidden), programBefore);
        if (usable) {
            QCOMPARE(QFileInfo(session->tempFolder()).path(), QDir::cleanPath(tmpdir));
            QVERIFY(QFileInfo(session->tempFolder()).isDir());
            session.reset();
            QVERIFY(Entries(place.filePath("real")).isEmpty());
            return;
        }
        // The viewer's way of showing nothing: the file is read, but no cover or page is written.
        QVERIFY(session->tempFolder().isEmpty());
        QVERIFY(session->pagePath().isEmpty());
        UEF document;
        document.colUEF()->Add(Movie("Nowhere to show", Jpeg(0)));
        QVERIFY(session->OpenUEFFile(WriteExchangeFile("no-temp.uef", document)));
        QVERIFY(!session->WriteHtmlPage(session->document()));
        QVERIFY(session->writtenFiles().empty());
        QCOMPARE(QDir(programFolder).entryList(ownNames, QDir::AllEntries | QDir::Hidden), programBefore);
        QCOMPARE(Entries(place.path()), placeBefore);
    }

    void readWholeFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("readable");
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("empty") << "empty" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("pipe") << "pipe" << false;
        QTest::newRow("no permission") << "unreadable" << false;
        QTest::newRow("every byte") << "bytes" << true;
    }

    void readWholeFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, readable);
        const QString path = QDir(m_files).filePath("read-" + kind);
        QFile::remove(path);
        QDir(path).removeRecursively();
        if (kind == "empty") {
            QVERIFY(AnsiText::WriteFile(path, QString()));
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == "pipe") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "unreadable") {
            QVERIFY(AnsiText::WriteFile(path, QStringLiteral("[MOVIE=[TITLE=x]]")));
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
            QFile probe(path);
            if (probe.open(QIODevice::ReadOnly)) {
                QSKIP("running with rights that read any file");
            }
        } else if (kind == "bytes") {
            QVERIFY(AnsiText::WriteFile(path, AllBytes(3)));
        }
        const QString text = ViewerSession::ReadWholeFile(path);
        QCOMPARE(!text.isEmpty(), readable);
        if (readable) {
            QCOMPARE(AnsiText::Encode(text), FileBytes(path));
        }
    }

    void coverExt_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<bool>("safe");
        QTest::newRow("jpg") << "jpg" << true;
        QTest::newRow("upper case") << "JPG" << true;
        QTest::newRow("digits") << "jp2" << true;
        QTest::newRow("eight") << "abcdefgh" << true;
        QTest::newRow("nine") << "abcdefghi" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("with point") << ".jpg" << false;
        QTest::newRow("parent folder") << "/../../x" << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("blank") << "jp g" << false;
        QTest::newRow("NUL") << QString("jp") + QChar(0) << false;
        QTest::newRow("non-ASCII letter") << QString::fromUtf8("j\xc3\xa9g") << false;
        QTest::newRow("fullwidth digit") << QString::fromUtf8("\xef\xbc\x91") << false;
    }

    void coverExt()
    {
        QFETCH(QString, ext);
        QFETCH(bool, safe);
        QCOMPARE(ViewerSession::IsSafeCoverExt(ext), safe);
    }

    // A box of two movies: the movies' covers come first, then the box's front and back, all with one counter;
    // each cover file holds exactly the embedded bytes and the page shows it by that path.
    // Characters that end or escape a file address are encoded, so the page finds the cover whatever the folder.
    void coverLocationIsEncoded_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("location");
        QTest::newRow("plain") << "/tmp/VDS1/F0jpg"
                               << "file:///tmp/VDS1/F0jpg";
        QTest::newRow("hash") << "/tmp/a#b/F0jpg"
                              << "file:///tmp/a%23b/F0jpg";
        QTest::newRow("question mark") << "/tmp/a?b/F1png"
                                       << "file:///tmp/a%3Fb/F1png";
        QTest::newRow("percent") << "/tmp/100%25/F2gif"
                                 << "file:///tmp/100%2525/F2gif";
        QTest::newRow("blank and accent")
            << QStringLiteral("/tmp/my caf\u00e9/F3jpg") << "file:///tmp/my%20caf%C3%A9/F3jpg";
    }

    void coverLocationIsEncoded()
    {
        QFETCH(QString, path);
        QFETCH(QString, location);
        QCOMPARE(ViewerSession::CoverLocation(path), location);
        QCOMPARE(QUrl(location).toLocalFile(), path);
    }

    void opensExchangeFileWithCovers()
    {
        const QString front = Jpeg(2);
        const QString back = Gif(3);
        const QString png = AnsiText::Decode(TestSupport::PngPicture(5, 5, 7));
        UEF written;
        auto box = std::make_shared<UEFBox>();
        box->setStrName("The Harbour Trilogy");
        box->setStrUPC(kUPC);
        box->setStrFrontCover(front);
        box->setStrFrontCoverExt("jpg");
        box->setStrBackCover(back);
        box->setStrBackCoverExt("gif");
        box->colContents()->Add(Movie("First Tide", Jpeg(1)));
        box->colContents()->Add(Movie("Second Tide", png, "png"));
        written.colUEF()->Add(box);
        const QString file = WriteExchangeFile("trilogy.uef", written);

        ViewerSession session;
        QVERIFY(session.InitTemp());
        const QString dir = session.tempFolder();
        QVERIFY(session.OpenUEFFile(file));

        QCOMPARE(Entries(dir), (QStringList{"F0jpg", "F1png", "F2jpg", "F3gif", "UEF.html"}));
        QCOMPARE(FileBytes(dir + "/F0jpg"), TestSupport::JpegPicture(1));
        QCOMPARE(FileBytes(dir + "/F1png"), AnsiText::Encode(png));
        QCOMPARE(FileBytes(dir + "/F2jpg"), AnsiText::Encode(front));
        QCOMPARE(FileBytes(dir + "/F3gif"), AnsiText::Encode(back));
        QCOMPARE(session.coverCounter(), 4);

        const auto items = session.document()->colUEF();
        QCOMPARE(items->Count(), 1);
        auto* read = qobject_cast<UEFBox*>(items->Item(1).get());
        QVERIFY(read);
        QCOMPARE(read->strFrontCoverURL(), Location(dir + "/F2jpg"));
        QCOMPARE(read->strBackCoverURL(), Location(dir + "/F3gif"));
        QCOMPARE(qobject_cast<UEFMovie*>(read->colContents()->Item(2).get())->strFrontCoverURL(),
                 Location(dir + "/F1png"));

        const QString page = AnsiText::ReadFile(session.pagePath());
        QVERIFY(page.startsWith("<HTML><HEAD><style type=text/css><!--/* headersBlack - All headers */"));
        QVERIFY(page.contains("//--></style></HEAD><BODY BGCOLOR=FFFFFF><script language=\"javascript\">"));
        QVERIFY(page.endsWith("</BODY></HTML>"));
        QVERIFY(page.contains("The Harbour Trilogy"));
        QVERIFY(page.contains("Second Tide"));
        for (const QString name : {"F0jpg", "F1png", "F2jpg", "F3gif"}) {
            QVERIFY2(page.contains("<Img src=\"" + Location(dir + "/" + name) + "\""), qPrintable(name));
        }

        session.RemoveTempDir();
        QVERIFY(!QFileInfo::exists(dir));
    }

    // The page a file gives, byte for byte as the viewer has always written it: a box of media of movies with every
    // field filled, covers, a movie with nothing but its title, all beside each other at the top.
    void pageBytesUnchanged()
    {
        UEF written;
        int number = 0;
        auto box = std::make_shared<UEFBox>();
        FillFields(*box, "Box", ++number);
        box->setStrUPC(kUPC);
        box->setStrFrontCover("box-front");
        box->setStrBackCover("box-back");
        for (int m = 0; m < 2; ++m) {
            auto media = std::make_shared<UEFMedia>();
            FillFields(*media, "Disc", ++number);
            media->setStrUPC("012345678905");
            for (int v = 0; v < 2; ++v) {
                auto movie = Movie("Movie", v == 0 ? Jpeg(3) : QString());
                FillFields(*movie, "Movie", ++number);
                media->colContents()->Add(movie);
            }
            box->colContents()->Add(media);
        }
        written.colUEF()->Add(box);
        auto full = Movie("Full", Jpeg(4));
        FillFields(*full, "Full", ++number);
        full->setStrBackCover(Gif(5));
        full->setStrBackCoverExt("gif");
        written.colUEF()->Add(full);
        written.colUEF()->Add(Movie("Bare & <plain>"));
        const QString file = WriteExchangeFile("reference.uef", written);

        ViewerSession session;
        QVERIFY(session.InitTemp());
        HTMLFuncs::lngBlockID = 0;
        QVERIFY(session.OpenUEFFile(file));
        // The covers' folder is this run's own; the reference names it by a stand-in.
        QByteArray page = FileBytes(session.pagePath());
        page.replace(ViewerSession::CoverLocation(session.tempFolder()).toLatin1(), "@TEMP@");
        const QByteArray reference = FileBytes(QStringLiteral(REFERENCE_PAGE));
        QVERIFY(!reference.isEmpty());
        if (page != reference) {
            const QString actual = m_world.filePath("page-actual.html");
            QVERIFY(AnsiText::WriteFileBytes(actual, page));
            QFAIL(qPrintable("the page differs from the reference; it is in " + actual));
        }
        session.RemoveTempDir();
    }

    // The second file's covers replace the first's, and the numbering goes on where it stood.
    void secondOpenReplacesFiles()
    {
        UEF first;
        auto movie = Movie("One", Jpeg(6));
        movie->setStrBackCover(Jpeg(7));
        movie->setStrBackCoverExt("jpg");
        first.colUEF()->Add(movie);
        UEF second;
        second.colUEF()->Add(Movie("Two", Gif(8), "gif"));

        ViewerSession session;
        QVERIFY(session.InitTemp());
        const QString dir = session.tempFolder();
        QVERIFY(session.OpenUEFFile(WriteExchangeFile("first.uef", first)));
        QCOMPARE(Entries(dir), (QStringList{"F0jpg", "F1jpg", "UEF.html"}));
        const auto firstDocument = session.document();

        QVERIFY(session.OpenUEFFile(WriteExchangeFile("second.uef", second)));
        QCOMPARE(Entries(dir), (QStringList{"F2gif", "UEF.html"}));
        QVERIFY(session.document() != firstDocument);
        QVERIFY(AnsiText::ReadFile(session.pagePath()).contains(dir + "/F2gif"));
        QVERIFY(!AnsiText::ReadFile(session.pagePath()).contains(">One<"));
    }

    // Cover locations written into a file point anywhere; they are emptied at every level before covers are placed.
    void coverLocationsNeverComeFromTheFile()
    {
        UEF written;
        auto box = std::make_shared<UEFBox>();
        box->setStrName("Box");
        box->setStrUPC(kUPC);
        box->setStrFrontCoverURL("/etc/passwd");
        box->setStrBackCoverURL("http://example.invalid/track.gif");
        auto media = std::make_shared<UEFMedia>();
        media->setStrName("Disc");
        media->setStrFrontCoverURL("/home/someone/secret.jpg");
        auto inner = Movie("Inner");
        inner->setStrFrontCoverURL("file:///etc/shadow");
        inner->setStrBackCoverURL("../../outside.jpg");
        media->colContents()->Add(inner);
        // With cover data: the location is this viewer's file, not the one in the text.
        auto withCover = Movie("With cover", Jpeg(9));
        withCover->setStrFrontCoverURL("/etc/hosts");
        media->colContents()->Add(withCover);
        box->colContents()->Add(media);
        written.colUEF()->Add(box);
        const QString file = WriteExchangeFile("locations.uef", written);
        QVERIFY(AnsiText::ReadFile(file).contains("[FRONTCOVERURL=/etc/passwd]"));

        ViewerSession session;
        QVERIFY(session.InitTemp());
        QVERIFY(session.OpenUEFFile(file));
        auto* readBox = qobject_cast<UEFBox*>(session.document()->colUEF()->Item(1).get());
        QVERIFY(readBox);
        auto* readMedia = qobject_cast<UEFMedia*>(readBox->colContents()->Item(1).get());
        QVERIFY(readMedia);
        auto* readInner = qobject_cast<UEFMovie*>(readMedia->colContents()->Item(1).get());
        auto* readWith = qobject_cast<UEFMovie*>(readMedia->colContents()->Item(2).get());
        QVERIFY(readInner && readWith);
        for (QObject* item : std::initializer_list<QObject*>{readBox, readMedia, readInner}) {
            QCOMPARE(item->property("strFrontCoverURL").toString(), QString());
            QCOMPARE(item->property("strBackCoverURL").toString(), QString());
        }
        QCOMPARE(readWith->strFrontCoverURL(), Location(session.tempFolder() + "/F0jpg"));

        const QString page = AnsiText::ReadFile(session.pagePath());
        for (const char* leaked : {"passwd", "example.invalid", "secret", "shadow", "outside", "hosts"}) {
            QVERIFY2(!page.contains(QLatin1String(leaked)), leaked);
        }
    }

    // A cover's extension is taken only when it names the picture's format; any other, a path among them, gives way to
    // the format's own, so every cover file stays in the folder.
    void foreignCoverExtensionGivesWay_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::newRow("climbs out") << "/../../../escaped";
        QTest::newRow("sub folder") << "/sub/x";
        QTest::newRow("point") << ".jpg";
        QTest::newRow("too long") << "jpegjpegj";
        QTest::newRow("empty") << "";
        QTest::newRow("another kind") << "html";
    }

    void foreignCoverExtensionGivesWay()
    {
        QFETCH(QString, ext);
        UEF written;
        written.colUEF()->Add(Movie("Hostile", Jpeg(10), ext));
        written.colUEF()->Add(Movie("Fine", Jpeg(11), "JPEG"));
        const QString file = WriteExchangeFile("hostile-ext.uef", written);

        const QStringList before = Entries(m_world.path());
        ViewerSession session;
        QVERIFY(session.InitTemp());
        QVERIFY(session.OpenUEFFile(file));
        QCOMPARE(Entries(session.tempFolder()), (QStringList{"F0jpg", "F1JPEG", "UEF.html"}));
        QCOMPARE(FileBytes(session.tempFolder() + "/F0jpg"), TestSupport::JpegPicture(10));
        QCOMPARE(session.coverCounter(), 2);
        QCOMPARE(Entries(m_world.path()), before);
        QCOMPARE(Entries(m_tmp), QStringList{QFileInfo(session.tempFolder()).fileName()});
    }

    // Only a picture becomes a cover file the page loads: HTML, SVG, a picture header on HTML and a picture declaring
    // a huge size are left out, with no file, no location and no number used.
    void onlyPicturesBecomeCoverFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("ext");
        QTest::newRow("html") << QByteArray("<html><script>alert(1)</script></html>") << "html";
        QTest::newRow("svg") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" onload=\"alert(1)\"/>") << "svg";
        QTest::newRow("gif header on html") << QByteArray("GIF89a\x2F\x2A\x0A\x00<html></html>") << "html";
        QTest::newRow("declaring 60000x60000") << TestSupport::PngDeclaring(60000, 60000) << "png";
    }

    void onlyPicturesBecomeCoverFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, ext);
        UEF written;
        written.colUEF()->Add(Movie("Hostile", AnsiText::Decode(bytes), ext));
        written.colUEF()->Add(Movie("Fine", Jpeg(12), "jpg"));
        ViewerSession session;
        QVERIFY(session.InitTemp());
        QVERIFY(session.OpenUEFFile(WriteExchangeFile("not-pictures.uef", written)));
        QCOMPARE(Entries(session.tempFolder()), (QStringList{"F0jpg", "UEF.html"}));
        QCOMPARE(FileBytes(session.tempFolder() + "/F0jpg"), TestSupport::JpegPicture(12));
        QCOMPARE(session.coverCounter(), 1);
        QCOMPARE(session.document()->colUEF()->Item(1)->property("strFrontCoverURL").toString(), QString());
    }

    // Nothing is read or changed by a file that gives no text; text without items still makes a page.
    void unusableFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("opened");
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("empty") << "empty" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("empty path") << "" << false;
        QTest::newRow("not exchange text") << "prose" << true;
        QTest::newRow("binary") << "binary" << true;
        QTest::newRow("unclosed item") << "unclosed" << true;
    }

    void unusableFiles()
    {
        QFETCH(QString, kind);
        QFETCH(bool, opened);
        QString path;
        if (kind == "missing") {
            path = QDir(m_files).filePath("nowhere.uef");
        } else if (kind == "empty") {
            path = WriteText("empty.uef", QString());
        } else if (kind == "folder") {
            path = m_files;
        } else if (kind == "prose") {
            path = WriteText("prose.uef", "Dear reader,\r\nthis is a letter, not a catalogue.\r\n");
        } else if (kind == "binary") {
            path = WriteText("binary.uef", AllBytes(40));
        } else if (kind == "unclosed") {
            path = WriteText("unclosed.uef", "[MOVIE=\r\n" + kUPCTag + "[TITLE=Never ends\r\n[FRONTCOVER=abc");
        }

        ViewerSession session;
        QVERIFY(session.InitTemp());
        UEF previous;
        previous.colUEF()->Add(Movie("Shown before", Jpeg(13)));
        QVERIFY(session.OpenUEFFile(WriteExchangeFile("previous.uef", previous)));
        const auto before = session.document();
        const QString pageBefore = AnsiText::ReadFile(session.pagePath());

        QCOMPARE(session.OpenUEFFile(path), opened);
        if (!opened) {
            QCOMPARE(session.document(), before);
            QCOMPARE(AnsiText::ReadFile(session.pagePath()), pageBefore);
            QCOMPARE(Entries(session.tempFolder()), (QStringList{"F0jpg", "UEF.html"}));
            return;
        }
        QVERIFY(session.document() != before);
        QCOMPARE(Entries(session.tempFolder()), QStringList{"UEF.html"});
        const QString page = AnsiText::ReadFile(session.pagePath());
        QVERIFY(page.startsWith("<HTML><HEAD>"));
        QVERIFY(page.endsWith("</BODY></HTML>"));
        QVERIFY(!page.contains("Shown before"));
    }

    // Deep nesting, huge fields and many items open without harm.
    void hostileFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("covers");
        QString deep;
        for (int i = 0; i < 5000; ++i) {
            deep +=
                "[BOX=" + kUPCTag + "[FRONTCOVER=" + UEFWriter::EscapeText(Jpeg(i)) + "][FRONTCOVEREXT=jpg][CONTENTS=";
        }
        deep += "[MOVIE=[TITLE=bottom]]";
        for (int i = 0; i < 5000; ++i) {
            deep += "]]";
        }
        // Only the levels any file may carry are read, each with its cover.
        QTest::newRow("deep boxes") << deep << UEFCollection::MaxDepth + 1;
        QString deepMedia;
        for (int i = 0; i < 3000; ++i) {
            deepMedia += "[MEDIA=" + kUPCTag + "[CONTENTS=";
        }
        QTest::newRow("deep unclosed media") << deepMedia << 0;
        QTest::newRow("huge field") << "[MOVIE=" + kUPCTag + "[TITLE=" + QString(4 * 1024 * 1024, QChar('t')) + "]]"
                                    << 0;
        QTest::newRow("huge cover") << "[MOVIE=" + kUPCTag + "[FRONTCOVER=" +
                                           UEFWriter::EscapeText(AnsiText::Decode(TestSupport::BmpPicture(64, 80))) +
                                           "][FRONTCOVEREXT=jpg]]"
                                    << 1;
        QString many;
        for (int i = 0; i < 2000; ++i) {
            many += QStringLiteral("[MOVIE=[UPC=4006381333931][TITLE=m%1][FRONTCOVER=%2][FRONTCOVEREXT=gif]]\r\n")
                        .arg(i)
                        .arg(UEFWriter::EscapeText(Gif(i % 5)));
        }
        QTest::newRow("many items") << many << 2000;
        QTest::newRow("markup in fields")
            << "[MOVIE=" + kUPCTag + "[TITLE=<script>alert(1)</script>][FRONTCOVER=x][FRONTCOVEREXT=jpg\"><b]]" << 0;
    }

    void hostileFiles()
    {
        QFETCH(QString, text);
        QFETCH(int, covers);
        const QString path = WriteText("hostile.uef", text);
        ViewerSession session;
        QVERIFY(session.InitTemp());
        QVERIFY(session.OpenUEFFile(path));
        QCOMPARE(session.coverCounter(), covers);
        QCOMPARE(Entries(session.tempFolder()).size(), covers + 1);
        const QString page = AnsiText::ReadFile(session.pagePath());
        QVERIFY(page.endsWith("</BODY></HTML>"));
        QVERIFY(!page.contains("<script>alert"));
    }

    // A tree built in code may even hold itself: the walks still end.
    void selfHoldingTree()
    {
        ViewerSession session;
        QVERIFY(session.InitTemp());
        auto box = std::make_shared<UEFBox>();
        box->setStrFrontCover(Jpeg(14));
        box->setStrFrontCoverExt("jpg");
        box->setStrFrontCoverURL("/etc/passwd");
        box->colContents()->Add(box);
        UEFCollection items;
        items.Add(box);
        ViewerSession::ClearCoverLocations(items);
        QCOMPARE(box->strFrontCoverURL(), QString());
        session.ExtractCovers(items);
        QCOMPARE(session.coverCounter(), UEFCollection::MaxDepth + 1);
        box->colContents()->Remove(1); // break the cycle so the box can go
    }

    // Closing removes what this run wrote, and nothing else.
    void removesOnlyItsOwnFiles()
    {
        UEF written;
        written.colUEF()->Add(Movie("One", Jpeg(15)));
        auto session = std::make_unique<ViewerSession>();
        QVERIFY(session->InitTemp());
        const QString dir = session->tempFolder();
        QVERIFY(session->OpenUEFFile(WriteExchangeFile("own.uef", written)));
        QVERIFY(AnsiText::WriteFile(dir + "/not-mine.txt", QStringLiteral("keep")));

        ViewerSession neighbour;
        QVERIFY(neighbour.InitTemp());
        QVERIFY(neighbour.OpenUEFFile(WriteExchangeFile("own.uef", written)));

        session->RemoveTempDir();
        QCOMPARE(Entries(dir), QStringList{"not-mine.txt"});
        QCOMPARE(Entries(neighbour.tempFolder()), (QStringList{"F0jpg", "UEF.html"}));
        session.reset();
        QVERIFY(QFile::remove(dir + "/not-mine.txt"));
        QVERIFY(QDir().rmdir(dir));

        const QString neighbourDir = neighbour.tempFolder();
        neighbour.RemoveTempDir();
        QVERIFY(!QFileInfo::exists(neighbourDir));
    }

    // A cover or page whose folder sync fails stands all the same (the disk did not confirm it): closing removes it
    // with the rest, and the folder with it.
    void unconfirmedFilesAreRemovedToo_data()
    {
        QTest::addColumn<int>("failingSync");
        QTest::newRow("cover") << 1;
        QTest::newRow("page") << 2;
    }
    void unconfirmedFilesAreRemovedToo()
    {
        QFETCH(int, failingSync);
        UEF written;
        written.colUEF()->Add(Movie("One", Jpeg(15)));
        const QString file = WriteExchangeFile("unconfirmed.uef", written);
        ViewerSession session;
        QVERIFY(session.InitTemp());
        const QString dir = session.tempFolder();
        SafeFile::Faults::FailNth(SafeFile::Faults::SyncDir, failingSync);
        const bool opened = session.OpenUEFFile(file);
        const int syncs = SafeFile::Faults::Calls(SafeFile::Faults::SyncDir);
        SafeFile::Faults::Reset();
        QVERIFY(opened);
        QCOMPARE_GE(syncs, failingSync);
        QCOMPARE(Entries(dir), (QStringList{"F0jpg", "UEF.html"}));

        session.RemoveTempDir();
        QVERIFY(!QFileInfo::exists(dir));
    }

    void cleanupTestCase() { QVERIFY2(Entries(m_tmp).isEmpty(), qPrintable(Entries(m_tmp).join(", "))); }
};

QTEST_GUILESS_MAIN(TestViewerSession)
#include "tst_viewersession.moc"
