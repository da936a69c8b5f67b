// The pairs game window's wiring: the board where it belongs, a click turning a card face up over itself and in the
// preview, the turn ending after its delay, the question after the last pair, and cards whose picture cannot be
// shown.

#include "CollectionWorld.h"
#include "shell/frmMemory.h"

#include "AnsiText.h"
#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace TestWorld;
using TestSupport::AnswerModal;

class TestMemory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void board();
    void turns();
    void coversThatCannotBeShown();
    void wholeGames();
    void tooFewCovers();
    void escapeKeepsTheGame();

private:
    // count movies with a front cover each of its own colour; the first cover is no picture at all; with tooLarge
    // the second is a real picture declaring more pixels than may be decoded.
    void AddCovers(int count, bool tooLarge = false);
    QLabel* Label(const QString& name) const { return m_game->findChild<QLabel*>(name); }
    QLabel* Card(int i) const { return Label(QStringLiteral("imgImage%1").arg(i)); }
    QTimer* Timer() const { return m_game->findChild<QTimer*>("tmReset"); }
    // The two cards of the picture of card i.
    QList<int> Pair(int i) const;
    // The colour of a preview's middle, and the colour a cover was painted in.
    static QRgb Middle(const QLabel* label);
    QRgb CoverColour(const QString& path) const { return m_colours.value(path); }
    static bool ShowsBack(const QLabel* label);

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    QHash<QString, QRgb> m_colours;
    QString m_noPicture;
    QString m_tooLarge;
    std::unique_ptr<frmMemory> m_game;
};

void TestMemory::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_colours.clear();
}

void TestMemory::cleanup()
{
    m_game.reset();
    gTempFolder.clear();
    m_dir.reset();
}

void TestMemory::AddCovers(int count, bool tooLarge)
{
    for (int i = 0; i < count; ++i) {
        const auto movie = gMovies->Item(AddMovie(QStringLiteral("Movie %1").arg(i, 2, 10, QChar('0')), "!0", "DVD"));
        const QString source = m_dir->path(QStringLiteral("cover%1.png").arg(i));
        const QColor colour = QColor::fromHsv(i * 17 % 360, 200, 230);
        QByteArray bytes("no picture at all");
        if (i == 1 && tooLarge) {
            // One bit a pixel: small to make and decode, but 8192 x 4200 pixels are more than a cover may take.
            QImage image(8192, 4200, QImage::Format_Mono);
            image.fill(1);
            QBuffer buffer(&bytes);
            bytes.clear();
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(image.save(&buffer, "PNG"));
        } else if (i > 0) {
            QImage image(30, 40, QImage::Format_RGB32);
            image.fill(colour);
            QBuffer buffer(&bytes);
            bytes.clear();
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(image.save(&buffer, "PNG"));
        }
        QVERIFY(AnsiText::WriteFileBytes(source, bytes));
        movie->AddFrontCover(source);
        const QString path = movie->Path() + "/" + movie->strFrontCover();
        if (i == 0) {
            m_noPicture = path;
        } else if (i == 1 && tooLarge) {
            m_tooLarge = path;
        } else {
            m_colours.insert(path, colour.rgb());
        }
    }
    LoadCollections(m_dbDir);
}

QList<int> TestMemory::Pair(int i) const
{
    QList<int> cards;
    for (int j = 0; j < MemoryGame::kCards; ++j) {
        if (m_game->Game().Card(j).strPicture == m_game->Game().Card(i).strPicture) {
            cards << j;
        }
    }
    return cards;
}

QRgb TestMemory::Middle(const QLabel* label)
{
    const QImage image = label->pixmap().toImage();
    return image.pixel(image.width() / 2, image.height() / 3);
}

bool TestMemory::ShowsBack(const QLabel* label)
{
    return label->pixmap().toImage() == frmMemory::CardBack().toImage();
}

void TestMemory::board()
{
    AddCovers(20);
    m_game = std::make_unique<frmMemory>(nullptr, 1);
    QVERIFY(m_game->ResetAll());
    m_game->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_game.get()));

    const double tpp = 1440.0 / m_game->logicalDpiX();
    const auto px = [tpp](const QRect& twips) {
        const int left = qRound(twips.left() / tpp);
        const int top = qRound(twips.top() / tpp);
        return QRect(left, top, qRound((twips.left() + twips.width()) / tpp) - left,
                     qRound((twips.top() + twips.height()) / tpp) - top);
    };
    QCOMPARE(m_game->windowTitle(), QStringLiteral("Vidsora memory"));
    QCOMPARE(m_game->size(), px(QRect(0, 0, 9750, 6105)).size());
    QCOMPARE(m_game->minimumSize(), m_game->maximumSize());
    QVERIFY(!(m_game->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // Card 13 is in row 1, column 5.
    QCOMPARE(frmMemory::CardRect(13), QRect(2040 + 960 * 5, 120 + 1200, 855, 1095));
    for (int i = 0; i < MemoryGame::kCards; ++i) {
        QCOMPARE(Card(i)->geometry(), px(frmMemory::CardRect(i)));
        QVERIFY(Card(i)->isVisible());
        QVERIFY(ShowsBack(Card(i)));
    }
    QCOMPARE(Label("imgPreview0")->geometry(), px(QRect(120, 120, 1815, 2295)));
    QCOMPARE(Label("imgPreview1")->geometry(), px(QRect(120, 2520, 1815, 2295)));
    QCOMPARE(Label("lblTries")->geometry(), px(QRect(240, 5280, 1575, 375)));
    QCOMPARE(Label("lblTries")->text(), QStringLiteral("0"));
    QCOMPARE(Label("lblTries")->font().pointSize(), 18);
    QVERIFY(!Label("imgShow0")->isVisible());
    QVERIFY(!Label("imgNone")->isVisible());
    QVERIFY(ShowsBack(Label("imgPreview0")));
    QCOMPARE(frmMemory::CardBack().size(), QSize(121, 153));
    QCOMPARE(Timer()->interval(), 2000);
}

void TestMemory::turns()
{
    AddCovers(20);
    m_game = std::make_unique<frmMemory>(nullptr, 11);
    QVERIFY(m_game->ResetAll());
    m_game->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_game.get()));

    // A readable card and its pair.
    int first = 0;
    while (m_game->Game().Card(first).strPicture == m_noPicture) {
        ++first;
    }
    const QList<int> pair = Pair(first);
    const int second = pair.at(0) == first ? pair.at(1) : pair.at(0);
    const QRgb colour = CoverColour(m_game->Game().Card(first).strPicture);

    QTest::mouseClick(Card(first), Qt::LeftButton);
    QVERIFY(Label("imgShow0")->isVisible());
    QCOMPARE(Label("imgShow0")->geometry(), Card(first)->geometry());
    QCOMPARE(Middle(Label("imgPreview0")), colour);
    QCOMPARE(Middle(Label("imgShow0")), colour);
    // The turned card again: nothing.
    QTest::mouseClick(Card(first), Qt::LeftButton);
    QVERIFY(!Label("imgShow1")->isVisible());

    QTest::mouseClick(Card(second), Qt::LeftButton);
    QVERIFY(Label("imgShow1")->isVisible());
    QCOMPARE(Label("imgShow1")->geometry(), Card(second)->geometry());
    QCOMPARE(Middle(Label("imgPreview1")), colour);
    QCOMPARE(m_game->cursor().shape(), Qt::WaitCursor);
    QVERIFY(Timer()->isActive());
    // A third card while two are up: nothing.
    const int third = (second + 1 == first ? second + 2 : second + 1) % MemoryGame::kCards;
    QTest::mouseClick(Card(third), Qt::LeftButton);
    QCOMPARE(m_game->Game().Selected(1), second);

    // The pair leaves the board once the turn ends.
    QTRY_COMPARE_WITH_TIMEOUT(Label("lblTries")->text(), QStringLiteral("1"), 30000);
    QVERIFY(!Card(first)->isVisible());
    QVERIFY(!Card(second)->isVisible());
    QVERIFY(!Label("imgShow0")->isVisible());
    QVERIFY(ShowsBack(Label("imgPreview0")));
    QCOMPARE(m_game->cursor().shape(), Qt::ArrowCursor);

    // Two cards of different pictures turn face down again.
    Timer()->setInterval(20);
    int a = 0;
    while (!Card(a)->isVisible()) {
        ++a;
    }
    int b = a + 1;
    while (!Card(b)->isVisible() || Pair(a).contains(b)) {
        ++b;
    }
    QTest::mouseClick(Card(a), Qt::LeftButton);
    QTest::mouseClick(Card(b), Qt::LeftButton);
    QTRY_COMPARE(Label("lblTries")->text(), QStringLiteral("2"));
    QVERIFY(Card(a)->isVisible());
    QVERIFY(Card(b)->isVisible());
    QVERIFY(ShowsBack(Card(a)));
    QVERIFY(!Label("imgShow1")->isVisible());
    QVERIFY(ShowsBack(Label("imgPreview1")));
}

void TestMemory::coversThatCannotBeShown()
{
    AddCovers(20, true);
    m_game = std::make_unique<frmMemory>(nullptr, 5);
    QVERIFY(m_game->ResetAll());
    m_game->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_game.get()));
    Timer()->setInterval(20);

    // One cover is no picture, one declares more pixels than may be decoded; another goes missing after the deal.
    int readable = 0;
    while (m_game->Game().Card(readable).strPicture == m_noPicture ||
           m_game->Game().Card(readable).strPicture == m_tooLarge) {
        ++readable;
    }
    const QString missing = m_game->Game().Card(readable).strPicture;
    QVERIFY(QFile::remove(missing));
    for (const QString& path : {m_noPicture, m_tooLarge, missing}) {
        int card = 0;
        while (m_game->Game().Card(card).strPicture != path) {
            ++card;
        }
        const QList<int> pair = Pair(card);
        QCOMPARE(pair.size(), 2);
        // First a readable card, so the turned card shows no face left from before.
        QTest::mouseClick(Card(pair.at(0)), Qt::LeftButton);
        QVERIFY(ShowsBack(Label("imgShow0")));
        QVERIFY(ShowsBack(Label("imgPreview0")));
        QTest::mouseClick(Card(pair.at(1)), Qt::LeftButton);
        QVERIFY(ShowsBack(Label("imgShow1")));
        // They still make a pair.
        QTRY_VERIFY(!Card(pair.at(0))->isVisible());
        QVERIFY(!Card(pair.at(1))->isVisible());
    }
}

void TestMemory::wholeGames()
{
    AddCovers(24);
    m_game = std::make_unique<frmMemory>(nullptr, 99);
    QVERIFY(m_game->ResetAll());
    m_game->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_game.get()));
    Timer()->setInterval(1);

    // Plays the remaining pairs; after the last one the question is answered with answer.
    struct Question
    {
        bool asked = false;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Information;
        bool boardFaceUp = true;
    };
    const auto playAll = [this](QMessageBox::StandardButton answer, Question* question) {
        *question = Question();
        for (int i = 0; i < MemoryGame::kCards; ++i) {
            if (!Card(i)->isVisible()) {
                continue;
            }
            const QList<int> pair = Pair(i);
            const bool last = m_game->Game().Tries() % 20 == 19;
            if (last) {
                AnswerModal([this, answer, question](QWidget* modal) {
                    auto* box = qobject_cast<QMessageBox*>(modal);
                    if (!box) {
                        modal->close();
                        return;
                    }
                    question->asked = true;
                    question->title = box->windowTitle();
                    question->text = box->text();
                    question->icon = box->icon();
                    // The whole board lies face up under the question.
                    for (int c = 0; c < MemoryGame::kCards; ++c) {
                        const bool face = m_game->Game().Card(c).strPicture != m_noPicture;
                        question->boardFaceUp &= Card(c)->isVisible() && ShowsBack(Card(c)) != face;
                    }
                    box->button(answer)->click();
                });
            }
            const QString before = Label("lblTries")->text();
            QTest::mouseClick(Card(pair.at(0)), Qt::LeftButton);
            QTest::mouseClick(Card(pair.at(1)), Qt::LeftButton);
            QTRY_VERIFY(Label("lblTries")->text() != before);
            if (last) {
                return;
            }
        }
    };
    const auto verifyAsked = [](const Question& question) {
        QVERIFY(question.asked);
        QCOMPARE(question.title, QStringLiteral("Congratulations!"));
        QCOMPARE(question.text, QStringLiteral("Do you wish to play again?"));
        QCOMPARE(question.icon, QMessageBox::NoIcon);
        QVERIFY(question.boardFaceUp);
    };
    Question question;
    playAll(QMessageBox::Yes, &question);
    verifyAsked(question);
    if (QTest::currentTestFailed()) {
        return;
    }
    // A new game in the same window; the count runs on.
    QCOMPARE(Label("lblTries")->text(), QStringLiteral("20"));
    QVERIFY(m_game->isVisible());
    for (int i = 0; i < MemoryGame::kCards; ++i) {
        QVERIFY(Card(i)->isVisible());
        QVERIFY(ShowsBack(Card(i)));
    }
    playAll(QMessageBox::No, &question);
    verifyAsked(question);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(Label("lblTries")->text(), QStringLiteral("40"));
    QTRY_VERIFY(!m_game->isVisible());
}

void TestMemory::tooFewCovers()
{
    AddCovers(19);
    m_game = std::make_unique<frmMemory>(nullptr, 1);
    QVERIFY(!m_game->ResetAll());
    // Nothing opens and nothing is said.
    bool opened = false;
    TestSupport::AnswerModalIfAny(
        [&opened](QWidget* modal) {
            opened = true;
            modal->close();
        },
        300);
    QVERIFY(!frmMemory::Play(nullptr));
    QTest::qWait(400);
    QVERIFY(!opened);
}

void TestMemory::escapeKeepsTheGame()
{
    AddCovers(20);
    bool openAfterEsc = false;
    bool closedByCloseBox = false;
    AnswerModal([&](QWidget* modal) {
        QTest::keyClick(modal, Qt::Key_Escape);
        openAfterEsc = modal->isVisible();
        closedByCloseBox = modal->close();
    });
    QVERIFY(frmMemory::Play(nullptr));
    QVERIFY(openAfterEsc);
    QVERIFY(closedByCloseBox);
}

int main(int argc, char** argv)
{
    SetUpEnvironment();
    QApplication app(argc, argv);
    TestMemory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_memory.moc"
