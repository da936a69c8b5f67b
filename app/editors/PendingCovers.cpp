#include "editors/PendingCovers.h"

#include "CCoveredItem.h"
#include "CItemList.h"
#include "Picture.h"

#include <QDir>
#include <QFileInfo>

void PendingCovers::Reset()
{
    m_front.clear();
    m_back.clear();
}

void PendingCovers::Pick(Side side, const QString& path)
{
    if (path.isEmpty()) {
        return;
    }
    (side == Side::Front ? m_front : m_back) = path;
}

QString PendingCovers::PickRefusal(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    // Told by its bytes, decoded whole: a picture header on anything else, or a picture too large to show, is no
    // cover.
    const Picture::Format format = Picture::CheckFile(path);
    if (format == Picture::Format::None) {
        return QStringLiteral("\"%1\" cannot be a cover: it is not a GIF, JPEG, PNG or BMP picture that can be shown "
                              "(at most %2 MB and %3 million pixels).")
            .arg(shown)
            .arg(Picture::kMaxFileBytes / (1024 * 1024))
            .arg(Picture::kMaxDecodedBytes / 4 / 1000000);
    }
    // The cover is stored under the picked file's extension, so it must name the picture's format.
    const QString suffix = QFileInfo(path).suffix();
    const QString extension = Picture::Extension(format, suffix);
    if (extension != suffix) {
        return QStringLiteral("\"%1\" cannot be a cover under this name: it is a %2 picture, so its name must end in "
                              "\".%3\".")
            .arg(shown, Picture::FormatName(format), extension);
    }
    return {};
}

QString PendingCovers::NewFile(Side side) const
{
    const QString value = Value(side);
    return value == kDelete ? QString() : value;
}

void PendingCovers::Delete(Side side)
{
    (side == Side::Front ? m_front : m_back) = kDelete;
}

CoverChanges PendingCovers::Changes() const
{
    const auto change = [](const QString& value) {
        return value.isEmpty() ? CoverChange{} : value == kDelete ? CoverChange::Delete() : CoverChange::Replace(value);
    };
    return {change(m_front), change(m_back)};
}

Result<> PendingCovers::Apply(CItemList& collection, const QString& key) const
{
    return collection.Save(key, Changes());
}

StoredCovers StoredCoversOf(const CCoveredItem& item)
{
    StoredCovers covers;
    if (!item.strFrontCover().isEmpty()) {
        covers.front = item.Path() + u'/' + item.strFrontCover();
    }
    if (!item.strBackCover().isEmpty()) {
        covers.back = item.Path() + u'/' + item.strBackCover();
    }
    return covers;
}

QString CoverFileFilter()
{
    return QStringLiteral("Images (*.gif *.GIF *.jpg *.JPG *.jpeg *.JPEG *.png *.PNG)");
}
