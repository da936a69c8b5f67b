#include "editors/PendingCovers.h"

#include "CCoveredItem.h"

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

void PendingCovers::Delete(Side side)
{
    (side == Side::Front ? m_front : m_back) = kDelete;
}

void PendingCovers::Apply(CCoveredItem& item) const
{
    if (m_front == kDelete) {
        item.DeleteFrontCover();
    } else if (!m_front.isEmpty()) {
        item.AddFrontCover(m_front);
    }
    if (m_back == kDelete) {
        item.DeleteBackCover();
    } else if (!m_back.isEmpty()) {
        item.AddBackCover(m_back);
    }
}

QString CoverFileFilter()
{
    return QStringLiteral("Images (*.gif *.GIF *.jpg *.JPG *.jpeg *.JPEG *.png *.PNG)");
}
