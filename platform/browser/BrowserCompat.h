#pragma once

#include <QString>

class QWebEngineScriptCollection;

// The item pages were written for an older browser. Two of its habits are restored by the host, never by changing
// the page text: document.all.item(id) finds an element by its id even when the id is a number, and
// style.display = "block" on a table row or a table keeps it laid out as a row or a table.
namespace BrowserCompat {

// The script that restores both habits; it runs in the page's own world before the page's script.
QString CompatScript();
// The style sheet that the script adopts into every document.
QString CompatStyle();
// Adds the script to a page's collection (once; a second call replaces it).
void Install(QWebEngineScriptCollection& scripts);

} // namespace BrowserCompat
