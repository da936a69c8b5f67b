#include "BrowserCompat.h"

#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

const char* const kScriptName = "vidsora-compat";

// The elements at the top of a page's body (its script and first items) shown while the rest is still parsed.
constexpr int kShownWhileParsed = 12;

// A style attribute that a script set to "display: block" is serialised with a blank after the colon; the page's
// own markup writes it without one. The rule only matches an element that is shown, so "none" still hides.
const char* const kStyle = R"CSS(
tr[style*="display: block"], tr[style*="display:block"] { display: table-row !important; }
table[style*="display: block"], table[style*="display:block"] { display: table !important; }
)CSS";

const char* const kScript = R"JS(
(function () {
    'use strict';
    // Look-up by id first: Chromium reads a numeric string as an index into the collection.
    var proto = window.HTMLAllCollection && window.HTMLAllCollection.prototype;
    if (proto && !proto.__vidsoraCompat) {
        var indexed = proto.item;
        var named = proto.namedItem;
        Object.defineProperty(proto, '__vidsoraCompat', { value: true });
        proto.item = function (key) {
            if (arguments.length > 0 && typeof key !== 'number' && key !== undefined && key !== null) {
                var text = String(key);
                var byId = document.getElementById(text);
                if (byId) {
                    return byId;
                }
                var byName = named.call(this, text);
                if (byName) {
                    return byName;
                }
            }
            return indexed.apply(this, arguments);
        };
    }

    var css = %1;
    try {
        var sheet = new CSSStyleSheet();
        sheet.replaceSync(css);
        document.adoptedStyleSheets = document.adoptedStyleSheets.concat([sheet]);
        // A page of thousands of items carries a script block per box and medium; each one lets the engine lay out
        // everything parsed so far again. While the page is parsed only its first items are shown (the top of the
        // page, at once); the rest is laid out once when the parse ends.
        if (document.readyState === 'loading') {
            var hidden = new CSSStyleSheet();
            hidden.replaceSync('body > :nth-child(n+%2) { display: none !important; }');
            document.adoptedStyleSheets = document.adoptedStyleSheets.concat([hidden]);
            document.addEventListener('DOMContentLoaded', function () {
                document.adoptedStyleSheets = document.adoptedStyleSheets.filter(function (s) {
                    return s !== hidden;
                });
            });
        }
    } catch (e) {
        // Without adoptable sheets the rules go into the head once it exists.
        document.addEventListener('DOMContentLoaded', function () {
            var style = document.createElement('style');
            style.textContent = css;
            (document.head || document.documentElement).appendChild(style);
        });
    }
})();
)JS";

QString JsStringLiteral(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

} // namespace

namespace BrowserCompat {

QString CompatStyle()
{
    return QString::fromLatin1(kStyle);
}

QString CompatScript()
{
    return QString::fromLatin1(kScript).arg(JsStringLiteral(CompatStyle()), QString::number(kShownWhileParsed));
}

void Install(QWebEngineScriptCollection& scripts)
{
    for (const QWebEngineScript& old : scripts.find(QString::fromLatin1(kScriptName))) {
        scripts.remove(old);
    }
    QWebEngineScript script;
    script.setName(QString::fromLatin1(kScriptName));
    script.setSourceCode(CompatScript());
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    scripts.insert(script);
}

} // namespace BrowserCompat
