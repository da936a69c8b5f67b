#include "editors/GroupEditor.h"

#include "CGroups.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

void GroupEditor::Open(const QString& strKey)
{
    m_key = strKey;
    m_form = {};
    m_caption = QStringLiteral("Group");
    m_places = FillParentList(ParentKind::Group);
    if (strKey.isEmpty()) {
        m_caption = QStringLiteral("<New group>");
        if (Offers(m_parentKey)) {
            m_form.parentKey = m_parentKey;
        }
        return;
    }
    if (const auto group = gGroups ? gGroups->Item(strKey) : nullptr) {
        m_form.strName = group->strName();
        m_form.strSortKey = group->strSortKey();
        m_form.parentKey = MakeItemKey(group->lngParentType(), qint64(group->lngParentID()));
        m_caption = group->strName();
    }
}

SaveOutcome GroupEditor::Save(const GroupForm& form)
{
    const QString refusal =
        CodePageRefusal({{QStringLiteral("Name"), form.strName}, {QStringLiteral("Sortindex"), form.strSortKey}});
    if (!refusal.isEmpty()) {
        return SaveOutcome::Refused(refusal);
    }
    if (!gGroups) {
        return SaveOutcome::Refused(StoreRefusalMessage());
    }
    QString key = m_key;
    const SaveOutcome outcome = SaveEditedItem(*gGroups, key, nullptr, [&form](auto& group) {
        group.setStrName(form.strName);
        group.setStrSortKey(form.strSortKey);
        group.setLngParentID(ParentIdOf(form.parentKey));
        group.setLngParentType(ParentTypeOf(form.parentKey));
    });
    if (!outcome.saved) {
        return outcome;
    }
    m_key = key;
    m_form = form;
    return outcome; // saved, perhaps with word that the disk did not confirm it
}
