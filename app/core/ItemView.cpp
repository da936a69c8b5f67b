#include "core/ItemView.h"

#include "core/Collections.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mUEF.h"

#include "AnsiText.h"
#include "CHTML.h"
#include "CItem.h"
#include "UEF.h"

namespace ItemViews {

ItemView Make(const QString& strKey)
{
    ItemView view;
    view.strSmall = ItemCountText();
    const QChar kind = strKey.isEmpty() ? QChar() : strKey.at(0);
    if (kind == '!') {
        view.strLarge = "Vidsora: Personal (" + GetVersionText() + ")";
        return view;
    }
    if (const auto item = Collections::Item(strKey)) {
        view.strLarge = item->DisplayName();
    }
    if (kind == 'B' || kind == 'E' || kind == 'M') {
        CHTML html;
        html.setUEF(CreateUEF(strKey, false));
        const QString body = html.HTML();
        if (!body.isEmpty()) {
            view.strPage = QString(CHTML::WrapPage(body) + "\r\n");
            // Without this run's own folder the page has no place: never a path at the root or anywhere else.
            if (!gTempFolder.isEmpty()) {
                view.strFile = gTempFolder + "/" + strKey + ".html";
            }
        }
    }
    return view;
}

QString ItemCountText()
{
    return QString::number(gRootChildren.UBound() + gCategoryChildren.UBound() + gGroupChildren.UBound()) + " items";
}

bool WritePage(const ItemView& view)
{
    return !view.strPage.isEmpty() && !view.strFile.isEmpty() && AnsiText::WriteFile(view.strFile, view.strPage);
}

} // namespace ItemViews
