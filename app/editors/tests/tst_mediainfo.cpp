// The media description control's model: the vocabulary in both directions, frames, clicks and the lock.

#include "editors/MediaInfoModel.h"

#include <QtTest>

Q_DECLARE_METATYPE(MediaFrames)

namespace {

mTypMediaInfo Record(const QString& media, const QString& dvdType = {}, const QString& region = {},
                     const QString& ldType = {}, const QString& dvdCase = {})
{
    return mTypMediaInfo{media, dvdType, region, ldType, dvdCase};
}

} // namespace

class TestMediaInfo : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<mTypMediaInfo>("shown");
        QTest::addColumn<mTypMediaInfo>("read");

        QTest::newRow("empty") << Record({}) << Record({});
        QTest::newRow("dvd complete") << Record("DVD", "DVD-9", "24", {}, "Keepcase")
                                      << Record("DVD", "DVD-9", "24", {}, "Keepcase");
        QTest::newRow("laserdisc lower case between blanks")
            << Record(" laserdisc ", {}, {}, "clv") << Record("Laserdisc", {}, {}, "CLV");
        QTest::newRow("ld") << Record("LD", {}, {}, "CAV") << Record("Laserdisc", {}, {}, "CAV");
        QTest::newRow("d-vhs") << Record("d-Vhs") << Record("DVHS");
        QTest::newRow("video cd") << Record("Video CD") << Record("VCD");
        QTest::newRow("super vcd") << Record("SUPER vcd") << Record("SVCD");
        QTest::newRow("s-vcd") << Record("s-vcd") << Record("SVCD");
        QTest::newRow("unknown medium") << Record("Betamax") << Record({});
        // Only blanks are trimmed: a tab is part of the text, so nothing matches.
        QTest::newRow("tab is no blank") << Record("\tDVD") << Record({});
        QTest::newRow("dvd types") << Record("DVD", " dvd-18 ") << Record("DVD", "DVD-18");
        QTest::newRow("dvd-14 is no type") << Record("DVD", "DVD-14") << Record("DVD");
        QTest::newRow("regions with separators") << Record("DVD", {}, "2, 5") << Record("DVD", {}, "25");
        QTest::newRow("regions out of order, repeated") << Record("DVD", {}, "6321 1") << Record("DVD", {}, "1236");
        QTest::newRow("region 0 and above 6") << Record("DVD", {}, "0789") << Record("DVD");
        QTest::newRow("jewel any case") << Record("DVD", {}, {}, {}, "jEwEl") << Record("DVD", {}, {}, {}, "Jewel");
        QTest::newRow("snapper") << Record("DVD", {}, {}, {}, "SNAPPER") << Record("DVD", {}, {}, {}, "Snapper");
        QTest::newRow("unknown case") << Record("DVD", {}, {}, {}, "Digipak") << Record("DVD");
        QTest::newRow("unknown ld type") << Record("LD", {}, {}, "CAA") << Record("Laserdisc");
        // Hidden groups keep what they hold and are written too.
        QTest::newRow("vhs keeps dvd fields")
            << Record("VHS", "DVD-5", "1", "CLV", "Snapper") << Record("VHS", "DVD-5", "1", "CLV", "Snapper");
    }
    void roundTrip()
    {
        QFETCH(mTypMediaInfo, shown);
        QFETCH(mTypMediaInfo, read);
        MediaInfoModel model;
        model.setDMedia(shown);
        QCOMPARE(model.dMedia(), read);
        // What was read shows and reads back unchanged.
        MediaInfoModel again;
        again.setDMedia(read);
        QCOMPARE(again.dMedia(), read);
        QCOMPARE(again.Selection(), model.Selection());
    }

    void everyWrittenTextIsRecognised()
    {
        const QList<const QList<MediaOption>*> groups{&MediaKindOptions(), &DVDTypeOptions(), &LDTypeOptions(),
                                                      &CaseOptions()};
        for (const auto* group : groups) {
            for (const MediaOption& option : *group) {
                QVERIFY(option.written.isEmpty() || option.recognised.contains(option.written.toUpper()));
                QVERIFY(option.name.startsWith(QStringLiteral("opt")));
            }
        }
        QCOMPARE(MediaKindOptions().size() + DVDTypeOptions().size() + LDTypeOptions().size() + CaseOptions().size(),
                 17);
    }

    void frames_data()
    {
        QTest::addColumn<QString>("media");
        QTest::addColumn<MediaFrames>("frames");
        QTest::newRow("dvd") << "DVD" << MediaFrames{true, false, true, true};
        QTest::newRow("laserdisc") << "laserdisc" << MediaFrames{false, true, false, false};
        QTest::newRow("unknown") << "Blu-ray" << MediaFrames{};
        QTest::newRow("empty") << "" << MediaFrames{};
    }
    void frames()
    {
        QFETCH(QString, media);
        QFETCH(MediaFrames, frames);
        MediaInfoModel model;
        model.setDMedia(Record(media, "DVD-5", "1", "CAV", "Jewel"));
        QCOMPARE(model.Frames(), frames);
    }

    void creationState()
    {
        MediaInfoModel model;
        QCOMPARE(model.Selection(), MediaSelection{});
        QCOMPARE(model.Frames(), MediaFrames{});
        QVERIFY(model.ButtonsEnabled());
        QCOMPARE(model.dMedia(), mTypMediaInfo{});
        // Showing a record always selects a case button: "None" when nothing matches.
        model.setDMedia(mTypMediaInfo{});
        QCOMPARE(model.Selection().dvdCase, CaseType::NoCase);
    }

    void clicks()
    {
        MediaInfoModel model;
        QVERIFY(model.ClickMedia(MediaKind::DVD));
        QCOMPARE(model.Frames(), (MediaFrames{true, false, true, true}));
        QVERIFY(model.ClickDVDType(DVDType::DVD9));
        QVERIFY(model.ClickRegion(2, true));
        QVERIFY(model.ClickMedia(MediaKind::VHS));
        QCOMPARE(model.Frames(), MediaFrames{});
        QCOMPARE(model.dMedia(), Record("VHS", "DVD-9", "2"));
        // "None" and "Jewel" raise no Change; the others do.
        QVERIFY(!model.ClickCase(CaseType::NoCase));
        QVERIFY(!model.ClickCase(CaseType::Jewel));
        QVERIFY(model.ClickCase(CaseType::Snapper));
        QVERIFY(model.ClickLDType(LDType::CLV));
        QVERIFY(!model.ClickRegion(7, true));
        QVERIFY(model.ClickRegion(2, false));
        QCOMPARE(model.dMedia(), Record("VHS", "DVD-9", {}, "CLV", "Snapper"));
    }

    void lockedStillShowsAndReads()
    {
        MediaInfoModel model;
        model.setLocked(true);
        QVERIFY(!model.ButtonsEnabled());
        model.setDMedia(Record("dvd", "dvd-5", "3", {}, "keepcase"));
        QVERIFY(!model.ButtonsEnabled());
        QCOMPARE(model.dMedia(), Record("DVD", "DVD-5", "3", {}, "Keepcase"));
        model.setLocked(false);
        QVERIFY(model.ButtonsEnabled());
        QCOMPARE(model.Selection().media, MediaKind::DVD);
    }
};

QTEST_GUILESS_MAIN(TestMediaInfo)
#include "tst_mediainfo.moc"
