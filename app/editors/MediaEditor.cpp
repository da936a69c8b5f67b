#include "editors/MediaEditor.h"

#include "CMedias.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

#include <algorithm>

MediaForm ReadMedia(const CMedia& medium)
{
    MediaForm form;
    form.strName = medium.strName();
    form.strSortKey = medium.strSortKey();
    form.strUPC = medium.strUPC();
    form.dMedia = medium.dMedia();
    form.strExtras = medium.strExtras();
    form.parentKey = MakeItemKey(medium.lngParentType(), qint64(medium.lngParentID()));
    return form;
}

void WriteMedia(const MediaForm& form, CMedia& medium)
{
    medium.setStrName(form.strName);
    medium.setStrSortKey(form.strSortKey);
    medium.setStrUPC(form.strUPC);
    medium.setDMedia(form.dMedia);
    medium.setStrExtras(form.strExtras);
    medium.setLngParentID(ParentIdOf(form.parentKey));
    medium.setLngParentType(ParentTypeOf(form.parentKey));
}

QList<CodePage::Field> MediaFields(const MediaForm& form)
{
    return {{QStringLiteral("Name"), form.strName},
            {QStringLiteral("Sortindex"), form.strSortKey},
            {QStringLiteral("UPC/EAN"), form.strUPC},
            {QStringLiteral("Extras"), form.strExtras}};
}

void MediaEditor::Start(Mode mode, const QString& key)
{
    // Nothing of an earlier opening stays.
    m_mode = mode;
    m_key = key;
    m_form = {};
    m_covers = {};
    m_template.reset();
    m_loadedParent = kRootKey;
    m_places = FillParentList(ParentKind::Media);
}

void MediaEditor::Open(const QString& strKey)
{
    Start(strKey.isEmpty() ? Mode::New : Mode::Edit, strKey);
    if (m_mode == Mode::New) {
        m_caption = QStringLiteral("<New media>");
        if (Offers(m_parentKey)) {
            m_form.parentKey = m_parentKey;
        }
        return;
    }
    m_caption = QStringLiteral("Media");
    if (const auto medium = gMedias ? gMedias->Item(strKey) : nullptr) {
        m_form = ReadMedia(*medium);
        m_covers = StoredCoversOf(*medium);
        m_loadedParent = m_form.parentKey;
        m_caption = medium->strName();
    }
}

void MediaEditor::OpenTemplate()
{
    Start(Mode::Template, kTemplateKey);
    m_caption = QStringLiteral("<New Media Template>");
}

bool MediaEditor::Offers(const QString& parentKey) const
{
    return std::any_of(m_places.begin(), m_places.end(),
                       [&parentKey](const ParentEntry& entry) { return entry.key == parentKey; });
}

SaveOutcome MediaEditor::Save(const MediaForm& form, const PendingCovers& covers)
{
    const QString refusal = CodePageRefusal(MediaFields(form));
    if (!refusal.isEmpty()) {
        return SaveOutcome::Refused(refusal);
    }
    if (m_mode == Mode::Template) {
        // A free-standing medium: never added to the collection, never written. Name, sort index and code stay
        // empty and the parent is the root, whatever the form holds.
        MediaForm common;
        common.dMedia = form.dMedia;
        common.strExtras = form.strExtras;
        auto medium = std::make_unique<CMedia>();
        WriteMedia(common, *medium);
        m_template = std::move(medium);
        return SaveOutcome::Saved();
    }
    if (!gMedias) {
        return SaveOutcome::Refused(StoreRefusalMessage());
    }
    QString key = m_key;
    const SaveOutcome outcome =
        SaveEditedItem(*gMedias, key, &covers, [&form](auto& medium) { WriteMedia(form, medium); });
    if (!outcome.saved) {
        return outcome;
    }
    m_key = key;
    m_form = form;
    return SaveOutcome::Saved();
}

std::unique_ptr<CMedia> MediaEditor::TakeTemplate()
{
    return std::move(m_template);
}
