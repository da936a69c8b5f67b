#include "core/TreeNodes.h"

#include "core/Collections.h"
#include "core/mGeneral.h"

#include "AnsiText.h"
#include "CBox.h"
#include "CGroup.h"
#include "CMedia.h"
#include "CMovie.h"

#include <QStringList>

namespace TreeNodes {

namespace {

// The media kinds with images of their own; none is 0.
enum MediaImages
{
    kNoImages,
    kDVD,
    kLD,
    kVCD,
    kVHS,
};

MediaImages MediaImagesOf(const QString& strMedia)
{
    const QString kind = AnsiText::UCase(strMedia);
    if (kind == u"DVD") {
        return kDVD;
    }
    if (kind == u"LD" || kind == u"LASERDISC") {
        return kLD;
    }
    for (const char16_t* vcd : {u"VCD", u"VIDEO CD", u"VIDEOCD", u"VIDEO-CD", u"SVCD", u"S-VCD", u"SUPER VCD"}) {
        if (kind == QStringView(vcd)) {
            return kVCD;
        }
    }
    if (kind == u"VHS") {
        return kVHS;
    }
    return kNoImages;
}

// A node's closed and open image names. The names are literals, so the thousands of nodes of a large collection
// share them instead of each building its own.
struct ImageNames
{
    QString closed;
    QString open;
};

const ImageNames& MediaImageNames(MediaImages kind, bool movie)
{
    static const ImageNames kNames[] = {
        {QStringLiteral("imgMediaClosed"), QStringLiteral("imgMediaOpen")},
        {QStringLiteral("imgDVDClosed"), QStringLiteral("imgDVDOpen")},
        {QStringLiteral("imgLDClosed"), QStringLiteral("imgLDOpen")},
        {QStringLiteral("imgVCDClosed"), QStringLiteral("imgVCDOpen")},
        {QStringLiteral("imgVHSClosed"), QStringLiteral("imgVHSOpen")},
    };
    static const ImageNames kMovie{QStringLiteral("imgMovieClosed"), QStringLiteral("imgMovieOpen")};
    return movie && kind == kNoImages ? kMovie : kNames[kind];
}

// The key of the item's parent, as Collections::ParentKey gives it.
template <class Item> QString ParentKeyOf(const Item& item)
{
    return MakeItemKey(item.lngParentType(), qint64(item.lngParentID()));
}

} // namespace

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
    return NodeOf(*item, blnFlat);
}

TreeNode NodeOf(const CItem& item, bool blnFlat)
{
    TreeNode node;
    node.strKey = item.strKey();
    node.strText = node.strTag = item.DisplayName();
    const auto setImages = [&node](const ImageNames& names) {
        node.strImage = names.closed;
        node.strSelectedImage = names.open;
    };
    switch (item.Kind()) {
    case ItemKind::Category:
        node.strImage = QStringLiteral("imgCategoryClosed");
        node.strSelectedImage = QStringLiteral("imgCategoryOpen");
        node.strParentKey = QStringLiteral("!0");
        return node;
    case ItemKind::Group: {
        const auto& group = static_cast<const CGroup&>(item);
        node.strImage = QStringLiteral("imgSubCategoryClosed");
        node.strSelectedImage = node.strExpandedImage = QStringLiteral("imgSubCategoryOpen");
        node.strParentKey = ParentKeyOf(group);
        return node;
    }
    case ItemKind::Box: {
        const auto& box = static_cast<const CBox&>(item);
        node.strImage = QStringLiteral("imgBoxClosed");
        node.strSelectedImage = QStringLiteral("imgBoxOpen");
        node.strParentKey = blnFlat ? QStringLiteral("!0") : ParentKeyOf(box);
        return node;
    }
    case ItemKind::Media: {
        const auto& media = static_cast<const CMedia&>(item);
        setImages(MediaImageNames(MediaImagesOf(media.dMedia().strMedia), false));
        // In the flat view a medium in a box stays in its box.
        node.strParentKey = blnFlat && media.lngParentType() != 3 ? QStringLiteral("!0") : ParentKeyOf(media);
        return node;
    }
    case ItemKind::Movie: {
        const auto& movie = static_cast<const CMovie&>(item);
        const int type = movie.lngParentType();
        // A movie on a medium shows the plain movie image: the medium above it shows the kind.
        setImages(MediaImageNames(type == 4 ? kNoImages : MediaImagesOf(movie.dMedia().strMedia), true));
        if (!movie.strLabel().isEmpty()) {
            node.strText += QStringLiteral(" (") + movie.strLabel() + u')';
        }
        node.blnRootWhenParentMissing = true;
        // In the flat view what sits in a box or on a medium stays there.
        node.strParentKey = blnFlat && type != 3 && type != 4 ? QStringLiteral("!0") : ParentKeyOf(movie);
        return node;
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
