#pragma once

#include "editors/EditorSave.h"
#include "editors/ParentList.h"
#include "editors/PendingCovers.h"

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

class MediaEditor
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

    // MediaParent: the container preselected for the next new medium.
    void SetParentKey(const QString& strKey) { m_parentKey = strKey; }
    QString ParentKey() const { return m_parentKey; }

    // Starts a session for the medium strKey, or a new medium for the empty key; fills the parent list (the root,
    // categories, groups and boxes).
    void Open(const QString& strKey);
    // Starts template mode: no name, sort index, code, covers or parent; OK stores nothing.
    void OpenTemplate();

    Mode mode() const { return m_mode; }
    // The item key: the one given, the new medium's after a saved new one, kTemplateKey in template mode.
    QString Key() const { return m_key; }
    QString Caption() const { return m_caption; }
    const MediaForm& Form() const { return m_form; }
    const QList<ParentEntry>& Places() const { return m_places; }
    // The covers the opened medium has stored; none for a new one or a template.
    const StoredCovers& Covers() const { return m_covers; }
    bool Offers(const QString& parentKey) const;
    // The parent the medium was loaded with ("!0" for a new one): decides the product-code lock.
    QString LoadedParentKey() const { return m_loadedParent; }

    // OK after the product-code gate: refuses text the code page cannot hold, else saves (a new medium is added with
    // its name first) and applies the covers; in template mode fills a new free-standing medium instead. A refusal
    // keeps nothing and leaves the key as it was.
    SaveOutcome Save(const MediaForm& form, const PendingCovers& covers);

    // The template filled by OK, once; null after Cancel.
    std::unique_ptr<CMedia> TakeTemplate();

private:
    // A fresh session: the mode, the key, an empty form and the parent list.
    void Start(Mode mode, const QString& key);

    Mode m_mode = Mode::New;
    QString m_key;
    QString m_parentKey;
    QString m_loadedParent = kRootKey;
    QString m_caption;
    MediaForm m_form;
    QList<ParentEntry> m_places;
    StoredCovers m_covers;
    std::unique_ptr<CMedia> m_template;
};
