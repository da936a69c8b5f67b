#include "core/TreeNodes.h"

#include "core/Collections.h"

#include "AnsiText.h"
#include "CMedia.h"
#include "CMovie.h"

#include <QStringList>

namespace TreeNodes {

QString MediaImagePrefix(const QString& strMedia)
{
    const QString kind = AnsiText::UCase(strMedia);
    if (kind == "DVD") {
        return "imgDVD";
    }
    if (kind == "LD" || kind == "LASERDISC") {
        return "imgLD";
    }
    static const QStringList vcd{"VCD", "VIDEO CD", "VIDEOCD", "VIDEO-CD", "SVCD", "S-VCD", "SUPER VCD"};
    if (vcd.contains(kind)) {
        return "imgVCD";
    }
    if (kind == "VHS") {
        return "imgVHS";
    }
    return QString();
}

TreeNode Root()
{
    TreeNode node;
    node.strKey = QStringLiteral("!0");
    node.strText = QStringLiteral("Vidsora");
    node.strImage = QStringLiteral("imgVidsora");
    return node;
}

std::optional<TreeNode> NodeOf(const QString& key, bool blnFlat)
{
    const std::shared_ptr<CItem> item = Collections::Item(key);
    if (!item) {
        return std::nullopt;
    }
    TreeNode node;
    node.strKey = key;
    node.strText = node.strTag = item->DisplayName();
    node.strParentKey = Collections::ParentKey(key);
    switch (item->Kind()) {
    case ItemKind::Category:
        node.strImage = "imgCategoryClosed";
        node.strSelectedImage = "imgCategoryOpen";
        node.strParentKey = QStringLiteral("!0");
        break;
    case ItemKind::Group:
        node.strImage = "imgSubCategoryClosed";
        node.strSelectedImage = node.strExpandedImage = "imgSubCategoryOpen";
        break;
    case ItemKind::Box:
        node.strImage = "imgBoxClosed";
        node.strSelectedImage = "imgBoxOpen";
        if (blnFlat) {
            node.strParentKey = QStringLiteral("!0");
        }
        break;
    case ItemKind::Media: {
        const auto media = std::static_pointer_cast<CMedia>(item);
        QString images = MediaImagePrefix(media->dMedia().strMedia);
        if (images.isEmpty()) {
            images = "imgMedia";
        }
        node.strImage = images + "Closed";
        node.strSelectedImage = images + "Open";
        // In the flat view a medium in a box stays in its box.
        if (blnFlat && media->lngParentType() != 3) {
            node.strParentKey = QStringLiteral("!0");
        }
        break;
    }
    case ItemKind::Movie: {
        const auto movie = std::static_pointer_cast<CMovie>(item);
        const int type = movie->lngParentType();
        // A movie on a medium shows the plain movie image: the medium above it shows the kind.
        QString images = type == 4 ? QString() : MediaImagePrefix(movie->dMedia().strMedia);
        if (images.isEmpty()) {
            images = "imgMovie";
        }
        if (!movie->strLabel().isEmpty()) {
            node.strText += " (" + movie->strLabel() + ")";
        }
        node.strImage = images + "Closed";
        node.strSelectedImage = images + "Open";
        // In the flat view what sits in a box or on a medium stays there.
        if (blnFlat && type != 3 && type != 4) {
            node.strParentKey = QStringLiteral("!0");
        }
        node.blnRootWhenParentMissing = true;
        break;
    }
    }
    return node;
}

QString FindNext(const QStringList& keysInOrder, const QString& startKey, const QString& strFind)
{
    const QString wanted = AnsiText::UCase(strFind);
    bool started = false;
    for (const QString& key : keysInOrder) {
        if (started) {
            const QString name = Collections::ItemName(key);
            if (!name.isEmpty() && AnsiText::UCase(name).contains(wanted)) {
                return key;
            }
        }
        if (key == startKey) {
            started = true;
        }
    }
    return QString();
}

} // namespace TreeNodes
