#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <QMetaProperty>
#include <QtTest>

namespace {

const QStringList kCovers = {"strFrontCover", "strFrontCoverExt", "strFrontCoverURL",
                             "strBackCover",  "strBackCoverExt",  "strBackCoverURL"};

std::unique_ptr<QObject> MakeItem(const QString& kind)
{
    if (kind == "box") {
        return std::make_unique<UEFBox>();
    }
    if (kind == "media") {
        return std::make_unique<UEFMedia>();
    }
    return std::make_unique<UEFMovie>();
}

} // namespace

class TestUEFObjects : public QObject
{
    Q_OBJECT

private slots:
    // The viewer and the transfer code reach item fields by name: every field must be a real, writable property.
    void propertiesByName_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("box") << "box" << QStringList{"strExtras", "strName", "strUPC", "strSortKey"} + kCovers;
        QTest::newRow("media") << "media"
                               << QStringList{"strMedia",  "strDVDCase", "strLDType", "strDVDType", "strDVDRegion",
                                              "strExtras", "strName",    "strUPC",    "strSortKey"} +
                                      kCovers;
        QTest::newRow("movie") << "movie"
                               << QStringList{"strMedia",     "strDVDCase",   "strLDType",   "strDVDType",
                                              "strDVDRegion", "strSubtitles", "strWriter",   "strDirector",
                                              "strProducer",  "strCast",      "strSoundmix", "strUPC",
                                              "strSortKey",   "strCountry",   "strYear",     "strTitle",
                                              "strLabel",     "strLength",    "strWebsite",  "strNotes",
                                              "strSynopsis",  "strPicture",   "strExtras",   "strSystem",
                                              "strStudio"} +
                                      kCovers;
    }
    void propertiesByName()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, names);
        const std::unique_ptr<QObject> item = MakeItem(kind);
        const QMetaObject* meta = item->metaObject();
        // Every property beyond QObject's own is one of these: none missing, none extra.
        QCOMPARE(meta->propertyCount() - QObject::staticMetaObject.propertyCount(), names.size());
        // Distinct short values (the year keeps four characters), read back after all writes, so two properties
        // sharing one field would show.
        for (int i = 0; i < names.size(); ++i) {
            const QByteArray key = names[i].toLatin1();
            QVERIFY2(item->property(key).toString().isEmpty(), key);
            QVERIFY2(item->setProperty(key, "v" + QString::number(i)), key);
        }
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(item->property(names[i].toLatin1()).toString(), "v" + QString::number(i));
        }
        // Set by name, read through the class: the same field.
        const QString cover = QString::fromLatin1("\x01[cover]\xff");
        QVERIFY(item->setProperty("strFrontCover", cover));
        if (auto* box = qobject_cast<UEFBox*>(item.get())) {
            QCOMPARE(box->strFrontCover(), cover);
        } else if (auto* media = qobject_cast<UEFMedia*>(item.get())) {
            QCOMPARE(media->strFrontCover(), cover);
        } else {
            QCOMPARE(qobject_cast<UEFMovie*>(item.get())->strFrontCover(), cover);
        }
    }

    void yearKeepsFirstFourCharacters_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("range") << "1999-2000"
                               << "1999";
        QTest::newRow("short") << "99"
                               << "99";
        QTest::newRow("leading blank") << " 1999"
                                       << " 199";
        QTest::newRow("empty") << ""
                               << "";
    }
    void yearKeepsFirstFourCharacters()
    {
        QFETCH(QString, value);
        QFETCH(QString, stored);
        UEFMovie movie;
        movie.setStrYear(value);
        QCOMPARE(movie.strYear(), stored);
        movie.setProperty("strYear", value);
        QCOMPARE(movie.strYear(), stored);
    }

    void notesLoseTrailingLineEnds_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("two pairs") << "line\r\n\r\n"
                                   << "line";
        QTest::newRow("only pairs") << "\r\n\r\n\r\n"
                                    << "";
        QTest::newRow("inner pair") << "a\r\nb"
                                    << "a\r\nb";
        QTest::newRow("lone CR") << "a\r"
                                 << "a\r";
        QTest::newRow("lone LF") << "a\n"
                                 << "a\n";
        QTest::newRow("LF after pair") << "a\r\n\n"
                                       << "a\r\n\n";
        QTest::newRow("blank after pair") << "a\r\n "
                                          << "a\r\n ";
    }
    void notesLoseTrailingLineEnds()
    {
        QFETCH(QString, value);
        QFETCH(QString, stored);
        UEFMovie movie;
        movie.setStrNotes(value);
        movie.setProperty("strSynopsis", value);
        QCOMPARE(movie.strNotes(), stored);
        QCOMPARE(movie.strSynopsis(), stored);
        movie.setStrExtras(value);
        QCOMPARE(movie.strExtras(), value);
    }

    void readersShareTheOwnersCollection()
    {
        UEFBox box;
        const auto first = box.colContents();
        const auto second = box.colContents();
        QCOMPARE(first.get(), second.get());
        first->Add(std::make_shared<UEFMovie>());
        QCOMPARE(box.colContents()->Count(), 1);

        UEFMedia media;
        media.colContents()->Add(std::make_shared<UEFMovie>());
        QCOMPARE(media.colContents()->Count(), 1);

        // Replacing keeps the given object; null leaves an empty collection rather than none.
        auto replacement = std::make_shared<UEFCollection>();
        media.setColContents(replacement);
        QCOMPARE(media.colContents().get(), replacement.get());
        media.setColContents(nullptr);
        QVERIFY(media.colContents());
        QCOMPARE(media.colContents()->Count(), 0);
    }

    void collectionKeepsOrderAndCountsFromOne()
    {
        UEFCollection items;
        auto a = std::make_shared<UEFMovie>();
        auto b = std::make_shared<UEFMedia>();
        auto c = std::make_shared<UEFBox>();
        items.Add(a);
        items.Add(b);
        items.Add(c);
        QCOMPARE(items.Count(), 3);
        QCOMPARE(items.Item(1).get(), a.get());
        QCOMPARE(items.Item(3).get(), c.get());
        QVERIFY(!items.Item(0));
        QVERIFY(!items.Item(4));
        items.Remove(2);
        items.Remove(9);
        QList<QObject*> order;
        for (const auto& entry : items) {
            order << entry.get();
        }
        QCOMPARE(order, (QList<QObject*>{a.get(), c.get()}));
    }

    void clearGivesANewEmptyCollection()
    {
        UEF document;
        const auto old = document.colUEF();
        QCOMPARE(document.colUEF().get(), old.get());
        old->Add(std::make_shared<UEFMovie>());
        QVERIFY(!document.strUEF().isEmpty());
        document.Clear();
        QVERIFY(document.colUEF().get() != old.get());
        QCOMPARE(document.colUEF()->Count(), 0);
        QCOMPARE(old->Count(), 1);
        QCOMPARE(document.strUEF(), QString());
        QVERIFY(QMetaObject::invokeMethod(&document, "Clear"));
    }
};

QTEST_GUILESS_MAIN(TestUEFObjects)
#include "tst_uefobjects.moc"
