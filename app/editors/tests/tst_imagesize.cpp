// Picture sizes from PNG, GIF and JPEG headers, and hostile files that must neither be over-read nor hang.

#include "editors/ImageSize.h"

#include "AnsiText.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

QByteArray Png(quint32 width, quint32 height)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (quint32 value : {width, height}) {
        bytes.append(char(value >> 24)).append(char(value >> 16)).append(char(value >> 8)).append(char(value));
    }
    return bytes.append("\x08\x02\0\0\0", 5);
}

QByteArray Gif(int width, int height)
{
    QByteArray bytes("GIF89a");
    bytes.append(char(width & 0xFF)).append(char(width >> 8)).append(char(height & 0xFF)).append(char(height >> 8));
    return bytes.append("\x80\0\0", 3);
}

// One segment: marker, the length (its own two bytes included, high byte first), the body.
QByteArray Segment(unsigned char marker, const QByteArray& body)
{
    const int length = int(body.size()) + 2;
    return QByteArray("\xff", 1).append(char(marker)).append(char(length >> 8)).append(char(length)).append(body);
}

QByteArray Frame(unsigned char marker, int width, int height)
{
    QByteArray body(1, '\x08');
    body.append(char(height >> 8)).append(char(height)).append(char(width >> 8)).append(char(width));
    return Segment(marker, body.append("\x01\x01\x11\0", 4));
}

const QByteArray kSoi("\xff\xd8", 2);
const QByteArray kApp0 = Segment(0xE0, QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
const QByteArray kEoi("\xff\xd9", 2);

QByteArray Jpeg(int width, int height, unsigned char sof = 0xC0)
{
    return kSoi + kApp0 + Frame(sof, width, height) + kEoi;
}

} // namespace

class TestImageSize : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        [&] { QVERIFY(AnsiText::WriteFileBytes(path, bytes)); }();
        return path;
    }

private slots:
    void makeWord()
    {
        QCOMPARE(MakeWord(0, 0), 0);
        QCOMPARE(MakeWord(64, 1), 320);
        QCOMPARE(MakeWord(255, 255), 65535);
        QCOMPARE(MakeWord(0, 128), 32768);
    }

    void sizes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");

        QTest::newRow("png") << Png(600, 800) << QSize(600, 800);
        // Only the low two bytes of the header's fields count.
        QTest::newRow("png wider than 16 bits") << Png(65536 + 300, 2) << QSize(300, 2);
        // A picture too large to be shown has no size, whatever its low bytes say.
        QTest::newRow("png past the limit") << Png(65536 + 300, 0x01020304) << QSize(0, 0);
        QTest::newRow("png truncated in the height") << Png(600, 800).left(22) << QSize(0, 0);
        QTest::newRow("gif 320 wide") << Gif(320, 200) << QSize(320, 200);
        QTest::newRow("gif87a") << QByteArray("GIF87a\x10\0\x20\0", 10) << QSize(16, 32);
        QTest::newRow("gif truncated") << Gif(320, 200).left(9) << QSize(0, 0);
        QTest::newRow("jpeg baseline") << Jpeg(500, 1000) << QSize(500, 1000);
        QTest::newRow("jpeg extended") << Jpeg(640, 480, 0xC1) << QSize(640, 480);
        QTest::newRow("jpeg progressive") << Jpeg(641, 481, 0xC2) << QSize(641, 481);
        QTest::newRow("jpeg lossless") << Jpeg(7, 9, 0xC3) << QSize(7, 9);
        QTest::newRow("jpeg large") << Jpeg(8000, 4000) << QSize(8000, 4000);
        QTest::newRow("jpeg past the limit") << Jpeg(60000, 60000) << QSize(0, 0);
        QTest::newRow("jpeg hierarchical only") << Jpeg(640, 480, 0xC5) << QSize(0, 0);
        // Application segments longer than 32767 bytes: their lengths are unsigned.
        QTest::newRow("jpeg long app segments")
            << kSoi + Segment(0xE1, QByteArray(40000, 'x')) + Segment(0xED, QByteArray(65533, '\xff')) +
                   Frame(0xC0, 1920, 1080) + kEoi
            << QSize(1920, 1080);
        QTest::newRow("jpeg fill bytes") << kSoi + kApp0 + QByteArray(5, '\xff') + Frame(0xC2, 33, 44) << QSize(33, 44);
        QTest::newRow("jpeg zero-size frame") << Jpeg(0, 480) << QSize(0, 0);
        QTest::newRow("jpeg zero-length segment")
            << kSoi + QByteArray("\xff\xe0\0\0", 4) + Frame(0xC0, 10, 10) << QSize(0, 0);
        QTest::newRow("jpeg one-byte segment")
            << kSoi + QByteArray("\xff\xe0\0\x01", 4) + Frame(0xC0, 10, 10) << QSize(0, 0);
        QTest::newRow("jpeg segment past the end") << kSoi + QByteArray("\xff\xe0\xff\xf0xx", 6) << QSize(0, 0);
        QTest::newRow("jpeg frame cut short") << (kSoi + kApp0 + Frame(0xC0, 100, 200)).chopped(5) << QSize(0, 0);
        QTest::newRow("jpeg length cut off") << kSoi + kApp0 + QByteArray("\xff\xe1\x01", 3) << QSize(0, 0);
        QTest::newRow("jpeg only fill") << kSoi + QByteArray(1000, '\xff') << QSize(0, 0);
        QTest::newRow("jpeg no marker") << kSoi + QByteArray("\xff", 1) + QByteArray(100, '\0') << QSize(0, 0);
        QTest::newRow("jpeg start only") << QByteArray("\xff\xd8\xff", 3) << QSize(0, 0);
        QTest::newRow("empty") << QByteArray() << QSize(0, 0);
        QTest::newRow("other format") << QByteArray("BM\x36\0\0\0\0\0\0\0\x36\0\0\0\x28\0", 16) << QSize(0, 0);
    }
    void sizes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QCOMPARE(GetImageSizeFromBytes(bytes), size);
        // Read from a file as well, through its own copy of exactly that many bytes.
        QCOMPARE(GetImageSize(Write(QStringLiteral("picture"), bytes)), size);
    }

    void everyTruncationIsSafe()
    {
        // Each prefix of a good file, copied so a sanitizer sees any read past its end.
        const QByteArray whole = kSoi + Segment(0xE1, QByteArray(300, 'x')) + kApp0 + Frame(0xC0, 120, 90) + kEoi;
        for (qsizetype n = 0; n < whole.size(); ++n) {
            const QByteArray part(whole.constData(), n);
            const QSize size = GetImageSizeFromBytes(part);
            QVERIFY(size == QSize(0, 0) || size == QSize(120, 90));
        }
    }

    void filesThatAreNoPictures()
    {
        QCOMPARE(GetImageSize(m_dir.filePath(QStringLiteral("missing.jpg"))), QSize(0, 0));
        QCOMPARE(GetImageSize(QString()), QSize(0, 0));
        QCOMPARE(GetImageSize(Write(QStringLiteral("empty.png"), QByteArray())), QSize(0, 0));
        QCOMPARE(GetImageSize(m_dir.path()), QSize(0, 0));
        // A pipe nobody writes to must not block.
        const QString fifo = m_dir.filePath(QStringLiteral("pipe.jpg"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(GetImageSize(fifo), QSize(0, 0));
        QVERIFY(timer.elapsed() < 5000);
    }

    void onlyTheHeadOfAHugeFileIsRead()
    {
        // A sparse file far larger than the part that is read; the frame lies within it.
        const QString path = Write(QStringLiteral("huge.jpg"), Jpeg(800, 600));
        QFile file(path);
        QVERIFY(file.resize(4 * kMaxImageHeaderBytes));
        QCOMPARE(GetImageSize(path), QSize(800, 600));
    }

    void fitCover_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("600 x 800") << QSize(600, 800) << QSize(3135, 4180);
        QTest::newRow("500 x 1000") << QSize(500, 1000) << QSize(2145, 4290);
        QTest::newRow("the box's own proportions") << QSize(3135, 4290) << QSize(3135, 4290);
        QTest::newRow("unknown") << QSize(0, 0) << QSize(3135, 4290);
        QTest::newRow("no height") << QSize(100, 0) << QSize(3135, 4290);
        // 3135 * 1 / 2 = 1567.5 rounds to the even 1568; 4290 * 1 / 4 = 1072.5 to the even 1072.
        QTest::newRow("half up to even") << QSize(2, 1) << QSize(3135, 1568);
        QTest::newRow("half down to even") << QSize(1, 4) << QSize(1072, 4290);
        QTest::newRow("very wide") << QSize(65535, 1) << QSize(3135, 0);
    }
    void fitCover()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, shown);
        QCOMPARE(FitCoverSize(picture), shown);
    }
};

QTEST_GUILESS_MAIN(TestImageSize)
#include "tst_imagesize.moc"
