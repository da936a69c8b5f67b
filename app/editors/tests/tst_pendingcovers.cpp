// Pending cover choices applied to a real movie in a temporary store.

#include "editors/PendingCovers.h"

#include "AnsiText.h"
#include "CMovies.h"
#include "TestPictures.h"
#include "TestStore.h"

#include <QDir>
#include <QtTest>

using Side = PendingCovers::Side;

class TestPendingCovers : public QObject
{
    Q_OBJECT

private:
    TestStore m_store;
    std::unique_ptr<CMovies> m_movies;
    std::shared_ptr<CMovie> m_movie;

    QString Picture(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_store.path(QStringLiteral("pictures/") + name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        [&] { QVERIFY(AnsiText::WriteFileBytes(path, bytes)); }();
        return path;
    }
    QByteArray Stored(const QString& name) const
    {
        QFile file(QDir(m_movie->Path()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList CoverFiles() const
    {
        return QDir(m_movie->Path()).entryList({QStringLiteral("*Cover.*")}, QDir::Files, QDir::Name);
    }

private slots:
    void init()
    {
        m_movies = std::make_unique<CMovies>();
        m_movies->setDBDir(m_store.db());
        const QString key = m_movies->Add(QStringLiteral("Movie"));
        QVERIFY(!key.isEmpty());
        m_movie = m_movies->Item(key);
        QVERIFY(m_movie && !m_movie->Path().isEmpty());
        // A stored front and back cover to keep, replace or delete.
        m_movie->AddFrontCover(Picture(QStringLiteral("old-front.gif"), "old front"));
        m_movie->AddBackCover(Picture(QStringLiteral("old-back.gif"), "old back"));
        QCOMPARE(CoverFiles(), (QStringList{QStringLiteral("BackCover.gif"), QStringLiteral("FrontCover.gif")}));
    }

    void cleanup()
    {
        if (m_movies) {
            m_movies->Remove(m_movie->strKey());
        }
        m_movie.reset();
        m_movies.reset();
    }

    void nothingPendingKeepsTheCovers()
    {
        PendingCovers pending;
        QVERIFY(pending.IsEmpty());
        QVERIFY(pending.Apply(*m_movies, m_movie->strKey()));
        QCOMPARE(Stored(QStringLiteral("FrontCover.gif")), QByteArray("old front"));
        QCOMPARE(Stored(QStringLiteral("BackCover.gif")), QByteArray("old back"));
    }

    void lastChoiceWins_data()
    {
        QTest::addColumn<QStringList>("actions"); // "pick:<name>" or "delete", front side
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArray>("front");

        QTest::newRow("pick") << QStringList{"pick:new.jpg"} << QStringList{"BackCover.gif", "FrontCover.jpg"}
                              << QByteArray("new jpeg");
        QTest::newRow("delete") << QStringList{"delete"} << QStringList{"BackCover.gif"} << QByteArray();
        QTest::newRow("delete then pick") << QStringList{"delete", "pick:new.jpg"}
                                          << QStringList{"BackCover.gif", "FrontCover.jpg"} << QByteArray("new jpeg");
        QTest::newRow("pick then delete")
            << QStringList{"pick:new.jpg", "delete"} << QStringList{"BackCover.gif"} << QByteArray();
        QTest::newRow("pick twice") << QStringList{"pick:new.jpg", "pick:other.PNG"}
                                    << QStringList{"BackCover.gif", "FrontCover.PNG"} << QByteArray("other png");
        // A cancelled pick hands in no path and changes nothing.
        QTest::newRow("cancelled pick") << QStringList{"pick:"} << QStringList{"BackCover.gif", "FrontCover.gif"}
                                        << QByteArray("old front");
    }
    void lastChoiceWins()
    {
        QFETCH(QStringList, actions);
        QFETCH(QStringList, files);
        QFETCH(QByteArray, front);
        const QString newJpeg = Picture(QStringLiteral("new.jpg"), "new jpeg");
        const QString otherPng = Picture(QStringLiteral("other.PNG"), "other png");

        PendingCovers pending;
        for (const QString& action : actions) {
            if (action == QLatin1String("delete")) {
                pending.Delete(Side::Front);
            } else {
                const QString name = action.mid(5);
                pending.Pick(Side::Front,
                             name.isEmpty() ? QString() : m_store.path(QStringLiteral("pictures/") + name));
            }
        }
        QCOMPARE(pending.back(), QString());
        QVERIFY(pending.Apply(*m_movies, m_movie->strKey()));
        QCOMPARE(CoverFiles(), files);
        QCOMPARE(m_movie->strFrontCover(), files.size() == 2 ? files.at(1) : QString());
        if (!front.isEmpty()) {
            QCOMPARE(Stored(m_movie->strFrontCover()), front);
        }
        QCOMPARE(Stored(QStringLiteral("BackCover.gif")), QByteArray("old back"));
        QVERIFY(QFile::exists(newJpeg) && QFile::exists(otherPng));
    }

    void bothSidesAndReset()
    {
        PendingCovers pending;
        pending.Delete(Side::Back);
        pending.Pick(Side::Front, Picture(QStringLiteral("f.jpeg"), "front jpeg"));
        QCOMPARE(pending.Value(Side::Back), PendingCovers::kDelete);
        QVERIFY(pending.Apply(*m_movies, m_movie->strKey()));
        QCOMPARE(CoverFiles(), QStringList{QStringLiteral("FrontCover.jpeg")});
        QCOMPARE(m_movie->strBackCover(), QString());

        pending.Reset();
        QVERIFY(pending.IsEmpty());
        QVERIFY(pending.Apply(*m_movies, m_movie->strKey()));
        QCOMPARE(CoverFiles(), QStringList{QStringLiteral("FrontCover.jpeg")});
    }

    // A picked file is taken only when it is a picture the program decodes within the size limit, whatever its first
    // bytes claim, and its name's extension names the picture's format (the store keeps it); the refusal names the
    // file.
    void pickRefusal_data()
    {
        const QByteArray png = TestSupport::PngPicture(16, 32);
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("taken");
        QTest::newRow("picture") << "real.png" << png << true;
        QTest::newRow("picture, extension in capitals") << "real.PNG" << png << true;
        QTest::newRow("bmp picture") << "real.bmp" << TestSupport::BmpPicture(10, 10) << true;
        QTest::newRow("text named as a picture") << "notes.jpg" << QByteArray("just some text") << false;
        QTest::newRow("html") << "page.html" << QByteArray("<html><script>alert(1)</script></html>") << false;
        QTest::newRow("svg named as a picture")
            << "drawing.png" << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><rect/></svg>") << false;
        QTest::newRow("gif header on html")
            << "poly.html" << QByteArray("GIF89a\x2F\x2A\x0A\x00<html></html>") << false;
        QTest::newRow("picture header only") << "header.png" << png.left(33) << false;
        QTest::newRow("declaring 60000x60000") << "huge.png" << TestSupport::PngDeclaring(60000, 60000) << false;
        QTest::newRow("picture named as another kind") << "real.gif" << png << false;
        QTest::newRow("empty file") << "empty.gif" << QByteArray() << false;
        QTest::newRow("picture without an extension") << "cover" << png << false;
        QTest::newRow("missing") << "" << QByteArray() << false;
    }
    void pickRefusal()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, taken);
        const QString path = name.isEmpty() ? m_store.path(QStringLiteral("gone.png")) : Picture(name, bytes);
        const QString refusal = PendingCovers::PickRefusal(path);
        QCOMPARE(refusal.isEmpty(), taken);
        if (!taken) {
            QVERIFY2(refusal.contains(QDir::toNativeSeparators(path)), qPrintable(refusal));
        }
    }

    void itemNotStoredIsLeftAlone()
    {
        // A key that names no stored item: nothing is copied anywhere.
        PendingCovers pending;
        pending.Pick(Side::Front, Picture(QStringLiteral("t.jpg"), "t"));
        pending.Delete(Side::Back);
        QVERIFY(pending.Apply(*m_movies, QStringLiteral("M999")));
        QCOMPARE(CoverFiles().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestPendingCovers)
#include "tst_pendingcovers.moc"
