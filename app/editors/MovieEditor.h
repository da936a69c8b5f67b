#pragma once

#include "editors/EditorSave.h"
#include "editors/ParentList.h"
#include "editors/PendingCovers.h"

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

// The fields OK checks against the code page, named as their labels read.
QList<CodePage::Field> MovieFields(const MovieForm& form);

// The address the "go to" button opens: http and https only, "www." taken as http; empty for anything else.
QUrl WebsiteUrl(const QString& text);

class MovieEditor
{
public:
    enum class Mode
    {
        New,
        Edit,
        Template,
    };

    // The item key of template mode.
    static inline const QString kTemplateKey = QStringLiteral("TEMPLATE");

    // MovieParent: the container preselected for the next new movie.
    void SetParentKey(const QString& strKey) { m_parentKey = strKey; }
    QString ParentKey() const { return m_parentKey; }

    // Starts a session for the movie strKey, or a new movie for the empty key; fills the parent list.
    void Open(const QString& strKey);
    // Starts template mode: no title, label, sort key, code, covers or parent; OK stores nothing.
    void OpenTemplate();

    Mode mode() const { return m_mode; }
    QString Key() const { return m_key; }
    QString Caption() const { return m_caption; }
    const MovieForm& Form() const { return m_form; }
    const QList<ParentEntry>& Places() const { return m_places; }
    // The covers the opened movie has stored; none for a new one or a template.
    const StoredCovers& Covers() const { return m_covers; }
    bool Offers(const QString& parentKey) const;
    // The parent the movie was loaded with ("!0" for a new one): decides the product-code lock.
    QString LoadedParentKey() const { return m_loadedParent; }

    // The description a movie shows when it lies in the medium parentKey: the medium's, read-only. None for any other
    // parent, or a medium that is not loaded.
    static std::optional<mTypMediaInfo> MediumDescription(const QString& parentKey);

    // OK after the product-code gate: refuses text the code page cannot hold, else saves (a new movie is added with
    // its title first) and applies the covers; in template mode fills a new free-standing movie instead. A refusal
    // keeps nothing and leaves the key as it was.
    SaveOutcome Save(const MovieForm& form, const PendingCovers& covers);
    // Cancel: the key becomes empty, for a new and an existing movie alike.
    void Cancel() { m_key.clear(); }

    // The template filled by OK, once; null after Cancel.
    std::unique_ptr<CMovie> TakeTemplate();

private:
    // A fresh session: the mode, the key, an empty form and the parent list.
    void Start(Mode mode, const QString& key);

    Mode m_mode = Mode::New;
    QString m_key;
    QString m_parentKey;
    QString m_loadedParent = kRootKey;
    QString m_caption;
    MovieForm m_form;
    QList<ParentEntry> m_places;
    StoredCovers m_covers;
    std::unique_ptr<CMovie> m_template;
};
