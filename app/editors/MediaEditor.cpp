#include "editors/MediaEditor.h"

#include "CMedias.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

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

MediaEditor::MediaEditor()
    : TemplateSession(ParentKind::Media,
                      {QStringLiteral("<New media>"), QStringLiteral("Media"), QStringLiteral("<New Media Template>")})
{
}

void MediaEditor::Open(const QString& strKey)
{
    if (!Begin(strKey)) {
        return;
    }
    if (const auto medium = gMedias ? gMedias->Item(strKey) : nullptr) {
        Loaded(ReadMedia(*medium), StoredCoversOf(*medium), medium->strName());
    }
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
    Kept(key, form);
    return outcome; // saved, perhaps with word that the disk did not confirm it
}
