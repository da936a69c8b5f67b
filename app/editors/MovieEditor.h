#pragma once

#include "editors/EditorSave.h"
#include "editors/ParentList.h"
#include "editors/PendingCovers.h"
#include "editors/TemplateSession.h"

#include "CMovie.h"
#include "mTypMediaInfo.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

// The movie editor without its window.

// What the dialog shows and the user types: the movie's text fields as the store keeps them (lists joined by CR LF,
// multi-line texts with CR LF between lines), its description and the parent it is saved under.
struct MovieForm
{
    // By MovieField; the numbers' and the description's places stay empty.
    std::array<QString, size_t(MovieField::Count)> text;
    mTypMediaInfo dMedia;
    QString parentKey = kRootKey;

    QString& operator[](MovieField field) { return text[size_t(field)]; }
    const QString& operator[](MovieField field) const { return text[size_t(field)]; }

    friend bool operator==(const MovieForm&, const MovieForm&) = default;
};

MovieForm ReadMovie(const CMovie& movie);
// Sets the movie's fields, its product code reduced to digits, and its parent.
void WriteMovie(const MovieForm& form, CMovie& movie);

// The fields OK checks against the code page: every text field of the form, named by its caption.
QList<CodePage::Field> MovieFields(const MovieForm& form);

// The address the "go to" button opens: http and https only, "www." taken as http; empty for anything else.
QUrl WebsiteUrl(const QString& text);

// MovieParent is the preselected parent; the parent list offers every container.
class MovieEditor : public TemplateSession<CMovie, MovieForm>
{
public:
    MovieEditor();

    // Starts a session for the movie strKey, or a new movie for the empty key.
    void Open(const QString& strKey);

    // The description a movie shows when it lies in the medium parentKey: the medium's, read-only. None for any other
    // parent, or a medium that is not loaded.
    static std::optional<mTypMediaInfo> MediumDescription(const QString& parentKey);

    // OK after the product-code gate: refuses text the code page cannot hold, else saves (a new movie is added with
    // its title first) and applies the covers; in template mode fills a new free-standing movie instead. A refusal
    // keeps nothing and leaves the key as it was.
    SaveOutcome Save(const MovieForm& form, const PendingCovers& covers);
    // Cancel: the key becomes empty, for a new and an existing movie alike.
    void Cancel() { m_key.clear(); }
};
