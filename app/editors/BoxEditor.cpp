#include "editors/BoxEditor.h"

#include "CBoxes.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

BoxForm ReadBox(const CBox& box)
{
    BoxForm form;
    form.strName = box.strName();
    form.strSortKey = box.strSortKey();
    form.strUPC = box.strUPC();
    form.strExtras = box.strExtras();
    form.parentKey = MakeItemKey(box.lngParentType(), qint64(box.lngParentID()));
    return form;
}

void WriteBox(const BoxForm& form, CBox& box)
{
    box.setStrName(form.strName);
    box.setStrUPC(form.strUPC);
    box.setStrSortKey(form.strSortKey);
    box.setStrExtras(form.strExtras);
    box.setLngParentID(ParentIdOf(form.parentKey));
    box.setLngParentType(ParentTypeOf(form.parentKey));
}

QList<CodePage::Field> BoxFields(const BoxForm& form)
{
    return {{QStringLiteral("Name"), form.strName},
            {QStringLiteral("Sortindex"), form.strSortKey},
            {QStringLiteral("UPC/EAN"), form.strUPC},
            {QStringLiteral("Extras"), form.strExtras}};
}

void BoxEditor::Open(const QString& strKey)
{
    m_key = strKey;
    m_form = {};
    m_covers = {};
    m_caption = QStringLiteral("Box");
    m_places = FillParentList(ParentKind::Box);
    if (strKey.isEmpty()) {
        m_caption = QStringLiteral("<New box>");
        if (Offers(m_parentKey)) {
            m_form.parentKey = m_parentKey;
        }
        return;
    }
    if (const auto box = gBoxes ? gBoxes->Item(strKey) : nullptr) {
        m_form = ReadBox(*box);
        m_covers = StoredCoversOf(*box);
        m_caption = box->strName();
    }
}

SaveOutcome BoxEditor::Save(const BoxForm& form, const PendingCovers& covers)
{
    const QString refusal = CodePageRefusal(BoxFields(form));
    if (!refusal.isEmpty()) {
        return SaveOutcome::Refused(refusal);
    }
    if (!gBoxes) {
        return SaveOutcome::Refused(StoreRefusalMessage());
    }
    QString key = m_key;
    const SaveOutcome outcome = SaveEditedItem(*gBoxes, key, &covers, [&form](auto& box) { WriteBox(form, box); });
    if (!outcome.saved) {
        return outcome;
    }
    m_key = key;
    m_form = form;
    return outcome; // saved, perhaps with word that the disk did not confirm it
}
