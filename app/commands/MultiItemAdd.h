#pragma once

#include "commands/ItemEditors.h"
#include "commands/ItemWorkshops.h"

#include <QString>

// The add commands that create a container together with its contents: a box set with its media and movies, or a
// medium with its movies, from the workshop's titles and the templates of the common fields.
namespace ItemCommands {

// The messages shown right before each template editor.
QString MediaTemplateMessage();
QString MovieTemplateMessage();
// The message when the store refused a write in the middle of a creation: why, and how many items (the container
// among them) could not be removed again, with the media and movies among those.
QString CreationStoppedMessage(const QString& why, int left, int media, int movies);

struct CreationOutcome
{
    QString strKey;          // the new box or medium; empty when its editor saved nothing or it was removed again
    bool blnRefill = false;  // the tree must be refilled (whenever the container was made)
    int media = 0;           // media made inside it (after a stop: those still in the collection)
    int movies = 0;          // movies made inside it (after a stop: those still in the collection)
    bool blnStopped = false; // a write failed: everything made, the container too, was removed again
};

// AddBox: the box editor for a new box offered selectedKey as its place, the box-set workshop, the media template
// (several discs only) and the movie template, then one medium per part of the division and one movie per title,
// each medium stored before its movies, each item whole, the store synced once at the end. A cancel after the box was
// made ends the creation and leaves the box; a write that fails removes the contents and the box again and says why.
// The child lists are rebuilt whenever the box was made.
CreationOutcome AddBox(ItemEditors& editors, ItemWorkshops& workshops, const QString& selectedKey);
// AddMedia: the media editor for a new medium, the media workshop and the movie template, then one movie per title
// in the medium, taking the medium's description; made whole, or removed again with the medium, as AddBox.
CreationOutcome AddMedia(ItemEditors& editors, ItemWorkshops& workshops, const QString& selectedKey);

} // namespace ItemCommands
