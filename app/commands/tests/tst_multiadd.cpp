// Box sets and media created with their contents: the plan on its own (names, prefixes, numbers with leading zeros,
// hostile divisions), then AddBox and AddMedia against fake editors, workshops and templates: what they ask, what
// they store, a cancel at each step and a store that refuses a write half-way.

#include "CollectionWorld.h"
#include "CommandFakes.h"
#include "FolderBytes.h"
#include "commands/DivisionPlan.h"
#include "commands/MultiItemAdd.h"
#include "commands/Workshops.h"
#include "core/Collections.h"

#include "SafeFile.h"

#include <QDir>
#include <QDirIterator>
#include <QTest>

#include <memory>

using namespace TestWorld;
using namespace ItemCommands;

namespace {

QStringList Titles(int n)
{
    QStringList titles;
    for (int i = 1; i <= n; ++i) {
        titles << QStringLiteral("Episode %1").arg(i);
    }
    return titles;
}

// A plan as text: each container as its name (or "box") and its movies' sort keys, "Disc 1[1,2] Disc 2[1]".
QString Describe(const BoxPlan& plan)
{
    QStringList containers;
    for (const PlannedContainer& container : plan.containers) {
        QStringList movies;
        for (const PlannedMovie& movie : container.movies) {
            movies << movie.strSortKey;
        }
        containers << (container.blnBox ? QStringLiteral("box") : container.strName) + u'[' + movies.join(u',') + u']';
    }
    return containers.join(u' ');
}

QString Numbers(int from, int to, int digits)
{
    QStringList numbers;
    for (int i = from; i <= to; ++i) {
        numbers << LeadingZeros(i, digits);
    }
    return numbers.join(u',');
}

void FillTemplate(CMovie& movie)
{
    movie.setStrTitle("Template Title");
    movie.setStrLabel("Template Label");
    movie.setStrUPC("036000291452");
    movie.setDMedia({"DVD", "DVD-9", "2", "", "Keepcase"});
    movie.setStrCast("Ann Berg: Kari");
    movie.setStrCountry("Norway");
    movie.setStrDirector("Liv Dahl");
    movie.setStrExtras("Trailer");
    movie.setStrLength("45");
    movie.setStrNotes("Boxed.");
    movie.setStrPicture("16:9");
    movie.setStrProducer("Tor Moe");
    movie.setStrSoundmix("English Stereo");
    movie.setStrStudio("Fjord Pictures");
    movie.setStrSubtitles("Norwegian");
    movie.setStrSynopsis("A season.");
    movie.setStrSystem("PAL");
    movie.setStrWebsite("www.example.invalid");
    movie.setStrWriter("Eva Holm");
    movie.setStrYear("2001");
}

QMap<QString, QByteArray> Files(const QString& folder)
{
    return TestSupport::FolderBytes(folder);
}

} // namespace

class TestMultiAdd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SetUpEnvironment(); }
    void init();
    void cleanup();

    void plan_data();
    void plan();
    void hostilePlan_data();
    void hostilePlan();
    void mediaPlan();

    void boxSetWithDiscs();
    void boxSetWithoutDiscs();
    void mediumWithMovies();
    void cancelAtEachStep_data();
    void cancelAtEachStep();
    void hostileDivision_data();
    void hostileDivision();
    void storeRefusesHalfWay_data();
    void storeRefusesHalfWay();
    void boxItselfRefused();
    void boxSetOnAFullDisk();

private:
    // The items of a collection whose parent is key, by key.
    static QStringList Inside(const QString& key);
    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    SampleStore m_store;
    std::unique_ptr<FakeDialogs> m_dialogs;
};

QStringList TestMultiAdd::Inside(const QString& key)
{
    QStringList keys;
    for (const auto& medium : *gMedias) {
        if (Collections::ParentKey(medium->strKey()) == key) {
            keys << medium->strKey();
        }
    }
    for (const auto& movie : *gMovies) {
        if (Collections::ParentKey(movie->strKey()) == key) {
            keys << movie->strKey();
        }
    }
    return keys;
}

void TestMultiAdd::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_store = LoadSample(m_dbDir, ChildLists::Build);
    m_dialogs = std::make_unique<FakeDialogs>();
    m_dialogs->fillMovie = FillTemplate;
}

void TestMultiAdd::cleanup()
{
    SafeFile::Faults::Reset();
    m_dialogs.reset();
    gTempFolder.clear();
    m_dir.reset();
}

void TestMultiAdd::plan_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("division");
    QTest::addColumn<QString>("media");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unticked, 12 titles") << 12 << "1"
                                         << "DVD"
                                         << "box[" + Numbers(1, 12, 2) + "]";
    QTest::newRow("unticked, 9 titles") << 9 << "1"
                                        << ""
                                        << "box[" + Numbers(1, 9, 1) + "]";
    QTest::newRow("ticked 1 with one title") << 1 << "1"
                                             << "DVD"
                                             << "box[1]";
    QTest::newRow("a single part") << 7 << "7"
                                   << "DVD"
                                   << "Disc 1[" + Numbers(1, 7, 1) + "]";
    QTest::newRow("a single part covers every title") << 12 << " 5"
                                                      << "VHS"
                                                      << "Tape 1[" + Numbers(1, 12, 2) + "]";
    QTest::newRow("3;3;2") << 8 << "3;3;2"
                           << "DVD"
                           << "Disc 1[1,2,3] Disc 2[1,2,3] Disc 3[1,2]";
    QTest::newRow("a part of 0") << 3 << "2;0;1"
                                 << "DVD"
                                 << "Disc 1[1,2] Disc 2[] Disc 3[1]";
    QTest::newRow("ten parts") << 10 << QString("1;").repeated(9) + "1"
                               << "DVD"
                               << "Disc 01[1] Disc 02[1] Disc 03[1] Disc 04[1] Disc 05[1] Disc 06[1] Disc 07[1] "
                                  "Disc 08[1] Disc 09[1] Disc 10[1]";
    QTest::newRow("a part of 12 and one of 9") << 21 << "12;9"
                                               << "DVD"
                                               << "Disc 1[" + Numbers(1, 12, 2) + "] Disc 2[" + Numbers(1, 9, 1) + "]";
    QTest::newRow("digits by the part as typed") << 4 << " 3;1"
                                                 << "DVD"
                                                 << "Disc 1[01,02,03] Disc 2[1]";
    QTest::newRow("an empty last part makes nothing") << 8 << "4;4;"
                                                      << "DVD"
                                                      << "Disc 1[1,2,3,4] Disc 2[1,2,3,4]";
    const struct
    {
        const char* media;
        const char* prefix;
    } prefixes[] = {{"LD", "Disc"},    {"VCD", "Disc"},   {"S-VHS", "Tape"}, {"VHS", "Tape"},  {"Laserdisc", "Media"},
                    {"DVHS", "Media"}, {"SVCD", "Media"}, {"", "Media"},     {"dvd", "Media"}, {" DVD", "Media"}};
    for (const auto& entry : prefixes) {
        QTest::addRow("prefix of \"%s\"", entry.media)
            << 2 << "1;1" << entry.media << QStringLiteral("%1 1[1] %1 2[1]").arg(QLatin1String(entry.prefix));
    }
}

void TestMultiAdd::plan()
{
    QFETCH(int, n);
    QFETCH(QString, division);
    QFETCH(QString, media);
    const BoxPlan plan = PlanBox(Titles(n), division, media);
    QCOMPARE(plan.refusal, QString());
    QTEST(Describe(plan), "expected");
    // Every title once, in list order; a medium's sort key is its name's.
    qsizetype line = 0;
    for (const PlannedContainer& container : plan.containers) {
        QCOMPARE(container.strSortKey, container.blnBox ? QString() : MakeSortKey(container.strName));
        for (const PlannedMovie& movie : container.movies) {
            QCOMPARE(movie.line, line++);
        }
    }
    QCOMPARE(line, qsizetype(n));
}

void TestMultiAdd::hostilePlan_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("division");
    QTest::addColumn<QString>("refusal");
    const QString illegal = Workshops::IllegalMessage();
    const QString sum = Workshops::SumMessage();
    QTest::newRow("empty inner part") << 8 << "4;;4" << illegal;
    QTest::newRow("negative balanced by more") << 8 << "10;-2" << illegal;
    QTest::newRow("fractions") << 8 << "4.5;3.5" << illegal;
    QTest::newRow("a billion") << 8 << "1000000000" << illegal;
    QTest::newRow("a billion and less") << 8 << "1000000000;-999999992" << illegal;
    QTest::newRow("negative single part") << 8 << "-3" << illegal;
    QTest::newRow("letters") << 8 << "four;4" << illegal;
    QTest::newRow("empty") << 8 << "" << illegal;
    QTest::newRow("only a semicolon") << 8 << ";" << illegal;
    QTest::newRow("1000 parts") << 1 << QString("0;").repeated(999) + "1" << illegal;
    QTest::newRow("more than the titles") << 8 << "9;9" << sum;
    QTest::newRow("fewer than the titles") << 8 << "4;3" << sum;
    QTest::newRow("no titles") << 0 << "1;1" << sum;
}

void TestMultiAdd::hostilePlan()
{
    QFETCH(int, n);
    QFETCH(QString, division);
    const BoxPlan plan = PlanBox(Titles(n), division, "DVD");
    QTEST(plan.refusal, "refusal");
    QVERIFY(plan.containers.isEmpty());
}

void TestMultiAdd::mediaPlan()
{
    const auto keys = [](int n) {
        QStringList sortKeys;
        qsizetype line = 0;
        for (const PlannedMovie& movie : PlanMedia(Titles(n))) {
            sortKeys << movie.strSortKey;
            if (movie.line != line++) {
                return QStringList{"out of order"};
            }
        }
        return sortKeys;
    };
    QCOMPARE(keys(11).join(u','), Numbers(0, 10, 2));
    QCOMPARE(keys(10).join(u','), Numbers(0, 9, 1));
    QCOMPARE(keys(101).first(), QStringLiteral("000"));
    QCOMPARE(keys(1), QStringList{"0"});
    QVERIFY(keys(0).isEmpty());
    QCOMPARE(LeadingZeros(12, 1), QStringLiteral("12"));
    QCOMPARE(LeadingZeros(7, 3), QStringLiteral("007"));
}

void TestMultiAdd::boxSetWithDiscs()
{
    FakeDialogs& d = *m_dialogs;
    d.strName = "Lighthouse Season 1";
    d.boxList = Titles(8) << "3;3;2";
    d.mediaInfo = {"DVD", "DVD-5", "2", "", "Snapper"};
    d.mediaExtras = "Booklet";
    const int media = gMedias->Count();
    const int movies = gMovies->Count();

    const CreationOutcome outcome = AddBox(d, d, m_store.drama);
    QCOMPARE(d.calls, (QStringList{"BoxParent(" + m_store.drama + ")", "EditBox()", "GetBoxEpisodeList", "ShowMessage",
                                   "MakeMediaTemplate", "ShowMessage", "MakeMovieTemplate"}));
    QCOMPARE(d.messages, (QStringList{MediaTemplateMessage(), MovieTemplateMessage()}));
    QVERIFY(outcome.blnRefill);
    QVERIFY(!outcome.blnStopped);
    QCOMPARE(outcome.media, 3);
    QCOMPARE(outcome.movies, 8);
    QCOMPARE(d.busyTurns, 2);
    QVERIFY(!d.busy);
    QVERIFY(d.warnings.isEmpty());
    const QString box = outcome.strKey;
    QCOMPARE(Collections::ParentKey(box), m_store.drama);
    // The child lists were rebuilt: the box holds its discs.
    QCOMPARE(Collections::Children(box).size(), 3);

    // What the store holds after a fresh load. Each medium was made before its movies, so the ids interleave: the
    // first medium's movies have the lowest new movie ids, and so on.
    LoadCollections(m_dbDir);
    QCOMPARE(gMedias->Count(), media + 3);
    QCOMPARE(gMovies->Count(), movies + 8);
    const QStringList counts{"1,2,3", "1,2,3", "1,2"};
    int movieId = movies + 1; // the sample's movie ids run from 1 without a gap
    for (int disc = 0; disc < 3; ++disc) {
        const QString key = QStringLiteral("E%1").arg(media + 1 + disc);
        const auto medium = gMedias->Item(key);
        QVERIFY(medium);
        QCOMPARE(medium->strName(), QStringLiteral("Disc %1").arg(disc + 1));
        QCOMPARE(medium->strSortKey(), QStringLiteral("DISC %1").arg(disc + 1));
        QCOMPARE(medium->dMedia(), d.mediaInfo);
        QCOMPARE(medium->strExtras(), QStringLiteral("Booklet"));
        QCOMPARE(medium->strUPC(), QString());
        QCOMPARE(Collections::ParentKey(key), box);
        QStringList sortKeys;
        for (const QString& number : counts[disc].split(u',')) {
            const QString movieKey = QStringLiteral("M%1").arg(movieId);
            const auto movie = gMovies->Item(movieKey);
            QVERIFY2(movie, qPrintable(movieKey));
            QCOMPARE(Collections::ParentKey(movieKey), key);
            QCOMPARE(movie->strTitle(), QStringLiteral("Episode %1").arg(movieId - movies));
            sortKeys << movie->strSortKey();
            QCOMPARE(movie->strSortKey(), number);
            ++movieId;
        }
    }
    // The template's sixteen fields and its description; never its title, label or code.
    const auto movie = gMovies->Item(QStringLiteral("M%1").arg(movies + 4));
    CMovie expected;
    FillTemplate(expected);
    QCOMPARE(movie->dMedia(), expected.dMedia());
    QCOMPARE(movie->strLabel(), QString());
    QCOMPARE(movie->strUPC(), QString());
    for (const char* field : {"strCast", "strCountry", "strDirector", "strExtras", "strLength", "strNotes",
                              "strPicture", "strProducer", "strSoundmix", "strStudio", "strSubtitles", "strSynopsis",
                              "strSystem", "strWebsite", "strWriter", "strYear"}) {
        QCOMPARE(movie->property(field), expected.property(field));
    }
}

void TestMultiAdd::boxSetWithoutDiscs()
{
    FakeDialogs& d = *m_dialogs;
    d.strName = "Trilogy";
    d.boxList = QStringList{"Part One", "  Part Two  ", "Part Three", "1"};
    const int media = gMedias->Count();
    const CreationOutcome outcome = AddBox(d, d, "!0");
    // No medium and no media template.
    QCOMPARE(d.calls,
             (QStringList{"BoxParent(!0)", "EditBox()", "GetBoxEpisodeList", "ShowMessage", "MakeMovieTemplate"}));
    QCOMPARE(d.messages, QStringList{MovieTemplateMessage()});
    QCOMPARE(outcome.media, 0);
    QCOMPARE(outcome.movies, 3);
    QCOMPARE(gMedias->Count(), media);
    const QStringList inside = Inside(outcome.strKey);
    QCOMPARE(inside.size(), 3);
    QStringList titles;
    for (const QString& key : inside) {
        const auto movie = gMovies->Item(key);
        titles << movie->strTitle() + u'=' + movie->strSortKey();
        QCOMPARE(movie->lngParentType(), 3);
        // Straight in the box, the movies take the template's description.
        QCOMPARE(movie->dMedia().strMedia, QStringLiteral("DVD"));
        QCOMPARE(movie->strStudio(), QStringLiteral("Fjord Pictures"));
    }
    titles.sort();
    QCOMPARE(titles, (QStringList{"  Part Two  =2", "Part One=1", "Part Three=3"}));
}

void TestMultiAdd::mediumWithMovies()
{
    FakeDialogs& d = *m_dialogs;
    d.strName = "Shorts Disc";
    d.mediaList = Titles(11);
    const mTypMediaInfo laser{"Laserdisc", "", "", "CAV", ""};
    // The medium's own description, as its editor saved it; the movies take it, not the template's.
    d.afterTemplates = [&laser] {
        for (const auto& medium : *gMedias) {
            if (medium->strName() == QLatin1String("Shorts Disc")) {
                medium->setDMedia(laser);
            }
        }
    };
    const CreationOutcome outcome = AddMedia(d, d, m_store.zetaBox);
    QCOMPARE(d.calls, (QStringList{"MediaParent(" + m_store.zetaBox + ")", "EditMedia()", "GetMediaEpisodeList",
                                   "ShowMessage", "MakeMovieTemplate"}));
    QCOMPARE(d.messages, QStringList{MovieTemplateMessage()});
    QCOMPARE(Collections::ParentKey(outcome.strKey), m_store.zetaBox);
    QCOMPARE(outcome.movies, 11);
    LoadCollections(m_dbDir);
    QStringList sortKeys;
    for (const QString& key : Inside(outcome.strKey)) {
        const auto movie = gMovies->Item(key);
        sortKeys << movie->strSortKey();
        QCOMPARE(movie->dMedia(), laser);
        QCOMPARE(movie->lngParentType(), 4);
        QCOMPARE(movie->strWriter(), QStringLiteral("Eva Holm"));
    }
    // Collections keep sort-key order after a load.
    QCOMPARE(sortKeys.join(u','), Numbers(0, 10, 2));
}

void TestMultiAdd::cancelAtEachStep_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("refill");
    const QString box = "BoxParent(!0),EditBox()";
    const QString media = "MediaParent(!0),EditMedia()";
    QTest::newRow("box editor") << "box"
                                << "editor" << box.split(u',') << false;
    QTest::newRow("box workshop") << "box"
                                  << "workshop" << (box + ",GetBoxEpisodeList").split(u',') << true;
    QTest::newRow("media template, the movie template never asked")
        << "box"
        << "media template" << (box + ",GetBoxEpisodeList,ShowMessage,MakeMediaTemplate").split(u',') << true;
    QTest::newRow("box's movie template")
        << "box"
        << "movie template"
        << (box + ",GetBoxEpisodeList,ShowMessage,MakeMediaTemplate,ShowMessage,MakeMovieTemplate").split(u',') << true;
    QTest::newRow("media editor") << "media"
                                  << "editor" << media.split(u',') << false;
    QTest::newRow("media workshop") << "media"
                                    << "workshop" << (media + ",GetMediaEpisodeList").split(u',') << true;
    QTest::newRow("medium's movie template")
        << "media"
        << "movie template" << (media + ",GetMediaEpisodeList,ShowMessage,MakeMovieTemplate").split(u',') << true;
}

void TestMultiAdd::cancelAtEachStep()
{
    QFETCH(QString, command);
    QFETCH(QString, step);
    FakeDialogs& d = *m_dialogs;
    d.blnCancel = step == "editor";
    d.boxList = step == "workshop" ? std::nullopt : std::optional<QStringList>(Titles(4) << "2;2");
    d.mediaList = step == "workshop" ? std::nullopt : std::optional<QStringList>(Titles(4));
    d.blnMediaTemplate = step != "media template";
    d.blnMovieTemplate = step != "movie template";
    const int boxes = gBoxes->Count();
    const int media = gMedias->Count();
    const int movies = gMovies->Count();

    const CreationOutcome outcome = command == "box" ? AddBox(d, d, "!0") : AddMedia(d, d, "!0");
    QTEST(d.calls, "calls");
    QTEST(outcome.blnRefill, "refill");
    // What was made before the cancel stays, empty: the container alone.
    const int made = step == "editor" ? 0 : 1;
    QCOMPARE(gBoxes->Count(), boxes + (command == "box" ? made : 0));
    QCOMPARE(gMedias->Count(), media + (command == "media" ? made : 0));
    QCOMPARE(gMovies->Count(), movies);
    QCOMPARE(outcome.strKey.isEmpty(), step == "editor");
    if (made) {
        QVERIFY(Inside(outcome.strKey).isEmpty());
        QVERIFY(Collections::Children("!0").contains(outcome.strKey));
    }
    QCOMPARE(d.busyTurns, 0);
}

void TestMultiAdd::hostileDivision_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("warning");
    QTest::newRow("negative count") << (Titles(8) << "10;-2") << Workshops::IllegalMessage();
    QTest::newRow("a billion discs") << (Titles(2) << "1000000000;0") << Workshops::IllegalMessage();
    QTest::newRow("more than the titles") << (Titles(2) << "5;5") << Workshops::SumMessage();
    QTest::newRow("fraction") << (Titles(3) << "1.5;1.5") << Workshops::IllegalMessage();
    QTest::newRow("the division alone") << QStringList{"2;2"} << Workshops::SumMessage();
}

void TestMultiAdd::hostileDivision()
{
    QFETCH(QStringList, list);
    FakeDialogs& d = *m_dialogs;
    d.boxList = list;
    const int media = gMedias->Count();
    const int movies = gMovies->Count();
    const CreationOutcome outcome = AddBox(d, d, "!0");
    // Refused before any template is asked; the empty box stays and the tree is refilled.
    QCOMPARE(d.calls, (QStringList{"BoxParent(!0)", "EditBox()", "GetBoxEpisodeList", "ShowWarning"}));
    QCOMPARE(d.warnings.size(), 1);
    QTEST(d.warnings.value(0), "warning");
    QVERIFY(outcome.blnRefill);
    QCOMPARE(gMedias->Count(), media);
    QCOMPARE(gMovies->Count(), movies);
}

void TestMultiAdd::storeRefusesHalfWay_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("nth"); // counted from the first item created after the templates
    // 3;3;2: Disc 1, three movies, Disc 2, ... Each item is one folder and one record.
    QTest::newRow("box: the second movie's folder") << "box" << int(SafeFile::Faults::MakeDir) << 3;
    QTest::newRow("box: the second disc's folder") << "box" << int(SafeFile::Faults::MakeDir) << 5;
    QTest::newRow("box: the first disc's record") << "box" << int(SafeFile::Faults::Rename) << 1;
    QTest::newRow("box: the final sync") << "box" << int(SafeFile::Faults::SyncDir) << 1;
    QTest::newRow("media: the fifth movie's folder") << "media" << int(SafeFile::Faults::MakeDir) << 5;
    QTest::newRow("media: the final sync") << "media" << int(SafeFile::Faults::SyncDir) << 1;
}

// A write refused anywhere in the creation: the container and everything made in it are removed again, the store is
// byte for byte as before, and the user hears why and that nothing was kept.
void TestMultiAdd::storeRefusesHalfWay()
{
    QFETCH(QString, command);
    QFETCH(int, op);
    QFETCH(int, nth);
    FakeDialogs& d = *m_dialogs;
    d.boxList = Titles(8) << "3;3;2";
    d.mediaList = Titles(8);
    d.mediaInfo.strMedia = "DVD";
    d.afterTemplates = [op, nth] { SafeFile::Faults::FailNth(SafeFile::Faults::Op(op), nth); };
    const QMap<QString, QByteArray> before = Files(m_dbDir);
    const int items = gBoxes->Count() + gMedias->Count() + gMovies->Count();

    const CreationOutcome outcome = command == "box" ? AddBox(d, d, "!0") : AddMedia(d, d, "!0");
    SafeFile::Faults::Reset();
    QVERIFY(outcome.blnStopped);
    QVERIFY(outcome.blnRefill);
    QVERIFY(outcome.strKey.isEmpty());
    QCOMPARE(outcome.media + outcome.movies, 0);
    QCOMPARE(d.warnings.size(), 1);
    QVERIFY2(d.warnings.value(0).contains("Nothing of it was kept"), qPrintable(d.warnings.value(0)));
    QVERIFY(!d.busy);
    QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), items);
    QVERIFY(Files(m_dbDir) == before);
}

// The store refuses the new box itself: the command ends there, nothing is made and no workshop is asked.
void TestMultiAdd::boxItselfRefused()
{
    FakeDialogs& d = *m_dialogs;
    d.boxList = Titles(3) << "1";
    const QMap<QString, QByteArray> before = Files(m_dbDir);
    const int items = gBoxes->Count() + gMedias->Count() + gMovies->Count();
    SafeFile::Faults::FailNth(SafeFile::Faults::MakeDir, 1);
    const CreationOutcome outcome = AddBox(d, d, "!0");
    SafeFile::Faults::Reset();
    QCOMPARE(d.refusals, QStringList{"Add(New Item)"});
    QCOMPARE(d.calls, (QStringList{"BoxParent(!0)", "EditBox()"}));
    QVERIFY(outcome.strKey.isEmpty());
    QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), items);
    QVERIFY(Files(m_dbDir) == before);
}

// A box set of 24 discs of 10 episodes while the disk fills up at many points of its creation: each time a failure,
// and the store as it was before the box editor saved the box.
void TestMultiAdd::boxSetOnAFullDisk()
{
    FakeDialogs& d = *m_dialogs;
    d.boxList = Titles(240) << QStringLiteral("10;").repeated(24);
    d.mediaInfo.strMedia = "DVD";
    const QMap<QString, QByteArray> before = Files(m_dbDir);
    const int items = gBoxes->Count() + gMedias->Count() + gMovies->Count();

    // What the contents take, measured once; then removed again with the box.
    constexpr qint64 plenty = qint64(1) << 40;
    d.afterTemplates = [] { SafeFile::Faults::SetByteBudget(plenty); };
    const CreationOutcome whole = AddBox(d, d, "!0");
    const qint64 written = plenty - SafeFile::Faults::ByteBudget();
    SafeFile::Faults::Reset();
    QCOMPARE(whole.movies, 240);
    QVERIFY(written > 264 * 100);
    for (const QString& key : Inside(whole.strKey)) {
        for (const QString& movie : Inside(key)) {
            QVERIFY(gMovies->Remove(movie));
        }
        QVERIFY(gMedias->Remove(key));
    }
    QVERIFY(gBoxes->Remove(whole.strKey));
    QVERIFY(Files(m_dbDir) == before);

    for (int level = 0; level < 10; ++level) {
        d.warnings.clear();
        const qint64 budget = written * level / 10 + level * 3;
        d.afterTemplates = [budget] { SafeFile::Faults::SetByteBudget(budget); };
        const CreationOutcome outcome = AddBox(d, d, "!0");
        SafeFile::Faults::Reset();
        QVERIFY2(outcome.blnStopped, qPrintable(QString::number(level)));
        QCOMPARE(d.warnings.size(), 1);
        QCOMPARE(gBoxes->Count() + gMedias->Count() + gMovies->Count(), items);
        QVERIFY2(Files(m_dbDir) == before, qPrintable(QString::number(level)));
    }
}

QTEST_GUILESS_MAIN(TestMultiAdd)
#include "tst_multiadd.moc"
