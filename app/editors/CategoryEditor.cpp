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
    const bool isNew = m_key.isEmpty();
    QString key = m_key;
    if (isNew) {
        key = gCategories->Add(form.strName);
        if (key.isEmpty()) {
            return SaveOutcome::Refused(StoreRefusalMessage());
        }
    }
    const auto category = gCategories->Item(key);
    if (!category) {
        return SaveOutcome::Saved(); // a key that names no category: nothing to save
    }
    const PropertySnapshot before(*category);
    category->setStrName(form.strName);
    category->setStrSortKey(form.strSortKey);
    if (!gCategories->Update(key)) {
        before.Restore(*category);
        if (isNew) {
            gCategories->Remove(key);
        }
        return SaveOutcome::Refused(StoreRefusalMessage());
    }
    m_key = key;
    m_form = form;
    return SaveOutcome::Saved();
}
