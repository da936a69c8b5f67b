#pragma once

#include "editors/EditorSave.h"
#include "editors/ParentList.h"
#include "editors/PendingCovers.h"

#include <QList>
#include <QString>

class CBox;

// The box editor without its window.

// What the dialog shows and the user types.
struct BoxForm
{
    QString strName;
    QString strSortKey;
    QString strUPC;    // as typed: not trimmed, nothing removed
    QString strExtras; // entries joined by CR LF
    // The place the box is saved under: "!0", a category or a group. A stored place that the list no longer offers
    // stays here until the user picks an entry.
    QString parentKey = kRootKey;

    friend bool operator==(const BoxForm&, const BoxForm&) = default;
};

BoxForm ReadBox(const CBox& box);
void WriteBox(const BoxForm& form, CBox& box);

// The fields OK checks against the code page, named as their labels read.
QList<CodePage::Field> BoxFields(const BoxForm& form);

class BoxEditor
{
public:
    // BoxParent: the place preselected for the next new box.
    void SetParentKey(const QString& strKey) { m_parentKey = strKey; }
    QString ParentKey() const { return m_parentKey; }

    // Starts a session for the box strKey, or a new box for the empty key; fills the parent list (the root,
    // categories and groups).
    void Open(const QString& strKey);

    // The item key: the one given, or after a saved new box its new key. Cancel leaves it as it is.
    QString Key() const { return m_key; }
    QString Caption() const { return m_caption; }
    const BoxForm& Form() const { return m_form; }
    const QList<ParentEntry>& Places() const { return m_places; }
    // The covers the opened box has stored; none for a new one.
    const StoredCovers& Covers() const { return m_covers; }
    bool Offers(const QString& parentKey) const { return OffersPlace(m_places, parentKey); }

    // OK after the product-code gate: refuses text the code page cannot hold, else saves (a new box is added with its
    // name first) and applies the covers. A refusal keeps nothing and leaves the key as it was.
    SaveOutcome Save(const BoxForm& form, const PendingCovers& covers);

private:
    QString m_key;
    QString m_parentKey;
    QString m_caption;
    BoxForm m_form;
    QList<ParentEntry> m_places;
    StoredCovers m_covers;
};
