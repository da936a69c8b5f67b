#include "commands/MoveCommands.h"

#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"

#include <limits>

namespace {

const QString kRootKey = QStringLiteral("!0");

// The number after a target's letter: a whole decimal number, blanks around it allowed; 0 for anything else (an
// empty rest included), as a failed conversion leaves it.
int TargetNumber(const QString& rest)
{
    bool ok = false;
    const qlonglong number = AnsiText::Trim(rest).toLongLong(&ok, 10);
    if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
        return 0;
    }
    return int(number);
}

template <class Collection>
bool Move(const std::shared_ptr<Collection>& collection, const QString& strKey, const QString& target,
          const QString& accepted)
{
    const auto item = collection ? collection->Item(strKey) : nullptr;
    if (!item) {
        return false;
    }
    const QString letter = target.left(1);
    const int number = TargetNumber(target.mid(1));
    int parentType = 0;
    if (letter == QLatin1String("!")) {
        // Only the root itself: "!" with another number names no node.
        if (number != 0) {
            return false;
        }
    } else if (!letter.isEmpty() && accepted.contains(letter)) {
        parentType = KeyPrefixToType(letter);
    } else {
        return false;
    }

    const int oldType = item->lngParentType();
    const int oldId = item->lngParentID();
    item->setLngParentType(parentType);
    item->setLngParentID(number);
    if (!collection->Update(strKey)) {
        // The store keeps the old parent; so does the item.
        item->setLngParentType(oldType);
        item->setLngParentID(oldId);
        qCWarning(lcApp) << "the move of" << strKey << "to" << target << "could not be stored";
        return false;
    }
    return true;
}

bool IsDvd(const mTypMediaInfo& media)
{
    return AnsiText::UCase(media.strMedia) == QLatin1String("DVD");
}

// The region texts of the DVD movies whose parent is containerKey, run together.
QString MovieRegions(const QString& containerKey)
{
    QString collected;
    if (!gMovies) {
        return collected;
    }
    for (const auto& movie : *gMovies) {
        if (MakeItemKey(movie->lngParentType(), qint64(movie->lngParentID())) != containerKey) {
            continue;
        }
        const mTypMediaInfo media = movie->dMedia();
        if (IsDvd(media)) {
            collected += media.strDVDRegion;
        }
    }
    return collected;
}

} // namespace

namespace MoveCommands {

bool MoveMovie(const QString& strKey, const QString& target)
{
    return Move(gMovies, strKey, target, QStringLiteral("CSBE"));
}

bool MoveMedia(const QString& strKey, const QString& target)
{
    return Move(gMedias, strKey, target, QStringLiteral("CSB"));
}

bool MoveBox(const QString& strKey, const QString& target)
{
    return Move(gBoxes, strKey, target, QStringLiteral("CS"));
}

bool MoveSubcategory(const QString& strKey, const QString& target)
{
    return Move(gGroups, strKey, target, QStringLiteral("C"));
}

QString CollectDVDRegions(const QString& strKey)
{
    QString collected;
    const QString letter = strKey.left(1);
    if (letter == QLatin1String("B")) {
        if (gMedias) {
            for (const auto& medium : *gMedias) {
                if (MakeItemKey(medium->lngParentType(), qint64(medium->lngParentID())) == strKey) {
                    collected += CollectDVDRegions(medium->strKey());
                }
            }
        }
        collected += MovieRegions(strKey);
    } else if (letter == QLatin1String("E")) {
        collected += MovieRegions(strKey);
    }
    return FormatRegions(collected);
}

QString GetNextNodeKey(const NodeTree& tree, const QString& nodeKey)
{
    QString key = nodeKey;
    // The tree is a few levels deep; the bound only guards against a tree view that hangs a node below itself.
    for (int depth = 0; depth < 64 && tree.HasNode(key); ++depth) {
        const QString parent = tree.ParentNodeKey(key);
        if (parent.isEmpty()) {
            return QString();
        }
        const QStringList siblings = tree.ChildNodeKeys(parent);
        const qsizetype at = siblings.indexOf(key);
        if (at >= 0 && at + 1 < siblings.size()) {
            return siblings.at(at + 1);
        }
        if (parent == kRootKey) {
            return QString();
        }
        key = parent;
    }
    return QString();
}

} // namespace MoveCommands
