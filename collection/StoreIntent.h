#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// A command that changes many entries of the store together (an import put in place, a box set made with its
// contents, a container deleted with what it holds) is made whole across a kill or a power cut by a small record in
// the store folder: what the command is, and its steps, in order. Everything the steps need is on disk before the
// record is written; the record is synced before the first step, and removed only once every step is done and the
// folders they touched are synced. The next start (Recover) carries out every record it finds to its end: a step
// already done is skipped, so carrying a record out again changes nothing. A command so lands whole or not at all.
//
// Steps name absolute paths inside the store's kind folders: an entry of a kind folder ("Movies/x") or a file inside
// such an entry ("Movies/x/content.mdc"). A step renames within one folder, so each is one system call:
//   Place  a folder renamed to a name that must be free (a staged item put in place); never over anything.
//   Move   a file or folder renamed, a file replacing its target (a file written beside its target, an item
//          withdrawn to a temporary name).
//   Remove a file inside an item folder, or a temporary-named entry of a kind folder with what it holds.
// A Place or Move has a temporary name (SafeFile::IsTempName) at one end: no record can trade two items' names.
namespace StoreIntent {

class Intent
{
public:
    // what: what the next start says it finished ("an import of 20 items"); count: the items the command touches.
    Intent(const QString& dbDir, const QString& what, int count);
    Intent(const Intent&) = delete;
    Intent& operator=(const Intent&) = delete;
    // A record still on disk stays there for the next start.
    ~Intent() = default;

    void Place(const QString& from, const QString& to);
    void Move(const QString& from, const QString& to);
    void Remove(const QString& path);
    // Forgets the steps, to record another plan over the same record (the first one is then replaced whole).
    void Clear() { m_steps.clear(); }
    // What the next start says of the plan recorded next.
    void SetWhat(const QString& what, int count)
    {
        m_what = what;
        m_count = count;
    }
    int Steps() const { return int(m_steps.size()); }

    // Writes the record, or replaces it with the steps as they stand now, synced: from here the next start finishes
    // them. A failure leaves no record (when it may have reached the disk, it is removed again).
    Result<> Record();
    // Carries out every step from the first (those done already are skipped), syncs the folders they touched and
    // removes the record. A step that fails stops there and the record stays, for the caller to record another plan
    // (or for the next start); a failed sync after the steps keeps the record too and is unconfirmed. progress hears
    // the number of steps done now and then.
    Result<> Carry(const std::function<void(int done)>& progress = {});
    // Removes the record without doing more (the caller put things back another way).
    Result<> Drop();
    bool Recorded() const { return m_recorded; }
    const QString& RecordPath() const { return m_path; }

    enum class Op : char
    {
        Place,
        Move,
        Remove,
    };
    struct Step
    {
        Op op;
        QByteArray from; // relative to the store folder; the path removed for Remove
        QByteArray to;
    };

private:
    QByteArray Relative(const QString& path) const;

    QString m_dbDir;
    QString m_what;
    int m_count;
    QString m_path;
    std::vector<Step> m_steps;
    bool m_recorded = false;
};

// What the start did with the records it found.
struct Recovery
{
    QStringList finished; // what each record carried to its end said ("an import of 20 items")
    std::vector<int> counts;
    QStringList kept; // one sentence per record left on disk (damaged, unreadable, or a step that failed)
};

// Carries out every record in dbDir; before anything lists or sweeps a kind folder. The temporary entries a kept
// record still names are spared by the sweep while this program runs.
Recovery Recover(const QString& dbDir);
// What the start tells the user about it; empty when there was nothing.
QString Message(const Recovery& recovery);

} // namespace StoreIntent
