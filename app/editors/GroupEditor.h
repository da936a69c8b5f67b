#pragma once

#include "editors/EditorSave.h"
#include "editors/ParentList.h"

#include <QList>
#include <QString>

// The group editor without its window.

struct GroupForm
{
    QString strName;
    QString strSortKey;
    // The place the group is saved under: "!0" or a category's key. A stored place that the list no longer offers
    // stays here until the user picks an entry.
    QString parentKey = kRootKey;

    friend bool operator==(const GroupForm&, const GroupForm&) = default;
};

class GroupEditor
{
public:
    // GroupParent: the place preselected for the next new group.
    void SetParentKey(const QString& strKey) { m_parentKey = strKey; }
    QString ParentKey() const { return m_parentKey; }

    // Starts a session for the group strKey, or a new group for the empty key: fills the place list (the root and
    // the categories) and the fields.
    void Open(const QString& strKey);

    QString Key() const { return m_key; }
    QString Caption() const { return m_caption; }
    const GroupForm& Form() const { return m_form; }
    const QList<ParentEntry>& Places() const { return m_places; }
    bool Offers(const QString& parentKey) const { return OffersPlace(m_places, parentKey); }

    // OK: refuses text the store cannot hold, else adds a new group, sets its fields and place and writes it.
    SaveOutcome Save(const GroupForm& form);

private:
    QString m_key;
    QString m_parentKey;
    QString m_caption;
    GroupForm m_form;
    QList<ParentEntry> m_places;
};
