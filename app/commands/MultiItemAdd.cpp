#include "commands/MultiItemAdd.h"

#include "commands/DivisionPlan.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"

#include "CMedias.h"
#include "CMovies.h"
#include "SafeFile.h"

namespace ItemCommands {

namespace {

// The busy pointer for the creation itself, restored however it ends.
class Busy
{
public:
    explicit Busy(ItemWorkshops& workshops) : m_workshops(workshops) { m_workshops.SetBusy(true); }
    ~Busy() { m_workshops.SetBusy(false); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    ItemWorkshops& m_workshops;
};

int IdOf(const QString& key)
{
    return key.mid(1).toInt();
}

// Adds an item with its name, lets fill set its fields and writes it. An item the store refused is not kept: the
// key is empty and nothing of it is left.
template <class Collection, class Fill>
QString Create(const std::shared_ptr<Collection>& collection, const QString& strName, const Fill& fill)
{
    if (!collection) {
        return QString();
    }
    const QString key = collection->Add(strName);
    if (key.isEmpty()) {
        qCWarning(lcApp) << "the store refused a new item:" << strName;
        return QString();
    }
    const auto item = collection->Item(key);
    if (!item) {
        return QString();
    }
    fill(*item);
    if (!collection->Update(key)) {
        qCWarning(lcApp) << "the store refused the record of" << key;
        collection->Remove(key);
        return QString();
    }
    return key;
}

// Ends a creation: what was written is synced, the child lists follow, and when a write failed the user hears how
// far it got.
CreationOutcome Finish(CreationOutcome outcome, ItemEditors& editors, SafeFile::Batch* batch = nullptr)
{
    if (batch && !batch->Commit()) {
        outcome.blnStopped = true;
    }
    outcome.blnRefill = true;
    BuildChildLists();
    if (outcome.blnStopped) {
        editors.ShowWarning(CreationStoppedMessage(outcome.media, outcome.movies));
    }
    return outcome;
}

} // namespace

QString MediaTemplateMessage()
{
    return QStringLiteral("Please enter all information that is COMMON to all included medias.");
}

QString MovieTemplateMessage()
{
    return QStringLiteral("Please enter all information that is COMMON to all included movies / episodes.");
}

QString CreationStoppedMessage(int media, int movies)
{
    const int items = media + movies;
    return QStringLiteral("The collection folder refused a write, so the creation stopped there. %1 %2 made "
                          "(%3 %4 and %5 %6); everything made is complete.")
        .arg(items)
        .arg(items == 1 ? QStringLiteral("item was") : QStringLiteral("items were"))
        .arg(media)
        .arg(media == 1 ? QStringLiteral("medium") : QStringLiteral("media"))
        .arg(movies)
        .arg(movies == 1 ? QStringLiteral("movie") : QStringLiteral("movies"));
}

void CopyTemplateFields(const CMovie& movieTemplate, CMovie& movie)
{
    movie.setStrCast(movieTemplate.strCast());
    movie.setStrCountry(movieTemplate.strCountry());
    movie.setStrDirector(movieTemplate.strDirector());
    movie.setStrExtras(movieTemplate.strExtras());
    movie.setStrLength(movieTemplate.strLength());
    movie.setStrNotes(movieTemplate.strNotes());
    movie.setStrPicture(movieTemplate.strPicture());
    movie.setStrProducer(movieTemplate.strProducer());
    movie.setStrSoundmix(movieTemplate.strSoundmix());
    movie.setStrStudio(movieTemplate.strStudio());
    movie.setStrSubtitles(movieTemplate.strSubtitles());
    movie.setStrSynopsis(movieTemplate.strSynopsis());
    movie.setStrSystem(movieTemplate.strSystem());
    movie.setStrWebsite(movieTemplate.strWebsite());
    movie.setStrWriter(movieTemplate.strWriter());
    movie.setStrYear(movieTemplate.strYear());
}

CreationOutcome AddBox(ItemEditors& editors, ItemWorkshops& workshops, const QString& selectedKey)
{
    CreationOutcome outcome;
    editors.BoxParent(selectedKey);
    outcome.strKey = editors.EditBox(QString());
    if (outcome.strKey.isEmpty()) {
        return outcome;
    }
    const std::optional<QStringList> list = workshops.GetBoxEpisodeList();
    if (!list || list->isEmpty()) {
        return Finish(outcome, editors);
    }
    const QStringList titles = list->mid(0, list->size() - 1);
    const QString division = list->last();
    const bool direct = division == QLatin1String("1");

    // The division is checked before anything is asked, so a bad one costs the user no template.
    BoxPlan plan = PlanBox(titles, division, QString());
    if (!plan.refusal.isEmpty()) {
        editors.ShowWarning(plan.refusal);
        return Finish(outcome, editors);
    }
    std::unique_ptr<CMedia> mediaTemplate;
    if (!direct) {
        workshops.ShowMessage(MediaTemplateMessage());
        mediaTemplate = workshops.MakeMediaTemplate();
        if (!mediaTemplate) {
            return Finish(outcome, editors);
        }
        plan = PlanBox(titles, division, mediaTemplate->dMedia().strMedia);
    }
    workshops.ShowMessage(MovieTemplateMessage());
    const std::unique_ptr<CMovie> movieTemplate = workshops.MakeMovieTemplate();
    if (!movieTemplate) {
        return Finish(outcome, editors);
    }

    Busy busy(workshops);
    // Every item made from here on is new: the store is synced once, at the end.
    SafeFile::Batch batch;
    const int boxId = IdOf(outcome.strKey);
    for (const PlannedContainer& container : plan.containers) {
        int parentType = 3;
        int parentId = boxId;
        if (!container.blnBox) {
            const QString mediumKey = Create(gMedias, container.strName, [&](CMedia& medium) {
                medium.setLngParentType(3);
                medium.setLngParentID(boxId);
                medium.setStrExtras(mediaTemplate->strExtras());
                medium.setDMedia(mediaTemplate->dMedia());
                medium.setStrSortKey(container.strSortKey);
            });
            if (mediumKey.isEmpty()) {
                outcome.blnStopped = true;
                return Finish(outcome, editors, &batch);
            }
            ++outcome.media;
            parentType = 4;
            parentId = IdOf(mediumKey);
        }
        for (const PlannedMovie& planned : container.movies) {
            // Each title gets a movie of its own; one the store refused is never written over another.
            const QString movieKey = Create(gMovies, titles.at(planned.line), [&](CMovie& movie) {
                movie.setStrSortKey(planned.strSortKey);
                // Movies straight in the box have no medium of their own: they take the template's description.
                movie.setDMedia(movieTemplate->dMedia());
                movie.setLngParentType(parentType);
                movie.setLngParentID(parentId);
                CopyTemplateFields(*movieTemplate, movie);
            });
            if (movieKey.isEmpty()) {
                outcome.blnStopped = true;
                return Finish(outcome, editors, &batch);
            }
            ++outcome.movies;
        }
    }
    return Finish(outcome, editors, &batch);
}

CreationOutcome AddMedia(ItemEditors& editors, ItemWorkshops& workshops, const QString& selectedKey)
{
    CreationOutcome outcome;
    editors.MediaParent(selectedKey);
    outcome.strKey = editors.EditMedia(QString());
    if (outcome.strKey.isEmpty()) {
        return outcome;
    }
    const std::optional<QStringList> titles = workshops.GetMediaEpisodeList();
    if (!titles) {
        return Finish(outcome, editors);
    }
    workshops.ShowMessage(MovieTemplateMessage());
    const std::unique_ptr<CMovie> movieTemplate = workshops.MakeMovieTemplate();
    if (!movieTemplate) {
        return Finish(outcome, editors);
    }

    Busy busy(workshops);
    // Every item made from here on is new: the store is synced once, at the end.
    SafeFile::Batch batch;
    const auto medium = gMedias ? gMedias->Item(outcome.strKey) : nullptr;
    const mTypMediaInfo description = medium ? medium->dMedia() : mTypMediaInfo();
    const int mediumId = IdOf(outcome.strKey);
    for (const PlannedMovie& planned : PlanMedia(*titles)) {
        const QString movieKey = Create(gMovies, titles->at(planned.line), [&](CMovie& movie) {
            movie.setStrSortKey(planned.strSortKey);
            movie.setDMedia(description);
            movie.setLngParentType(4);
            movie.setLngParentID(mediumId);
            CopyTemplateFields(*movieTemplate, movie);
        });
        if (movieKey.isEmpty()) {
            outcome.blnStopped = true;
            return Finish(outcome, editors, &batch);
        }
        ++outcome.movies;
    }
    return Finish(outcome, editors, &batch);
}

} // namespace ItemCommands
