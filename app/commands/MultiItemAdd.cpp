#include "commands/MultiItemAdd.h"

#include "commands/DivisionPlan.h"
#include "core/ItemCreation.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"

#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"

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

// Ends a creation: what was written is synced, or everything of it (the container too) is removed again when a write
// failed; the child lists follow, and the user hears what could not be written and what is left of it.
CreationOutcome Finish(CreationOutcome outcome, ItemEditors& editors, ItemCreation* creation = nullptr)
{
    if (creation && !creation->Commit()) {
        outcome.blnStopped = true;
        outcome.media = 0;
        outcome.movies = 0;
        bool containerLeft = false;
        for (const QString& key : creation->KeptKeys()) {
            if (key == outcome.strKey) {
                containerLeft = true;
            } else if (key.startsWith(u'E')) {
                ++outcome.media;
            } else if (key.startsWith(u'M')) {
                ++outcome.movies;
            }
        }
        if (!containerLeft) {
            outcome.strKey.clear();
        }
        outcome.blnRefill = true;
        BuildChildLists();
        editors.ShowWarning(CreationStoppedMessage(creation->Error(), creation->Kept(), outcome.media, outcome.movies));
        return outcome;
    }
    outcome.blnRefill = true;
    BuildChildLists();
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

QString CreationStoppedMessage(const QString& why, int left, int media, int movies)
{
    const QString what =
        QStringLiteral("The new items could not be written (%1), so the creation stopped there.").arg(why);
    if (left == 0) {
        return what + QStringLiteral(" Nothing of it was kept: the collection is as it was.");
    }
    const int contents = media + movies;
    return what + QStringLiteral(" %1 of its items could not be removed again and are still in the collection "
                                 "(%2 %3 and %4 %5%6).")
                      .arg(left)
                      .arg(media)
                      .arg(media == 1 ? QStringLiteral("medium") : QStringLiteral("media"))
                      .arg(movies)
                      .arg(movies == 1 ? QStringLiteral("movie") : QStringLiteral("movies"))
                      .arg(left > contents ? QStringLiteral(" besides the container") : QString());
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
    // The box set is made whole or not at all: the box the editor saved goes with its contents when a write fails,
    // and the contents go in place together under one record, so a kill or a power cut leaves all of them or none.
    ItemCreation creation({gMedias.get(), gMovies.get()}, QStringLiteral("the creation of a box set's %1 media and "
                                                                         "movies"));
    if (gBoxes) {
        creation.Adopt(*gBoxes, outcome.strKey);
    }
    const int boxId = IdOf(outcome.strKey);
    for (const PlannedContainer& container : plan.containers) {
        int parentType = 3;
        int parentId = boxId;
        if (!container.blnBox) {
            auto medium = std::make_shared<CMedia>();
            medium->setStrName(container.strName);
            medium->setLngParentType(3);
            medium->setLngParentID(boxId);
            CopyCommonFields(*mediaTemplate, *medium);
            medium->setStrSortKey(container.strSortKey);
            const QString mediumKey = gMedias ? creation.Add(*gMedias, medium) : QString();
            if (mediumKey.isEmpty()) {
                return Finish(outcome, editors, &creation);
            }
            ++outcome.media;
            parentType = 4;
            parentId = IdOf(mediumKey);
        }
        for (const PlannedMovie& planned : container.movies) {
            auto movie = std::make_shared<CMovie>();
            movie->setStrTitle(titles.at(planned.line));
            movie->setStrSortKey(planned.strSortKey);
            // Movies straight in the box have no medium of their own: they take the template's description.
            movie->setDMedia(movieTemplate->dMedia());
            movie->setLngParentType(parentType);
            movie->setLngParentID(parentId);
            CopyCommonFields(*movieTemplate, *movie);
            if ((gMovies ? creation.Add(*gMovies, movie) : QString()).isEmpty()) {
                return Finish(outcome, editors, &creation);
            }
            ++outcome.movies;
        }
    }
    return Finish(outcome, editors, &creation);
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
    // The medium is made whole with its movies or not at all (its movies go in place together, as a box set's).
    ItemCreation creation({gMovies.get()}, QStringLiteral("the creation of a medium's %1 movies"));
    if (gMedias) {
        creation.Adopt(*gMedias, outcome.strKey);
    }
    const auto medium = gMedias ? gMedias->Item(outcome.strKey) : nullptr;
    const mTypMediaInfo description = medium ? medium->dMedia() : mTypMediaInfo();
    const int mediumId = IdOf(outcome.strKey);
    for (const PlannedMovie& planned : PlanMedia(*titles)) {
        auto movie = std::make_shared<CMovie>();
        movie->setStrTitle(titles->at(planned.line));
        movie->setStrSortKey(planned.strSortKey);
        movie->setDMedia(description);
        movie->setLngParentType(4);
        movie->setLngParentID(mediumId);
        CopyCommonFields(*movieTemplate, *movie);
        if ((gMovies ? creation.Add(*gMovies, movie) : QString()).isEmpty()) {
            return Finish(outcome, editors, &creation);
        }
        ++outcome.movies;
    }
    return Finish(outcome, editors, &creation);
}

} // namespace ItemCommands
