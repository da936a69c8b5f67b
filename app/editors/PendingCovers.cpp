#include "editors/PendingCovers.h"

#include "editors/ImageSize.h"

#include "AnsiText.h"
#include "CCoveredItem.h"

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

Result<> PendingCovers::Apply(CCoveredItem& item) const
{
    const struct
    {
        const QString& value;
        const char* name;
        bool (CCoveredItem::*add)(const QString&);
        bool (CCoveredItem::*remove)();
    } sides[] = {{m_front, "front", &CCoveredItem::AddFrontCover, &CCoveredItem::DeleteFrontCover},
                 {m_back, "back", &CCoveredItem::AddBackCover, &CCoveredItem::DeleteBackCover}};
    for (const auto& side : sides) {
        if (side.value.isEmpty()) {
            continue;
        }
        const bool removing = side.value == kDelete;
        if (removing ? (item.*side.remove)() : (item.*side.add)(side.value)) {
            continue;
        }
        const QString folder = QDir::toNativeSeparators(item.Path());
        const QString why =
            removing
                ? QStringLiteral("The %1 cover could not be deleted from \"%2\".").arg(QLatin1String(side.name), folder)
                : QStringLiteral("The %1 cover \"%2\" could not be copied into \"%3\".")
                      .arg(QLatin1String(side.name), QDir::toNativeSeparators(side.value), folder);
        return Failure{why, 0, item.Path()};
    }
    return {};
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
