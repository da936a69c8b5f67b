#include "core/TreeNodes.h"

#include "core/Collections.h"
#include "core/mGlobals.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"

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
    const QChar kind = key.isEmpty() ? QChar() : key.at(0);
    TreeNode node;
    node.strKey = key;
    if (kind == 'C') {
        const auto category = gCategories ? gCategories->Item(key) : nullptr;
        if (!category) {
            return std::nullopt;
        }
        node.strText = node.strTag = category->strName();
        node.strImage = "imgCategoryClosed";
        node.strSelectedImage = "imgCategoryOpen";
        node.strParentKey = QStringLiteral("!0");
    } else if (kind == 'S') {
        const auto group = gGroups ? gGroups->Item(key) : nullptr;
        if (!group) {
            return std::nullopt;
        }
        node.strText = node.strTag = group->strName();
        node.strImage = "imgSubCategoryClosed";
        node.strSelectedImage = node.strExpandedImage = "imgSubCategoryOpen";
        node.strParentKey = Collections::ParentKey(key);
    } else if (kind == 'B') {
        const auto box = gBoxes ? gBoxes->Item(key) : nullptr;
        if (!box) {
            return std::nullopt;
        }
        node.strText = node.strTag = box->strName();
        node.strImage = "imgBoxClosed";
        node.strSelectedImage = "imgBoxOpen";
        node.strParentKey = blnFlat ? QStringLiteral("!0") : Collections::ParentKey(key);
    } else if (kind == 'E') {
        const auto media = gMedias ? gMedias->Item(key) : nullptr;
        if (!media) {
            return std::nullopt;
        }
        QString images = MediaImagePrefix(media->dMedia().strMedia);
        if (images.isEmpty()) {
            images = "imgMedia";
        }
        node.strText = node.strTag = media->strName();
        node.strImage = images + "Closed";
        node.strSelectedImage = images + "Open";
        // In the flat view a medium in a box stays in its box.
        node.strParentKey = blnFlat && media->lngParentType() != 3 ? QStringLiteral("!0") : Collections::ParentKey(key);
    } else if (kind == 'M') {
        const auto movie = gMovies ? gMovies->Item(key) : nullptr;
        if (!movie) {
            return std::nullopt;
        }
        const int type = movie->lngParentType();
        // A movie on a medium shows the plain movie image: the medium beside it shows the kind.
        QString images = type == 4 ? QString() : MediaImagePrefix(movie->dMedia().strMedia);
        if (images.isEmpty()) {
            images = "imgMovie";
        }
        node.strText = movie->strTitle();
        if (!movie->strLabel().isEmpty()) {
            node.strText += " (" + movie->strLabel() + ")";
        }
        node.strTag = movie->strTitle();
        node.strImage = images + "Closed";
        node.strSelectedImage = images + "Open";
        node.strParentKey = blnFlat && type != 3 && type != 4 ? QStringLiteral("!0") : Collections::ParentKey(key);
        node.blnRootWhenParentMissing = true;
    } else {
        return std::nullopt;
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
