#pragma once

#include "SafeFile.h"

#include <QByteArray>
#include <QByteArrayView>

// What the files of the safe writer share among themselves; nothing outside them includes this.
namespace SafeFile::Internal {

// ---- the fault seam (SafeFileFaults.cpp) ----

// Counts a call of op; true when the test seam makes this one fail (errno set as the real failure would).
bool Injected(Faults::Op op);
// True while the test seam leaves the syncs out.
bool SyncsSkipped();
// What is left of the byte budget (negative: no limit), and n bytes of it spent.
qint64 Budget();
void SpendBudget(qint64 n);

// ---- names (SafeFileNames.cpp) ----

// The folder part of a native path: "." for a bare name, "/" for a name in the root.
QByteArray FolderOf(const QByteArray& path);
// The log line of a failure at path; errno stays as it was.
void Trace(const char* what, QByteArrayView path, int err);
// Traces the failure and gives it back.
Failure Traced(const char* what, QByteArrayView path, int err);
// The failure of a sync after a change already made (a rename into place, a removal): the change stands, but the disk
// did not confirm it (Failure::unconfirmed, its why saying so).
Failure Unconfirmed(Failure failure);

// ---- the batch (SafeFileBatch.cpp) ----

// True while the calling thread has a batch open.
bool InBatch();
// True when a new version of target, in folder, is synced with the open batch rather than on its own: the target is
// new, or was written or made inside the batch.
bool DefersToBatch(const QByteArray& target, const QByteArray& folder, bool exists);
// A file written in the open batch, its sync put off until the batch ends.
void DeferFile(const QByteArray& target);
// The sync of folder's file system put off until the open batch ends.
void DeferFolder(const QByteArray& folder);
// A folder made or put in place while a batch is open: what is written in it is new.
void NoteNewFolder(const QByteArray& path);

// ---- folders (SafeFileFolders.cpp) ----

// SyncFolder for a native path; in a batch the sync is put off.
Result<> SyncFolderNative(const QByteArray& folder);

} // namespace SafeFile::Internal
