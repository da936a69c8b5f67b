#include "editors/CoverPicture.h"

#include "editors/EditorWidgets.h"
#include "editors/ImageSize.h"
#include "widgets/mControls.h"

#include "PictureImage.h"

#include <QFileDialog>
#include <QPushButton>

namespace {

// Twips at 96 dpi: 15 to the pixel.
constexpr double kTwipsPerPixel = 15.0;

} // namespace

CoverPicture::CoverPicture(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFrameShape(QFrame::Box);
    setMinimumSize(BoxSize());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Clear();
}

QSize CoverPicture::BoxSize() const
{
    const double scale = logicalDpiY() / 96.0;
    return {qRound(kCoverBoxTwips.width() / kTwipsPerPixel * scale),
            qRound(kCoverBoxTwips.height() / kTwipsPerPixel * scale)};
}

bool CoverPicture::ShowFile(const QString& path)
{
    const QSize twips = FitCoverSize(GetImageSize(path));
    const double scale = logicalDpiY() / 96.0 / kTwipsPerPixel;
    const QSize shown(qMax(1, qRound(twips.width() * scale)), qMax(1, qRound(twips.height() * scale)));
    // Read at most at the size shown: a picture declaring a huge size, or no picture at all, shows as missing.
    const QImage image = Picture::LoadFileScaled(path, shown);
    if (image.isNull()) {
        Clear();
        return false;
    }
    const QPixmap picture = QPixmap::fromImage(image);
    m_picture = picture;
    setPixmap(picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return true;
}

void CoverPicture::Clear()
{
    m_picture = QPixmap();
    QLabel::clear();
    setFixedSize(BoxSize());
}

QString PickCoverFile(QWidget* parent)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"), QString(), CoverFileFilter(), nullptr,
                                        QFileDialog::ReadOnly);
}

void PickCoverInto(QWidget* parent, CoverPicture* picture, PendingCovers& covers, PendingCovers::Side side)
{
    const QString path = [parent] {
        const CursorOverride wait;
        return PickCoverFile(parent);
    }();
    if (path.isEmpty()) {
        return;
    }
    // A file that is no picture is refused before anything changes: the shown and the pending cover stay.
    const QString refusal = PendingCovers::PickRefusal(path);
    if (!refusal.isEmpty()) {
        ShowRefusal(parent, refusal);
        return;
    }
    picture->ShowFile(path);
    covers.Pick(side, path);
}

void DeleteCoverFrom(CoverPicture* picture, PendingCovers& covers, PendingCovers::Side side)
{
    picture->Clear();
    covers.Delete(side);
}

void ShowStoredCovers(const StoredCovers& covers, CoverPicture* front, CoverPicture* back)
{
    if (!covers.front.isEmpty()) {
        front->ShowFile(covers.front);
    }
    if (!covers.back.isEmpty()) {
        back->ShowFile(covers.back);
    }
}

void ConnectCoverButtons(QWidget* dialog, PendingCovers& covers, const CoverSide& front, const CoverSide& back)
{
    using Side = PendingCovers::Side;
    const struct
    {
        CoverSide controls;
        Side side;
    } sides[] = {{front, Side::Front}, {back, Side::Back}};
    for (const auto& [controls, side] : sides) {
        CoverPicture* picture = controls.picture;
        QObject::connect(controls.add, &QPushButton::clicked, dialog,
                         [dialog, picture, &covers, side = side] { PickCoverInto(dialog, picture, covers, side); });
        QObject::connect(controls.remove, &QPushButton::clicked, dialog,
                         [picture, &covers, side = side] { DeleteCoverFrom(picture, covers, side); });
    }
}
