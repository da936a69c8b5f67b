#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The collection list sent to the online service: one row per movie, medium and box that stands directly under the
// root, a category or a group and whose product code is valid, movies first, then media, then boxes, each in its
// collection's order. A row is seven fields - category name and sort key, group name and sort key, item name, sort
// key and product code - joined by the character of code 15 and ended by CR LF. A missing category or group is an
// empty name and the one-character sort key of code 255.
namespace CollectionList {

inline constexpr QChar kSeparator(0x0F);
inline constexpr QChar kNoSortKey(0xFF);

// A field as it goes into a row: CR, LF and the separator become blanks, so a field can never add a field or a row.
QString Field(const QString& text);

// With a product-code checker (any object with an invokable CheckString(QString) answering an int), or none: then
// no code counts as valid and the list is empty.
QString Build(QObject* checker);
// Told before each item is read: done of total items. False stops the build.
using StepHook = std::function<bool(int done, int total)>;
// Build, with a progress hook; nothing when the hook stopped it.
std::optional<QString> Build(QObject* checker, const StepHook& step);

} // namespace CollectionList

// The list from the loaded collections, checked by the "Codevet.UPCObject" component.
QString BuildCollectionList();
// The same with a progress hook; nothing when the hook stopped it.
std::optional<QString> BuildCollectionList(const CollectionList::StepHook& step);
