#pragma once

#include "editors/EditorSave.h"
#include "editors/ParentList.h"
#include "editors/PendingCovers.h"
#include "editors/TemplateSession.h"

#include "mTypMediaInfo.h"

#include <QList>
#include <QString>

#include <memory>

class CMedia;

// The media editor without its window.

// What the dialog shows and the user types: the medium's fields as the store keeps them and the parent it is saved
// under.
struct MediaForm
{
    QString strName;
    QString strSortKey;
    QString strUPC; // as typed: not trimmed, nothing removed
    mTypMediaInfo dMedia;
    QString strExtras; // entries joined by CR LF
    QString parentKey = kRootKey;

    friend bool operator==(const MediaForm&, const MediaForm&) = default;
};

MediaForm ReadMedia(const CMedia& medium);
// Sets the medium's fields, its product code as typed, and its parent.
void WriteMedia(const MediaForm& form, CMedia& medium);

// The fields OK checks against the code page, named as their labels read.
QList<CodePage::Field> MediaFields(const MediaForm& form);

// MediaParent is the preselected parent; the parent list offers the root, categories, groups and boxes.
class MediaEditor : public TemplateSession<CMedia, MediaForm>
{
public:
    MediaEditor();

    // Starts a session for the medium strKey, or a new medium for the empty key.
    void Open(const QString& strKey);

    // OK after the product-code gate: refuses text the code page cannot hold, else saves (a new medium is added with
    // its name first) and applies the covers; in template mode fills a new free-standing medium instead. A refusal
    // keeps nothing and leaves the key as it was.
    SaveOutcome Save(const MediaForm& form, const PendingCovers& covers);
};
