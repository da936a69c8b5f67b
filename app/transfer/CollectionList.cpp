#include "transfer/CollectionList.h"

#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Component.h"

namespace CollectionList {

namespace {

bool IsValidCode(QObject* checker, const QString& upc)
{
    if (!checker) {
        return false;
    }
    bool called = false;
    const QVariant result = Component::CallByName(checker, "CheckString", {AnsiText::Trim(upc)}, &called);
    bool isNumber = false;
    const int kind = result.toInt(&isNumber);
    return called && isNumber && kind != 0;
}

void AppendField(QString& list, const QString& text)
{
    const qsizetype start = list.size();
    list += text;
    for (qsizetype i = start; i < list.size(); ++i) {
        const QChar c = list.at(i);
        if (c == u'\r' || c == u'\n' || c == kSeparator) {
            list[i] = u' ';
        }
    }
}

// Fields 1 to 4 of an item with that parent, or false when its category or group is not loaded.
bool AppendPlace(QString& list, int parentType, int parentID)
{
    const auto appendNone = [&list] {
        list += kSeparator;
        list += kNoSortKey;
        list += kSeparator;
    };
    const auto appendCategory = [&list](const CCategory& category) {
        AppendField(list, category.strName());
        list += kSeparator;
        AppendField(list, category.strSortKey());
        list += kSeparator;
    };
    const auto appendGroup = [&list](const CGroup& group) {
        AppendField(list, group.strName());
        list += kSeparator;
        AppendField(list, group.strSortKey());
        list += kSeparator;
    };
    switch (parentType) {
    case 0:
        appendNone();
        appendNone();
        return true;
    case 1: {
        const auto category = gCategories ? gCategories->Item(MakeItemKey(1, parentID)) : nullptr;
        if (!category) {
            return false;
        }
        appendCategory(*category);
        appendNone();
        return true;
    }
    case 2: {
        const auto group = gGroups ? gGroups->Item(MakeItemKey(2, parentID)) : nullptr;
        if (!group) {
            return false;
        }
        if (group->lngParentType() == 0) {
            appendNone();
        } else if (group->lngParentType() == 1) {
            const auto category = gCategories ? gCategories->Item(MakeItemKey(1, group->lngParentID())) : nullptr;
            if (!category) {
                return false;
            }
            appendCategory(*category);
        } else {
            return false;
        }
        appendGroup(*group);
        return true;
    }
    default:
        return false;
    }
}

template <class Collection, class NameOf>
void AppendRows(QString& list, QObject* checker, const std::shared_ptr<Collection>& items, NameOf nameOf)
{
    if (!items) {
        return;
    }
    for (const auto& item : *items) {
        if (!IsValidCode(checker, item->strUPC())) {
            continue;
        }
        // A row goes in whole or not at all.
        const qsizetype rowStart = list.size();
        if (!AppendPlace(list, item->lngParentType(), item->lngParentID())) {
            list.truncate(rowStart);
            continue;
        }
        AppendField(list, nameOf(*item));
        list += kSeparator;
        AppendField(list, item->strSortKey());
        list += kSeparator;
        AppendField(list, item->strUPC());
        list += QStringLiteral("\r\n");
    }
}

} // namespace

QString Field(const QString& text)
{
    QString field;
    AppendField(field, text);
    return field;
}

QString Build(QObject* checker)
{
    QString list;
    AppendRows(list, checker, gMovies, [](const CMovie& movie) { return movie.strTitle(); });
    AppendRows(list, checker, gMedias, [](const CMedia& media) { return media.strName(); });
    AppendRows(list, checker, gBoxes, [](const CBox& box) { return box.strName(); });
    return list;
}

} // namespace CollectionList

QString BuildCollectionList()
{
    const std::shared_ptr<QObject> checker = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
    if (!checker) {
        qCWarning(lcApp) << "the product-code checker is not installed; the collection list holds no row";
    }
    return CollectionList::Build(checker.get());
}
