// The media and box editors without their windows: new, edit, cancel, template, the parent offered, orphans, covers
// and the refusals of OK.

#include "editors/BoxEditor.h"
#include "editors/MediaEditor.h"

#include "AnsiText.h"
#include "CollectionWorld.h"

#include <QtTest>

namespace {

MediaForm FullMedia()
{
    MediaForm form;
    form.strName = QStringLiteral("The Second Disc");
    form.strSortKey = QStringLiteral("SECOND DISC, THE");
    form.strUPC = QStringLiteral("0 36000-29145 2");
    form.dMedia = {QStringLiteral("DVD"), QStringLiteral("DVD-9"), QStringLiteral("25"), QString(),
                   QStringLiteral("Snapper")};
    form.strExtras = QStringLiteral("Trailer\r\nCommentary");
    form.parentKey = QStringLiteral("B1");
    return form;
}

BoxForm FullBox()
{
    BoxForm form;
    form.strName = QStringLiteral("The Complete Series");
    form.strSortKey = QStringLiteral("COMPLETE SERIES, THE");
    form.strUPC = QStringLiteral("036000 291452");
    form.strExtras = QStringLiteral("Booklet");
    form.parentKey = QStringLiteral("S1");
    return form;
}

} // namespace

class TestMediaBoxEditors : public QObject
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
    int Folders(const char* kind) const
    {
        return int(QDir(Db() + u'/' + QLatin1String(kind)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    }

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
        TestWorld::AddGroup("Sitcoms", "C1");               // S1
        TestWorld::AddBox("Zeta Box", "S1");                // B1
        TestWorld::AddMedia("Box Disc", "B1", "Laserdisc"); // E1
        TestWorld::AddMedia("Lost Disc", "B99", "VHS");     // E2
        TestWorld::AddBox("Lost Box", "S99");               // B2
        TestWorld::LoadCollections(Db());
        BuildChildLists();
    }

    void newMediumIsAddedAndWritten()
    {
        MediaEditor editor;
        editor.SetParentKey("B1");
        editor.Open(QString());
        QCOMPARE(editor.mode(), MediaEditor::Mode::New);
        QCOMPARE(editor.Caption(), QStringLiteral("<New media>"));
        QCOMPARE(editor.Form().parentKey, QStringLiteral("B1"));

        const MediaForm form = FullMedia();
        PendingCovers covers;
        covers.Pick(PendingCovers::Side::Back, m_picture);
        QVERIFY(editor.Save(form, covers).saved);
        QCOMPARE(editor.Key(), QStringLiteral("E3"));

        // The store holds what was typed, the code exactly as typed.
        TestWorld::LoadCollections(Db());
        const auto medium = gMedias->Item("E3");
        QVERIFY(medium);
        QCOMPARE(ReadMedia(*medium), form);
        QCOMPARE(medium->lngParentType(), 3);
        QCOMPARE(medium->strBackCover(), QStringLiteral("BackCover.jpg"));
        QCOMPARE(medium->strFrontCover(), QString());
    }

    void parentOffered_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("place");
        QTest::newRow("medium in a box") << "media"
                                         << "B1"
                                         << "B1";
        QTest::newRow("medium in a group") << "media"
                                           << "S1"
                                           << "S1";
        QTest::newRow("medium, a medium is no parent") << "media"
                                                       << "E1"
                                                       << "!0";
        QTest::newRow("medium, gone") << "media"
                                      << "C9"
                                      << "!0";
        QTest::newRow("box in a group") << "box"
                                        << "S1"
                                        << "S1";
        QTest::newRow("box in a category") << "box"
                                           << "C1"
                                           << "C1";
        QTest::newRow("box, a box is no parent") << "box"
                                                 << "B1"
                                                 << "!0";
        QTest::newRow("box, a medium is no parent") << "box"
                                                    << "E1"
                                                    << "!0";
    }

    void parentOffered()
    {
        QFETCH(QString, editor);
        QFETCH(QString, given);
        if (editor == "media") {
            MediaEditor media;
            media.SetParentKey(given);
            media.Open(QString());
            QTEST(media.Form().parentKey, "place");
            for (const ParentEntry& entry : media.Places()) {
                QVERIFY2(!entry.key.startsWith(u'E') && !entry.key.startsWith(u'M'), qPrintable(entry.key));
            }
        } else {
            BoxEditor box;
            box.SetParentKey(given);
            box.Open(QString());
            QTEST(box.Form().parentKey, "place");
            for (const ParentEntry& entry : box.Places()) {
                QVERIFY2(entry.key == kRootKey || entry.key.startsWith(u'C') || entry.key.startsWith(u'S'),
                         qPrintable(entry.key));
            }
        }
    }

    void editAndCancelKeepTheKey()
    {
        MediaEditor media;
        media.Open("E1");
        QCOMPARE(media.mode(), MediaEditor::Mode::Edit);
        QCOMPARE(media.Caption(), QStringLiteral("Box Disc"));
        QCOMPARE(media.LoadedParentKey(), QStringLiteral("B1"));
        // Cancel writes nothing and the key stays: there is no cancel step in the model at all.
        QCOMPARE(media.Key(), QStringLiteral("E1"));
        MediaForm form = media.Form();
        form.strName = QStringLiteral("Box Disc A");
        form.parentKey = QStringLiteral("C1");
        QVERIFY(media.Save(form, PendingCovers()).saved);
        QCOMPARE(media.Key(), QStringLiteral("E1"));

        BoxEditor box;
        box.Open("B1");
        QCOMPARE(box.Caption(), QStringLiteral("Zeta Box"));
        QCOMPARE(box.Form().parentKey, QStringLiteral("S1"));
        BoxForm boxForm = box.Form();
        boxForm.strUPC = QStringLiteral(" 036000291452 ");
        QVERIFY(box.Save(boxForm, PendingCovers()).saved);
        // Saved as typed, surrounding spaces too (the record file trims them when it is read back).
        QCOMPARE(gBoxes->Item("B1")->strUPC(), QStringLiteral(" 036000291452 "));

        TestWorld::LoadCollections(Db());
        QCOMPARE(gMedias->Item("E1")->strName(), QStringLiteral("Box Disc A"));
        QCOMPARE(gMedias->Item("E1")->lngParentType(), 1);
        QCOMPARE(gMedias->Count(), 2);
        QCOMPARE(gBoxes->Count(), 2);

        // A key that names nothing opens empty and OK writes nothing.
        box.Open("B77");
        QCOMPARE(box.Caption(), QStringLiteral("Box"));
        QVERIFY(box.Save(FullBox(), PendingCovers()).saved);
        QCOMPARE(gBoxes->Count(), 2);
    }

    void newBox()
    {
        BoxEditor box;
        box.SetParentKey("S1");
        box.Open(QString());
        QCOMPARE(box.Caption(), QStringLiteral("<New box>"));
        PendingCovers covers;
        covers.Pick(PendingCovers::Side::Front, m_picture);
        QVERIFY(box.Save(FullBox(), covers).saved);
        QCOMPARE(box.Key(), QStringLiteral("B3"));
        TestWorld::LoadCollections(Db());
        QCOMPARE(ReadBox(*gBoxes->Item("B3")), FullBox());
        QCOMPARE(gBoxes->Item("B3")->strFrontCover(), QStringLiteral("FrontCover.jpg"));
    }

    // An editor opens with the covers its item has stored, for the dialog to show; a new item and a template have
    // none, also right after an item that had some.
    void storedCovers()
    {
        QVERIFY(gBoxes->Item("B1")->AddFrontCover(m_picture));
        QVERIFY(gMedias->Item("E1")->AddBackCover(m_picture));
        BoxEditor box;
        box.Open("B1");
        QCOMPARE(box.Covers(), (StoredCovers{gBoxes->Item("B1")->Path() + "/FrontCover.jpg", QString()}));
        box.Open(QString());
        QCOMPARE(box.Covers(), StoredCovers());
        MediaEditor media;
        media.Open("E1");
        QCOMPARE(media.Covers(), (StoredCovers{QString(), gMedias->Item("E1")->Path() + "/BackCover.jpg"}));
        media.OpenTemplate();
        QCOMPARE(media.Covers(), StoredCovers());
        media.Open("E2");
        QCOMPARE(media.Covers(), StoredCovers());
    }

    void orphansKeepTheirParent()
    {
        MediaEditor media;
        media.Open("E2");
        QCOMPARE(media.Form().parentKey, QStringLiteral("B99"));
        QVERIFY(!media.Offers("B99"));
        QVERIFY(media.Save(media.Form(), PendingCovers()).saved);
        BoxEditor box;
        box.Open("B2");
        QVERIFY(box.Save(box.Form(), PendingCovers()).saved);
        TestWorld::LoadCollections(Db());
        QCOMPARE(gMedias->Item("E2")->lngParentID(), 99);
        QCOMPARE(gBoxes->Item("B2")->lngParentType(), 2);
        QCOMPARE(gBoxes->Item("B2")->lngParentID(), 99);
    }

    void mediaTemplate()
    {
        const int folders = Folders("Medias");
        MediaEditor editor;
        editor.OpenTemplate();
        QCOMPARE(editor.Key(), MediaEditor::kTemplateKey);
        QCOMPARE(editor.Caption(), QStringLiteral("<New Media Template>"));
        PendingCovers covers;
        covers.Pick(PendingCovers::Side::Front, m_picture);
        // Whatever reaches the save, the template keeps only what it carries: description and extras.
        QVERIFY(editor.Save(FullMedia(), covers).saved);
        const std::unique_ptr<CMedia> medium = editor.TakeTemplate();
        QVERIFY(medium);
        QCOMPARE(medium->dMedia(), FullMedia().dMedia);
        QCOMPARE(medium->strExtras(), FullMedia().strExtras);
        QCOMPARE(medium->strName(), QString());
        QCOMPARE(medium->strUPC(), QString());
        QCOMPARE(medium->lngParentType(), 0);
        QCOMPARE(medium->lngParentID(), 0);
        QCOMPARE(medium->strFrontCover(), QString());
        QCOMPARE(gMedias->Count(), 2);
        QCOMPARE(Folders("Medias"), folders);
        QVERIFY(!editor.TakeTemplate());

        // A later template ended by Cancel gives no object, though the earlier one gave one.
        QVERIFY(editor.Save(FullMedia(), PendingCovers()).saved);
        editor.OpenTemplate();
        QVERIFY(!editor.TakeTemplate());
    }

    void codePageRefusal()
    {
        MediaEditor media;
        media.Open(QString());
        MediaForm form = FullMedia();
        form.strName = QStringLiteral("Disc \u2460");
        form.strExtras = QStringLiteral("\u0141\u00f3d\u017a");
        SaveOutcome outcome = media.Save(form, PendingCovers());
        QVERIFY(!outcome.saved);
        QVERIFY(outcome.message.contains(QStringLiteral("\"Name\"")));
        QVERIFY(outcome.message.contains(QStringLiteral("\"Extras\"")));
        QCOMPARE(media.Key(), QString());
        QCOMPARE(gMedias->Count(), 2);

        BoxEditor box;
        box.Open("B1");
        BoxForm boxForm = FullBox();
        boxForm.strUPC = QStringLiteral("036000\u2009291452");
        outcome = box.Save(boxForm, PendingCovers());
        QVERIFY(!outcome.saved);
        QVERIFY(outcome.message.contains(QStringLiteral("\"UPC/EAN\"")));
        QCOMPARE(gBoxes->Item("B1")->strName(), QStringLiteral("Zeta Box"));
    }

    void storeRefusal()
    {
        // A new medium the store cannot add: no key, nothing kept.
        BlockFolder(Db() + "/Medias");
        MediaEditor media;
        media.Open(QString());
        SaveOutcome outcome = media.Save(FullMedia(), PendingCovers());
        QVERIFY(!outcome.saved);
        QCOMPARE(outcome.message, StoreRefusalMessage());
        QCOMPARE(media.Key(), QString());
        QCOMPARE(gMedias->Count(), 2);
        UnblockFolder(Db() + "/Medias");

        // An existing box whose record cannot be rewritten keeps its fields in memory, and no cover is copied.
        const auto box = gBoxes->Item("B1");
        const QString folder = box->Path();
        const BoxForm before = ReadBox(*box);
        BlockFolder(folder);
        BoxEditor editor;
        editor.Open("B1");
        PendingCovers covers;
        covers.Pick(PendingCovers::Side::Front, m_picture);
        outcome = editor.Save(FullBox(), covers);
        QVERIFY(!outcome.saved);
        QCOMPARE(editor.Key(), QStringLiteral("B1"));
        QCOMPARE(ReadBox(*box), before);
        QFile::remove(folder);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(editor.Save(FullBox(), covers).saved);
        QCOMPARE(box->strName(), QStringLiteral("The Complete Series"));
        QVERIFY(QFile::exists(folder + "/FrontCover.jpg"));
    }
};

QTEST_GUILESS_MAIN(TestMediaBoxEditors)
#include "tst_mediaboxeditors.moc"
