// The movie editor without its window: new, edit, cancel, template, the media block's source, orphans, covers and
// the refusals of OK.

#include "editors/MovieEditor.h"

#include "AnsiText.h"
#include "CollectionWorld.h"
#include "SafeFile.h"
#include "StoreIntent.h"

#include <QtTest>

namespace {

MovieForm FullForm()
{
    MovieForm form;
    form[MovieField::Title] = QStringLiteral("The Long Road");
    form[MovieField::Label] = QStringLiteral("Special Edition");
    form[MovieField::SortKey] = QStringLiteral("LONG ROAD, THE");
    form[MovieField::UPC] = QStringLiteral("0 36000-29145 2");
    form[MovieField::System] = QStringLiteral("PAL");
    form[MovieField::Country] = QStringLiteral("Norway");
    form[MovieField::Year] = QStringLiteral("1987");
    form[MovieField::Length] = QStringLiteral("112");
    form[MovieField::Studio] = QStringLiteral("Fjord Pictures");
    form[MovieField::Website] = QStringLiteral("www.example.invalid");
    form[MovieField::Picture] = QStringLiteral("16:9\r\nAnamorphic");
    form.dMedia = {QStringLiteral("DVD"), QStringLiteral("DVD-9"), QStringLiteral("25"), QString(),
                   QStringLiteral("Keepcase")};
    form[MovieField::Audio] = QStringLiteral("English Dolby Digital 5.1\r\nGerman Stereo");
    form[MovieField::Subtitles] = QStringLiteral("English\r\nNorwegian");
    form[MovieField::Cast] = QStringLiteral("Ann Berg: Kari\r\nOle Lund: Per");
    form[MovieField::Writer] = QStringLiteral("Liv Dahl");
    form[MovieField::Producer] = QStringLiteral("Tor Moe\r\nEva Holm");
    form[MovieField::Director] = QStringLiteral("Liv Dahl");
    form[MovieField::Extras] = QStringLiteral("Trailer\r\nCommentary");
    form[MovieField::Synopsis] = QStringLiteral("Two walkers.\r\nOne road.");
    form[MovieField::Notes] = QStringLiteral("Signed copy.");
    form.parentKey = QStringLiteral("C1");
    return form;
}

} // namespace

class TestMovieEditor : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestWorld::CollectionStore> m_store;
    QString m_picture;
    QString Db() const { return m_store->db(); }

    static void BlockFolder(const QString& folder)
    {
        QVERIFY(QDir(folder).removeRecursively());
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    static void UnblockFolder(const QString& folder)
    {
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().mkpath(folder));
    }
    int MovieFolders() const { return int(QDir(Db() + "/Movies").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

private slots:
    void initTestCase()
    {
        TestWorld::SetUpEnvironment();
        m_picture = TestWorld::ProgramDir().filePath(QStringLiteral("cover.jpg"));
        QVERIFY(AnsiText::WriteFileBytes(m_picture, QByteArray("\xFF\xD8\xFF\xE0 not really a picture")));
    }

    void init()
    {
        m_store = std::make_unique<TestWorld::CollectionStore>();
        TestWorld::AddCategory("Comedy");                   // C1
        TestWorld::AddBox("Zeta Box", "!0");                // B1
        TestWorld::AddMedia("Box Disc", "B1", "Laserdisc"); // E1
        TestWorld::AddMovie("Alpha Movie", "!0", "DVD");    // M1
        TestWorld::AddMovie("Disc Movie", "E1", "VHS");     // M2
        TestWorld::AddMovie("Lost Movie", "S999", "VHS");   // M3
        TestWorld::LoadCollections(Db());
        BuildChildLists();
    }

    void newMovieIsAddedAndWritten()
    {
        MovieEditor editor;
        editor.SetParentKey("C1");
        editor.Open(QString());
        QCOMPARE(editor.mode(), MovieEditor::Mode::New);
        QCOMPARE(editor.Caption(), QStringLiteral("<New movie>"));
        QCOMPARE(editor.Form().parentKey, QStringLiteral("C1"));
        QCOMPARE(editor.Form()[MovieField::Title], QString());

        const MovieForm form = FullForm();
        PendingCovers covers;
        covers.Pick(PendingCovers::Side::Front, m_picture);
        QVERIFY(editor.Save(form, covers).saved);
        QCOMPARE(editor.Key(), QStringLiteral("M4"));

        // What the store holds after a fresh load is what was typed, the code reduced to its digits.
        TestWorld::LoadCollections(Db());
        const auto movie = gMovies->Item("M4");
        QVERIFY(movie);
        MovieForm expected = form;
        expected[MovieField::UPC] = QStringLiteral("036000291452");
        QCOMPARE(ReadMovie(*movie), expected);
        QCOMPARE(movie->lngParentType(), 1);
        QCOMPARE(movie->lngParentID(), 1);
        QCOMPARE(movie->strFrontCover(), QStringLiteral("FrontCover.jpg"));

        // Opened again, the editor holds the stored cover for its dialog to show; a template holds none.
        editor.Open("M4");
        QCOMPARE(editor.Covers(), (StoredCovers{movie->Path() + "/FrontCover.jpg", QString()}));
        editor.OpenTemplate();
        QCOMPARE(editor.Covers(), StoredCovers());
    }

    void newMovieParent_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("place");
        QTest::newRow("category") << "C1"
                                  << "C1";
        QTest::newRow("medium in a box") << "E1"
                                         << "E1";
        QTest::newRow("a movie") << "M1"
                                 << "!0";
        QTest::newRow("gone") << "S9"
                              << "!0";
    }

    void newMovieParent()
    {
        QFETCH(QString, given);
        MovieEditor editor;
        editor.SetParentKey(given);
        editor.Open(QString());
        QTEST(editor.Form().parentKey, "place");
    }

    void editCancelAndTheKeyReturned()
    {
        MovieEditor editor;
        editor.Open("M1");
        QCOMPARE(editor.mode(), MovieEditor::Mode::Edit);
        QCOMPARE(editor.Caption(), QStringLiteral("Alpha Movie"));
        QCOMPARE(editor.Form(), ReadMovie(*gMovies->Item("M1")));
        editor.Cancel();
        QCOMPARE(editor.Key(), QString());

        editor.Open("M1");
        MovieForm form = editor.Form();
        form[MovieField::Title] = QStringLiteral("Alpha Movie II");
        form[MovieField::Notes] = QStringLiteral("Lent out.\r\n\r\n"); // trailing line ends are dropped by the store
        QVERIFY(editor.Save(form, PendingCovers()).saved);
        QCOMPARE(editor.Key(), QStringLiteral("M1"));
        TestWorld::LoadCollections(Db());
        QCOMPARE(gMovies->Item("M1")->strTitle(), QStringLiteral("Alpha Movie II"));
        QCOMPARE(gMovies->Item("M1")->strNotes(), QStringLiteral("Lent out."));
        QCOMPARE(gMovies->Count(), 3);
    }

    void templateModeNeverStores()
    {
        const int folders = MovieFolders();
        MovieEditor editor;
        editor.OpenTemplate();
        QCOMPARE(editor.Key(), MovieEditor::kTemplateKey);
        QCOMPARE(editor.Caption(), QStringLiteral("<New Movie Template>"));
        MovieForm form = FullForm();
        form.parentKey = kRootKey;
        PendingCovers covers;
        covers.Pick(PendingCovers::Side::Front, m_picture);
        QVERIFY(editor.Save(form, covers).saved);
        const std::unique_ptr<CMovie> movie = editor.TakeTemplate();
        QVERIFY(movie);
        QCOMPARE(movie->strStudio(), QStringLiteral("Fjord Pictures"));
        QCOMPARE(movie->dMedia(), form.dMedia);
        QCOMPARE(movie->Path(), QString());
        QCOMPARE(movie->strFrontCover(), QString());
        QCOMPARE(gMovies->Count(), 3);
        QCOMPARE(MovieFolders(), folders);

        // A later template ended by Cancel gives no object, though the earlier one gave one.
        editor.OpenTemplate();
        QVERIFY(!editor.TakeTemplate());
    }

    void mediumDescription()
    {
        const auto medium = MovieEditor::MediumDescription("E1");
        QVERIFY(medium);
        QCOMPARE(medium->strMedia, QStringLiteral("Laserdisc"));
        QVERIFY(!MovieEditor::MediumDescription("E77"));
        QVERIFY(!MovieEditor::MediumDescription("B1"));
        QVERIFY(!MovieEditor::MediumDescription("!0"));
    }

    void orphanKeepsItsParent()
    {
        MovieEditor editor;
        editor.Open("M3");
        QCOMPARE(editor.Form().parentKey, QStringLiteral("S999"));
        QVERIFY(!editor.Offers("S999"));
        QVERIFY(editor.Save(editor.Form(), PendingCovers()).saved);
        TestWorld::LoadCollections(Db());
        QCOMPARE(gMovies->Item("M3")->lngParentType(), 2);
        QCOMPARE(gMovies->Item("M3")->lngParentID(), 999);
    }

    void codePageRefusal()
    {
        MovieEditor editor;
        editor.Open(QString());
        MovieForm form = FullForm();
        form[MovieField::Title] = QStringLiteral("\u0141\u00f3d\u017a");
        form[MovieField::Notes] = QStringLiteral("ok \u2713");
        const SaveOutcome outcome = editor.Save(form, PendingCovers());
        QVERIFY(!outcome.saved);
        QVERIFY(outcome.message.contains(QStringLiteral("\"Title\"")));
        QVERIFY(outcome.message.contains(QStringLiteral("\"Notes\"")));
        QVERIFY(!outcome.message.contains(QStringLiteral("\"Label\"")));
        QCOMPARE(editor.Key(), QString());
        QCOMPARE(gMovies->Count(), 3);
    }

    // No text field of the form slips past the check: characters the store cannot hold would be lost on the save.
    void everyTextFieldIsChecked()
    {
        const auto fields = CMovie::Fields();
        QStringList unchecked;
        for (size_t f = 0; f < fields.size(); ++f) {
            if (!fields[f].text || fields[f].media) {
                continue; // the numbers, and the description the media block picks from its own choices
            }
            MovieEditor editor;
            editor.Open(QString());
            MovieForm form = FullForm();
            form.text[f] += QStringLiteral(" \u2713");
            const SaveOutcome outcome = editor.Save(form, PendingCovers());
            const QString name = u'"' + QString::fromLatin1(fields[f].caption).remove(u'&') + u'"';
            if (outcome.saved || !outcome.message.contains(name)) {
                unchecked << QString::fromLatin1(fields[f].key);
            }
        }
        QVERIFY2(unchecked.isEmpty(), qPrintable(unchecked.join(u' ')));
        QCOMPARE(gMovies->Count(), 3);
    }

    void storeRefusal()
    {
        // A new movie the store cannot add: no key, nothing kept.
        BlockFolder(Db() + "/Movies");
        MovieEditor editor;
        editor.Open(QString());
        SaveOutcome outcome = editor.Save(FullForm(), PendingCovers());
        QVERIFY(!outcome.saved);
        QCOMPARE(outcome.message, StoreRefusalMessage());
        QCOMPARE(editor.Key(), QString());
        QCOMPARE(gMovies->Count(), 3);
        UnblockFolder(Db() + "/Movies");

        // An existing movie whose record cannot be rewritten keeps its old fields in memory, and no cover is copied.
        const auto movie = gMovies->Item("M1");
        const QString folder = movie->Path();
        const MovieForm before = ReadMovie(*movie);
        BlockFolder(folder);
        editor.Open("M1");
        PendingCovers covers;
        covers.Pick(PendingCovers::Side::Front, m_picture);
        outcome = editor.Save(FullForm(), covers);
        QVERIFY(!outcome.saved);
        QCOMPARE(editor.Key(), QStringLiteral("M1"));
        QCOMPARE(ReadMovie(*movie), before);
        QFile::remove(folder);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(editor.Save(FullForm(), covers).saved);
        QCOMPARE(movie->strTitle(), QStringLiteral("The Long Road"));
        QVERIFY(QFile::exists(folder + "/FrontCover.jpg"));
    }

    // A cover that cannot be written refuses the save like a refused record: one message, no key for a new movie and
    // nothing of it kept; an existing movie keeps its fields, its record and its covers as they were.
    void coverRefusal()
    {
        const QString big = m_store->path(QStringLiteral("big.jpg"));
        QVERIFY(AnsiText::WriteFileBytes(big, QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(200000, 'j')));
        MovieEditor editor;
        editor.Open(QString());
        PendingCovers covers;
        covers.Pick(PendingCovers::Side::Front, big);
        SafeFile::Faults::SetByteBudget(100000); // room for the record, not for the cover
        SaveOutcome outcome = editor.Save(FullForm(), covers);
        SafeFile::Faults::Reset();
        QVERIFY(!outcome.saved);
        QVERIFY(!outcome.message.isEmpty());
        QCOMPARE(editor.Key(), QString());
        QCOMPARE(gMovies->Count(), 3);
        QCOMPARE(MovieFolders(), 3);

        const auto movie = gMovies->Item("M1");
        QVERIFY(movie->AddFrontCover(m_picture));
        const auto files = [&movie] {
            QMap<QString, QByteArray> bytes;
            for (const QString& name : QDir(movie->Path()).entryList(QDir::Files | QDir::Hidden)) {
                QFile file(movie->Path() + u'/' + name);
                bytes.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
            }
            return bytes;
        };
        const QMap<QString, QByteArray> stored = files();
        const MovieForm before = ReadMovie(*movie);
        editor.Open("M1");
        PendingCovers change;
        change.Pick(PendingCovers::Side::Front, big);
        SafeFile::Faults::SetByteBudget(100000);
        outcome = editor.Save(FullForm(), change);
        SafeFile::Faults::Reset();
        QVERIFY(!outcome.saved);
        QVERIFY2(outcome.message.contains(QStringLiteral("FrontCover.jpg")), qPrintable(outcome.message));
        QCOMPARE(editor.Key(), QStringLiteral("M1"));
        QCOMPARE(ReadMovie(*movie), before);
        QCOMPARE(movie->strFrontCover(), QStringLiteral("FrontCover.jpg"));
        QVERIFY(files() == stored);
    }

    // A save whose step fails says what the disk holds, and the editor holds the same: refused, the movie in memory
    // is as before and so is a fresh start's load; saved but not confirmed (a folder sync or an old cover's removal
    // failed after the new files were in place), the dialog closes as saved with word of it, and memory, the stored
    // covers and a fresh start's load all hold the new movie.
    void failedStepSaysWhatTheDiskHolds_data()
    {
        QTest::addColumn<QString>("cover"); // "keep", "pick" or "delete" the front cover
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("nth");
        QTest::addColumn<bool>("reached");
        using F = SafeFile::Faults::Op;
        // The folder syncs of a save in place: the staged files, the store's record, the item folder after the
        // renames, the store folder once the record is gone.
        QTest::newRow("staged files not synced") << "pick" << int(F::SyncDir) << 1 << false;
        QTest::newRow("record of the save not synced") << "pick" << int(F::SyncDir) << 2 << false;
        QTest::newRow("fields only, folder not synced") << "keep" << int(F::SyncDir) << 3 << true;
        QTest::newRow("new cover, folder not synced") << "pick" << int(F::SyncDir) << 3 << true;
        QTest::newRow("old cover cannot go") << "pick" << int(F::RemoveFile) << 1 << true;
        QTest::newRow("deleted cover cannot go") << "delete" << int(F::RemoveFile) << 1 << true;
        QTest::newRow("a new file cannot be synced") << "pick" << int(F::Sync) << 2 << false;
    }
    void failedStepSaysWhatTheDiskHolds()
    {
        QFETCH(QString, cover);
        QFETCH(int, op);
        QFETCH(int, nth);
        QFETCH(bool, reached);
        const QString gif = m_store->path(QStringLiteral("old.gif"));
        QVERIFY(AnsiText::WriteFileBytes(gif, QByteArray("GIF89a old cover")));
        const auto movie = gMovies->Item("M1");
        QVERIFY(movie->AddFrontCover(gif));
        const MovieForm before = ReadMovie(*movie);

        MovieEditor editor;
        editor.Open("M1");
        PendingCovers covers;
        if (cover == u"pick") {
            covers.Pick(PendingCovers::Side::Front, m_picture);
        } else if (cover == u"delete") {
            covers.Delete(PendingCovers::Side::Front);
        }
        SafeFile::Faults::FailNth(SafeFile::Faults::Op(op), nth);
        const SaveOutcome outcome = editor.Save(FullForm(), covers);
        SafeFile::Faults::Reset();

        QCOMPARE(outcome.saved, reached);
        QVERIFY(!outcome.message.isEmpty());
        QCOMPARE(outcome.message.startsWith(QStringLiteral("The item was saved, but the disk did not confirm")),
                 reached);
        const QString front = !reached           ? QStringLiteral("FrontCover.gif")
                              : cover == u"pick" ? QStringLiteral("FrontCover.jpg")
                              : cover == u"keep" ? QStringLiteral("FrontCover.gif")
                                                 : QString();
        const MovieForm held = ReadMovie(*movie);
        QCOMPARE(held == before, !reached);
        QCOMPARE(movie->strFrontCover(), front);
        QCOMPARE(editor.Key(), QStringLiteral("M1"));

        // The next start: the store's unfinished records carried out, then a load.
        (void)StoreIntent::Recover(Db());
        CMovies fresh;
        fresh.setDBDir(Db());
        fresh.LoadData();
        const auto loaded = fresh.Item("M1");
        QVERIFY(loaded);
        QCOMPARE(ReadMovie(*loaded), held);
        QCOMPARE(loaded->strFrontCover(), front);
        const QStringList covered = QDir(loaded->Path()).entryList({QStringLiteral("FrontCover.*")}, QDir::Files);
        QCOMPARE(covered, front.isEmpty() ? QStringList() : QStringList{front});
    }

    void websiteAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::newRow("www") << "www.example.org"
                             << "http://www.example.org";
        QTest::newRow("https") << "https://example.org/a"
                               << "https://example.org/a";
        QTest::newRow("http") << "http://example.org"
                              << "http://example.org";
        QTest::newRow("ftp") << "ftp://example.org" << QString();
        QTest::newRow("file") << "file:///etc/passwd" << QString();
        QTest::newRow("path") << "/etc/passwd" << QString();
        QTest::newRow("script") << "javascript:alert(1)" << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void websiteAddresses()
    {
        QFETCH(QString, text);
        QTEST(WebsiteUrl(text).toString(), "url");
    }
};

QTEST_GUILESS_MAIN(TestMovieEditor)
#include "tst_movieeditor.moc"
