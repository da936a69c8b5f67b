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

// Counts the items read for a progress hook, which may stop the build.
struct Progress
{
    const CollectionList::StepHook& step;
    int done = 0;
    int total = 0;
    bool Next() { return !step || step(done++, total); }
};

template <class Collection> int CountOf(const std::shared_ptr<Collection>& items)
{
    return items ? items->Count() : 0;
}

template <class Collection, class NameOf>
bool AppendRows(QString& list, QObject* checker, const std::shared_ptr<Collection>& items, NameOf nameOf,
                Progress& progress)
{
    if (!items) {
        return true;
    }
    for (const auto& item : *items) {
        if (!progress.Next()) {
            return false;
        }
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
    return true;
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
    return Build(checker, StepHook()).value_or(QString());
}

std::optional<QString> Build(QObject* checker, const StepHook& step)
{
    Progress progress{step, 0, CountOf(gMovies) + CountOf(gMedias) + CountOf(gBoxes)};
    QString list;
    if (AppendRows(
            list, checker, gMovies, [](const CMovie& movie) { return movie.strTitle(); }, progress) &&
        AppendRows(
            list, checker, gMedias, [](const CMedia& media) { return media.strName(); }, progress) &&
        AppendRows(
            list, checker, gBoxes, [](const CBox& box) { return box.strName(); }, progress)) {
        return list;
    }
    return std::nullopt;
}

} // namespace CollectionList

QString BuildCollectionList()
{
    return BuildCollectionList(CollectionList::StepHook()).value_or(QString());
}

std::optional<QString> BuildCollectionList(const CollectionList::StepHook& step)
{
    const std::shared_ptr<QObject> checker = Component::CreateObject(QStringLiteral("Codevet.UPCObject"));
    if (!checker) {
        qCWarning(lcApp) << "the product-code checker is not installed; the collection list holds no row";
    }
    return CollectionList::Build(checker.get(), step);
}
