#include "editors/MovieEditor.h"

#include "CMedias.h"
#include "CMovies.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

#include <algorithm>

MovieForm ReadMovie(const CMovie& movie)
{
    MovieForm form;
    form.strTitle = movie.strTitle();
    form.strLabel = movie.strLabel();
    form.strSortKey = movie.strSortKey();
    form.strUPC = movie.strUPC();
    form.strSystem = movie.strSystem();
    form.strCountry = movie.strCountry();
    form.strYear = movie.strYear();
    form.strLength = movie.strLength();
    form.strStudio = movie.strStudio();
    form.strWebsite = movie.strWebsite();
    form.strPicture = movie.strPicture();
    form.dMedia = movie.dMedia();
    form.strSoundmix = movie.strSoundmix();
    form.strSubtitles = movie.strSubtitles();
    form.strCast = movie.strCast();
    form.strWriter = movie.strWriter();
    form.strProducer = movie.strProducer();
    form.strDirector = movie.strDirector();
    form.strExtras = movie.strExtras();
    form.strSynopsis = movie.strSynopsis();
    form.strNotes = movie.strNotes();
    form.parentKey = MakeItemKey(movie.lngParentType(), qint64(movie.lngParentID()));
    return form;
}

void WriteMovie(const MovieForm& form, CMovie& movie)
{
    movie.setStrTitle(form.strTitle);
    movie.setStrLabel(form.strLabel);
    movie.setStrSortKey(form.strSortKey);
    movie.setStrUPC(DigitsOnly(form.strUPC));
    movie.setStrSystem(form.strSystem);
    movie.setStrCountry(form.strCountry);
    movie.setStrYear(form.strYear);
    movie.setStrLength(form.strLength);
    movie.setStrStudio(form.strStudio);
    movie.setStrWebsite(form.strWebsite);
    movie.setStrPicture(form.strPicture);
    movie.setDMedia(form.dMedia);
    movie.setStrSoundmix(form.strSoundmix);
    movie.setStrSubtitles(form.strSubtitles);
    movie.setStrCast(form.strCast);
    movie.setStrWriter(form.strWriter);
    movie.setStrProducer(form.strProducer);
    movie.setStrDirector(form.strDirector);
    movie.setStrExtras(form.strExtras);
    movie.setStrSynopsis(form.strSynopsis);
    movie.setStrNotes(form.strNotes);
    movie.setLngParentID(ParentIdOf(form.parentKey));
    movie.setLngParentType(ParentTypeOf(form.parentKey));
}

QList<CodePage::Field> MovieFields(const MovieForm& form)
{
    return {{QStringLiteral("Title"), form.strTitle},
            {QStringLiteral("Label"), form.strLabel},
            {QStringLiteral("Sorting"), form.strSortKey},
            {QStringLiteral("UPC/EAN"), form.strUPC},
            {QStringLiteral("System"), form.strSystem},
            {QStringLiteral("Country"), form.strCountry},
            {QStringLiteral("Year"), form.strYear},
            {QStringLiteral("Length"), form.strLength},
            {QStringLiteral("Studio"), form.strStudio},
            {QStringLiteral("Website"), form.strWebsite},
            {QStringLiteral("Picture formats"), form.strPicture},
            {QStringLiteral("Spoken languages"), form.strSoundmix},
            {QStringLiteral("Subtitles"), form.strSubtitles},
            {QStringLiteral("Cast"), form.strCast},
            {QStringLiteral("Writer"), form.strWriter},
            {QStringLiteral("Producer"), form.strProducer},
            {QStringLiteral("Director"), form.strDirector},
            {QStringLiteral("Extras"), form.strExtras},
            {QStringLiteral("Synopsis"), form.strSynopsis},
            {QStringLiteral("Notes"), form.strNotes}};
}

QUrl WebsiteUrl(const QString& text)
{
    const QUrl url = DocumentUrl(text);
    const QString scheme = url.scheme().toLower();
    return scheme == QStringLiteral("http") || scheme == QStringLiteral("https") ? url : QUrl();
}

void MovieEditor::Start(Mode mode, const QString& key)
{
    // Nothing of an earlier opening stays.
    m_mode = mode;
    m_key = key;
    m_form = {};
    m_covers = {};
    m_template.reset();
    m_loadedParent = kRootKey;
    m_places = FillParentList(ParentKind::Movie);
}

void MovieEditor::Open(const QString& strKey)
{
    Start(strKey.isEmpty() ? Mode::New : Mode::Edit, strKey);
    if (m_mode == Mode::New) {
        m_caption = QStringLiteral("<New movie>");
        if (Offers(m_parentKey)) {
            m_form.parentKey = m_parentKey;
        }
        return;
    }
    m_caption = QStringLiteral("Movie");
    if (const auto movie = gMovies ? gMovies->Item(strKey) : nullptr) {
        m_form = ReadMovie(*movie);
        m_covers = StoredCoversOf(*movie);
        m_loadedParent = m_form.parentKey;
        m_caption = movie->strTitle();
    }
}

void MovieEditor::OpenTemplate()
{
    Start(Mode::Template, kTemplateKey);
    m_caption = QStringLiteral("<New Movie Template>");
}

bool MovieEditor::Offers(const QString& parentKey) const
{
    return std::any_of(m_places.begin(), m_places.end(),
                       [&parentKey](const ParentEntry& entry) { return entry.key == parentKey; });
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
    m_key = key;
    m_form = form;
    return SaveOutcome::Saved();
}

std::unique_ptr<CMovie> MovieEditor::TakeTemplate()
{
    return std::move(m_template);
}
