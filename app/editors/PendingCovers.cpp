#include "editors/PendingCovers.h"

#include "editors/ImageSize.h"

#include "AnsiText.h"
#include "CCoveredItem.h"
#include "CItemList.h"

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
    if (!AnsiText::IsSafeExtension(QFileInfo(path).suffix())) {
        return QStringLiteral("\"%1\" cannot be a cover: its name needs an extension of 1 to 8 letters or digits.")
            .arg(shown);
    }
    if (GetImageSize(path).isEmpty()) {
        return QStringLiteral("\"%1\" cannot be a cover: it is not a PNG, GIF or JPEG picture that can be read.")
            .arg(shown);
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
