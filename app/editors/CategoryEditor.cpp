#include "editors/CategoryEditor.h"

#include "CCategories.h"
#include "core/mGlobals.h"

void CategoryEditor::Open(const QString& strKey)
{
    m_key = strKey;
    m_form = {};
    m_caption = QStringLiteral("Category");
    if (strKey.isEmpty()) {
        m_caption = QStringLiteral("<New category>");
        return;
    }
    if (const auto category = gCategories ? gCategories->Item(strKey) : nullptr) {
        m_form = {category->strName(), category->strSortKey()};
        m_caption = category->strName();
    }
}

SaveOutcome CategoryEditor::Save(const CategoryForm& form)
{
    const QString refusal =
        CodePageRefusal({{QStringLiteral("Name"), form.strName}, {QStringLiteral("Sortindex"), form.strSortKey}});
    if (!refusal.isEmpty()) {
        return SaveOutcome::Refused(refusal);
    }
    if (!gCategories) {
        return SaveOutcome::Refused(StoreRefusalMessage());
    }
    QString key = m_key;
    const SaveOutcome outcome = SaveEditedItem(*gCategories, key, nullptr, [&form](auto& category) {
        category.setStrName(form.strName);
        category.setStrSortKey(form.strSortKey);
    });
    if (!outcome.saved) {
        return outcome;
    }
    m_key = key;
    m_form = form;
    return outcome; // saved, perhaps with word that the disk did not confirm it
}
