#pragma once

#include <QString>

// One store, one program: while a program has a store open it holds an exclusive lock on the file "Vidsora.lock" at
// the top of the database folder, beside the five kind folders. The system frees the lock when the program ends in
// any way, so a crash never leaves a store locked; the lock also holds between machines on a network share that
// supports record locks.
class StoreLock
{
public:
    enum class Result
    {
        Locked, // the lock is ours until Release or destruction
        InUse,  // another program (or another StoreLock) holds it
        Failed, // the lock file cannot be opened or locked (a missing folder, or one where it cannot be made)
    };

    StoreLock() = default;
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // Takes the lock of the store in dbDir, which must exist; the lock file is created when missing. A lock file this
    // user cannot write is opened for reading, which locks as well. A lock held already is released first.
    Result Acquire(const QString& dbDir);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

    // "Vidsora.lock".
    static QString FileName();
    // What a second program tells the user: "The collection <dbDir> is in use by another Vidsora."
    static QString InUseMessage(const QString& dbDir);
    // After Failed, why: "The collection <dbDir> cannot be locked against a second Vidsora: the lock file <file>
    // cannot be opened or locked (<reason>)."
    QString FailedMessage(const QString& dbDir) const;

private:
    int m_fd = -1;
    int m_error = 0;
};
