#include "editors/MovieEditor.h"

#include "CMedias.h"
#include "CMovies.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

namespace {

// The text fields a form holds: every one but the numbers and the description's.
bool OnForm(const ItemField<CMovie>& field)
{
    return field.text && !field.media;
}

} // namespace

MovieForm ReadMovie(const CMovie& movie)
{
    MovieForm form;
    for (size_t f = 0; f < CMovie::Fields().size(); ++f) {
        if (OnForm(CMovie::Fields()[f])) {
            form.text[f] = CMovie::Fields()[f].text(movie);
        }
    }
    form.dMedia = movie.dMedia();
    form.parentKey = MakeItemKey(movie.lngParentType(), qint64(movie.lngParentID()));
    return form;
}

void WriteMovie(const MovieForm& form, CMovie& movie)
{
    for (size_t f = 0; f < CMovie::Fields().size(); ++f) {
        if (OnForm(CMovie::Fields()[f])) {
            const bool code = MovieField(f) == MovieField::UPC;
            CMovie::Fields()[f].setText(movie, code ? DigitsOnly(form.text[f]) : form.text[f]);
        }
    }
    movie.setDMedia(form.dMedia);
    movie.setLngParentID(ParentIdOf(form.parentKey));
    movie.setLngParentType(ParentTypeOf(form.parentKey));
}

QList<CodePage::Field> MovieFields(const MovieForm& form)
{
    QList<CodePage::Field> fields;
    for (size_t f = 0; f < CMovie::Fields().size(); ++f) {
        if (OnForm(CMovie::Fields()[f])) {
            fields.append({PlainCaption(CMovie::Fields()[f].caption), form.text[f]});
        }
    }
    return fields;
}

QUrl WebsiteUrl(const QString& text)
{
    const QUrl url = DocumentUrl(text);
    const QString scheme = url.scheme().toLower();
    return scheme == QStringLiteral("http") || scheme == QStringLiteral("https") ? url : QUrl();
}

MovieEditor::MovieEditor()
    : TemplateSession(ParentKind::Movie,
                      {QStringLiteral("<New movie>"), QStringLiteral("Movie"), QStringLiteral("<New Movie Template>")})
{
}

void MovieEditor::Open(const QString& strKey)
{
    if (!Begin(strKey)) {
        return;
    }
    if (const auto movie = gMovies ? gMovies->Item(strKey) : nullptr) {
        Loaded(ReadMovie(*movie), StoredCoversOf(*movie), movie->strTitle());
    }
}

std::optional<mTypMediaInfo> MovieEditor::MediumDescription(const QString& parentKey)
{
    if (!parentKey.startsWith(u'E') || !gMedias) {
        return std::nullopt;
    }
    const auto medium = gMedias->Item(parentKey);
    return medium ? std::optional<mTypMediaInfo>(medium->dMedia()) : std::nullopt;
}

SaveOutcome MovieEditor::Save(const MovieForm& form, const PendingCovers& covers)
{
    const QString refusal = CodePageRefusal(MovieFields(form));
    if (!refusal.isEmpty()) {
        return SaveOutcome::Refused(refusal);
    }
    if (m_mode == Mode::Template) {
        // A free-standing movie: never added to the collection, never written.
        auto movie = std::make_unique<CMovie>();
        WriteMovie(form, *movie);
        m_template = std::move(movie);
        return SaveOutcome::Saved();
    }
    if (!gMovies) {
        return SaveOutcome::Refused(StoreRefusalMessage());
    }
    QString key = m_key;
    const SaveOutcome outcome =
        SaveEditedItem(*gMovies, key, &covers, [&form](auto& movie) { WriteMovie(form, movie); });
    if (!outcome.saved) {
        return outcome;
    }
    Kept(key, form);
    return outcome; // saved, perhaps with word that the disk did not confirm it
}
