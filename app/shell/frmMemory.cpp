#include "shell/frmMemory.h"

#include "core/mLog.h"

#include "PictureImage.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <cmath>
#include <numbers>

namespace {

// The board in twips.
constexpr int kClientWidth = 9750;
constexpr int kClientHeight = 6105;
constexpr int kCardWidth = 855;
constexpr int kCardHeight = 1095;
constexpr int kColumns = 8;
const QRect kPreview[2] = {QRect(120, 120, 1815, 2295), QRect(120, 2520, 1815, 2295)};
const QRect kTries(240, 5280, 1575, 375);

QLabel* ImageLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setScaledContents(true);
    return label;
}

} // namespace

frmMemory::frmMemory(QWidget* parent, std::optional<quint32> seed) : QDialog(parent), m_game(seed)
{
    setObjectName("frmMemory");
    setWindowTitle("Vidsora memory");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(Pixels(QRect(0, 0, kClientWidth, kClientHeight)).size());

    m_back = CardBack();
    imgNone = ImageLabel(this, "imgNone");
    imgNone->setPixmap(m_back);
    imgNone->hide();

    for (int i = 0; i < MemoryGame::kCards; ++i) {
        QLabel* card = ImageLabel(this, QStringLiteral("imgImage%1").arg(i));
        card->setGeometry(Pixels(CardRect(i)));
        card->setPixmap(m_back);
        card->setCursor(Qt::PointingHandCursor);
        card->installEventFilter(this);
        imgImage[size_t(i)] = card;
    }
    for (int k = 0; k < 2; ++k) {
        imgShow[size_t(k)] = ImageLabel(this, QStringLiteral("imgShow%1").arg(k));
        imgShow[size_t(k)]->setGeometry(Pixels(CardRect(0)));
        imgShow[size_t(k)]->hide();
        imgPreview[size_t(k)] = ImageLabel(this, QStringLiteral("imgPreview%1").arg(k));
        imgPreview[size_t(k)]->setGeometry(Pixels(kPreview[k]));
        imgPreview[size_t(k)]->setPixmap(m_back);
    }

    lblTries = new QLabel(QStringLiteral("0"), this);
    lblTries->setObjectName("lblTries");
    lblTries->setGeometry(Pixels(kTries));
    lblTries->setAlignment(Qt::AlignCenter);
    QFont font = lblTries->font();
    font.setPointSize(18);
    lblTries->setFont(font);

    tmReset = new QTimer(this);
    tmReset->setObjectName("tmReset");
    tmReset->setSingleShot(true);
    tmReset->setInterval(MemoryGame::kTurnEndMs);
    connect(tmReset, &QTimer::timeout, this, &frmMemory::tmReset_Timer);
}

frmMemory::~frmMemory() = default;

QRect frmMemory::CardRect(int index)
{
    const int column = index % kColumns;
    const int row = index / kColumns;
    return QRect(2040 + 960 * column, 120 + 1200 * row, kCardWidth, kCardHeight);
}

QRect frmMemory::Pixels(const QRect& twips) const
{
    const int dpi = logicalDpiX();
    const double twipsPerPixel = dpi > 0 ? 1440.0 / dpi : 15.0;
    const auto px = [twipsPerPixel](int t) { return qRound(t / twipsPerPixel); };
    const int left = px(twips.left());
    const int top = px(twips.top());
    return QRect(left, top, px(twips.left() + twips.width()) - left, px(twips.top() + twips.height()) - top);
}

bool frmMemory::Play(QWidget* parent)
{
    frmMemory game(parent);
    if (!game.ResetAll()) {
        return false;
    }
    game.exec();
    return true;
}

bool frmMemory::ResetAll()
{
    tmReset->stop();
    const bool dealt = m_game.ResetAll();
    ShowBoard();
    return dealt;
}

void frmMemory::ShowBoard()
{
    for (int i = 0; i < MemoryGame::kCards; ++i) {
        QLabel* card = imgImage[size_t(i)];
        card->setPixmap(m_game.GameOver() ? Face(m_game.Card(i).strPicture) : m_back);
        card->setVisible(m_game.Visible(i));
    }
    for (int k = 0; k < 2; ++k) {
        const int index = m_game.Selected(k);
        if (index < 0) {
            imgShow[size_t(k)]->hide();
            imgPreview[size_t(k)]->setPixmap(m_back);
        } else {
            ShowTurned(k, index);
        }
    }
}

bool frmMemory::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < MemoryGame::kCards; ++i) {
            if (watched == imgImage[size_t(i)]) {
                imgImage_Click(i);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmMemory::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmMemory::imgImage_Click(int index)
{
    const MemoryGame::Turn turn = m_game.TurnCard(index);
    if (turn == MemoryGame::Turn::Ignored) {
        return;
    }
    ShowTurned(turn == MemoryGame::Turn::First ? 0 : 1, index);
    if (turn == MemoryGame::Turn::Second) {
        setCursor(Qt::WaitCursor);
        tmReset->start();
    }
}

void frmMemory::ShowTurned(int k, int index)
{
    const QPixmap face = Face(m_game.Card(index).strPicture);
    QLabel* shown = imgShow[size_t(k)];
    shown->setGeometry(imgImage[size_t(index)]->geometry());
    shown->setPixmap(face);
    shown->show();
    shown->raise();
    imgPreview[size_t(k)]->setPixmap(face);
}

void frmMemory::tmReset_Timer()
{
    tmReset->stop();
    EndTurn();
}

void frmMemory::EndTurn()
{
    const MemoryGame::TurnEnd end = m_game.EndTurn();
    if (!end.blnEnded) {
        unsetCursor();
        return;
    }
    lblTries->setText(QString::number(m_game.Tries()));
    ShowBoard();
    if (end.blnGameOver) {
        QMessageBox question(QMessageBox::NoIcon, QStringLiteral("Congratulations!"),
                             QStringLiteral("Do you wish to play again?"), QMessageBox::Yes | QMessageBox::No, this);
        unsetCursor();
        if (question.exec() == QMessageBox::Yes) {
            ResetAll();
        } else {
            done(QDialog::Accepted);
        }
    }
    unsetCursor();
}

QPixmap frmMemory::Face(const QString& path)
{
    const auto cached = m_faces.constFind(path);
    if (cached != m_faces.constEnd()) {
        return *cached;
    }
    // Read through the bounded reader (a pipe or device named as a cover never blocks the game) and decoded only
    // when the size its header declares may be, scaled to the largest view of a face, a preview: a cover declaring
    // more pixels than that costs no more than a preview.
    const QSize largest = Pixels(kPreview[0]).size();
    const QImage image = path.isEmpty() ? QImage() : Picture::LoadFileScaled(path, largest);
    QPixmap face;
    if (image.isNull()) {
        qCWarning(lcApp) << "the cover picture could not be shown on a card:" << path;
        face = m_back;
    } else {
        face = QPixmap::fromImage(image);
    }
    m_faces.insert(path, face);
    return face;
}

QPixmap frmMemory::CardBack()
{
    constexpr int w = 121;
    constexpr int h = 153;
    QPixmap back(w, h);
    back.fill(Qt::white);
    QPainter p(&back);
    p.setRenderHint(QPainter::Antialiasing);

    // A dark blue card with a white margin, a lattice of fine lines and a film reel in the middle.
    const QRectF inner(5.5, 5.5, w - 11, h - 11);
    QLinearGradient shade(inner.topLeft(), inner.bottomRight());
    shade.setColorAt(0, QColor(32, 56, 120));
    shade.setColorAt(1, QColor(14, 26, 66));
    p.setPen(QPen(QColor(10, 18, 48), 1));
    p.setBrush(shade);
    p.drawRoundedRect(inner, 6, 6);

    QPainterPath clip;
    clip.addRoundedRect(inner.adjusted(3, 3, -3, -3), 4, 4);
    p.setClipPath(clip);
    p.setPen(QPen(QColor(90, 120, 200, 110), 1));
    for (int d = -h; d < w + h; d += 12) {
        p.drawLine(QPointF(d, 0), QPointF(d + h, h));
        p.drawLine(QPointF(d, h), QPointF(d + h, 0));
    }
    p.setClipping(false);
    p.setPen(QPen(QColor(210, 220, 245), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(inner.adjusted(3, 3, -3, -3), 4, 4);

    const QPointF c(w / 2.0, h / 2.0);
    p.setPen(QPen(QColor(20, 20, 30), 1.5));
    p.setBrush(QColor(200, 60, 50));
    p.drawEllipse(c, 26, 26);
    p.setBrush(QColor(245, 238, 225));
    for (int i = 0; i < 6; ++i) {
        const qreal a = i * 2 * std::numbers::pi / 6 - std::numbers::pi / 2;
        p.drawEllipse(QPointF(c.x() + 15 * std::cos(a), c.y() + 15 * std::sin(a)), 6, 6);
    }
    p.drawEllipse(c, 3.5, 3.5);
    p.end();
    return back;
}
