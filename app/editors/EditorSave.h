#pragma once

#include "core/CodePage.h"

#include <QList>
#include <QString>
#include <QVariant>

class QObject;

// What the editors share when OK saves: the sort key that follows the name, the refusal of text the store cannot
// hold, and the one message shown when the store refuses a write.

// What OK's save came to. When it is refused, message says why; the dialog shows it and stays open with every field
// as typed, and the caller gets no key.
struct SaveOutcome
{
    bool saved = false;
    QString message;

    static SaveOutcome Saved() { return {true, {}}; }
    static SaveOutcome Refused(const QString& why) { return {false, why}; }
};

// The message when the store could not write an item; nothing of the item was changed.
QString StoreRefusalMessage();
// The title of the editors' refusal messages.
QString RefusalTitle();

// The code page's refusal for the fields, or the empty string when every field can be stored.
QString CodePageRefusal(const QList<CodePage::Field>& fields);

// The sort key following the name or title: it follows as long as it is empty or equals the sort key of the name as
// it was before the change, so one typed by hand survives until it is emptied.
class SortKeyFollower
{
public:
    // The name as it stands now, without moving the sort key (after a load).
    void Reset(const QString& name) { m_name = name; }
    // The sort box's text after the name changed to newName.
    QString NameChanged(const QString& newName, const QString& sortText);

private:
    QString m_name;
};

// The stored properties of an item, taken before a save changes them, so that a refused write leaves the item in
// memory as it is on disk.
class PropertySnapshot
{
public:
    explicit PropertySnapshot(const QObject& item);
    void Restore(QObject& item) const;

private:
    QList<QPair<QByteArray, QVariant>> m_values;
};
