#pragma once

#include <QString>

#include <optional>

// What the item view shows for the selected key: the two status-bar panels and, for boxes, media and movies, a
// page written to this run's temporary folder for the browser pane.
struct ItemView
{
    QString strSmall;                // "<n> items"
    std::optional<QString> strLarge; // none leaves the panel as it was
    QString strPage;                 // the page's text; empty when the kind has no page
    QString strFile; // where the page goes: "<temporary folder>/<key>.html"; empty without a temporary folder
};

namespace ItemViews {

// Reads the collections and the child lists; writes nothing.
ItemView Make(const QString& strKey);
// "<n> items": the boxes, media and movies directly under the root, a category or a group, by the child lists.
QString ItemCountText();
// Writes the page through the one file writer; false when it could not be written (or there is no page or no file),
// and also when it was written but the disk did not confirm it.
bool WritePage(const ItemView& view);

} // namespace ItemViews
