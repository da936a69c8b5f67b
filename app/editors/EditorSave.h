#pragma once

#include "core/CodePage.h"
#include "editors/PendingCovers.h"

#include "CCoveredItem.h"
#include "CItemList.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <type_traits>

class QObject;

// What the editors share when OK saves: the sort key that follows the name, the refusal of text the store cannot
// hold, and the one message shown when the store refuses a write.

// What OK's save came to. When it is refused, message says why; the dialog shows it and stays open with every field
// as typed, and the caller gets no key. A save the disk did not confirm is saved, with a message that says so: the
// item stands as saved (the next start loads it so, unless the power fails first), so the dialog closes as after
// any save and the main window shows the item as the disk holds it.
struct SaveOutcome
{
    bool saved = false;
    QString message;

    static SaveOutcome Saved() { return {true, {}}; }
    static SaveOutcome Refused(const QString& why) { return {false, why}; }
    static SaveOutcome Unconfirmed(const QString& message) { return {true, message}; }
};

// The message when the store could not write an item; nothing of the item was changed.
QString StoreRefusalMessage();
// The same, saying what could not be written.
QString StoreRefusalMessage(const QString& why);
// The message when the item was saved but the disk did not confirm it: why says what failed.
QString UnconfirmedSaveMessage(const QString& why);
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

// OK's write of an item of collection. A new one (empty key) is made whole: write fills a fresh item from the form,
// and the collection writes it with the picked covers or keeps nothing of it; key then becomes its key. An existing
// one gets its fields from write and is saved with its cover choices in one step (CItemList::Save): refused, the
// fields in memory go back to what the disk still holds; saved but not confirmed, they stay as saved, since the disk
// holds them now. With no covers (categories, groups) only the record is written.
template <class Collection, class Write>
SaveOutcome SaveEditedItem(Collection& collection, QString& key, const PendingCovers* covers, const Write& write)
{
    using Item = typename decltype(collection.Item(key))::element_type;
    if (key.isEmpty()) {
        auto item = std::make_shared<Item>();
        write(*item);
        CItemList::NewCovers files;
        if (covers) {
            files = {covers->NewFile(PendingCovers::Side::Front), covers->NewFile(PendingCovers::Side::Back)};
        }
        const Result<QString> newKey = collection.AddNew(item, files);
        if (!newKey) {
            const bool withCovers = !files.front.isEmpty() || !files.back.isEmpty();
            return SaveOutcome::Refused(withCovers ? StoreRefusalMessage(newKey.why()) : StoreRefusalMessage());
        }
        key = *newKey;
        return SaveOutcome::Saved();
    }
    const auto item = collection.Item(key);
    if (!item) {
        return SaveOutcome::Saved(); // a key that names no item: nothing to save
    }
    const PropertySnapshot before(*item);
    write(*item);
    bool withCovers = false;
    Result<void> saved;
    if constexpr (std::is_base_of_v<CCoveredItem, Item>) {
        withCovers = covers && !covers->IsEmpty();
        saved = withCovers ? covers->Apply(collection, key) : collection.Save(key);
    } else {
        saved = collection.Save(key);
    }
    if (saved) {
        return SaveOutcome::Saved();
    }
    if (saved.Reached()) {
        return SaveOutcome::Unconfirmed(UnconfirmedSaveMessage(saved.why()));
    }
    before.Restore(*item);
    return SaveOutcome::Refused(withCovers ? StoreRefusalMessage(saved.why()) : StoreRefusalMessage());
}
