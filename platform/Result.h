#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

// Why a step failed: a text for the user's message or the log, the errno behind it (0 when no system call failed)
// and the file or folder it failed at.
struct Failure
{
    QString why;
    int error = 0;
    QString path;
    // The change itself was made (a file replaced, a folder renamed into place or removed) but a sync after it failed,
    // so the disk did not confirm it: it stands now and may or may not survive a power cut. What the window shows must
    // follow the change, and the user is told that the disk did not confirm it. why then says so itself ("the disk did
    // not confirm it: ..."), so a message may end with it after naming what was changed.
    bool unconfirmed = false;

    // A system call's failure at path; why is the system's own text of error.
    static Failure OfErrno(int error, const QString& path = QString())
    {
        return Failure{qt_error_string(error), error, path};
    }
};

// What a step that can fail gives back: its value, or why it failed. It tests as a bool; why a step failed is read
// from it, never from errno, which the clean-up after a failure may have changed.
template <typename T = void> class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_failure(std::move(failure)) {}
    // A change made but not confirmed on disk (Failure::unconfirmed): the value of what now stands (the key of an item
    // that exists) with the failure of the sync after it. It tests false; Reached() tells that the value is there.
    Result(T value, Failure unconfirmed) : m_value(std::move(value)), m_failure(std::move(unconfirmed))
    {
        m_failure.unconfirmed = true;
        m_failed = true;
    }

    explicit operator bool() const { return m_value.has_value() && !m_failed; }
    // The change was made but not confirmed on disk; the value is there.
    bool Unconfirmed() const { return m_failed && m_value.has_value(); }
    // The change was made, confirmed or not: the value is there.
    bool Reached() const { return m_value.has_value(); }
    // The value; only when Reached().
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    // The value, or fallback when nothing was reached.
    T valueOr(T fallback) const { return m_value ? *m_value : std::move(fallback); }

    const Failure& failure() const { return m_failure; }
    const QString& why() const { return m_failure.why; }
    int error() const { return m_failure.error; }

private:
    std::optional<T> m_value;
    bool m_failed = false; // with a value: the change was not confirmed
    Failure m_failure;
};

// A step that gives nothing back but whether it worked; a default one worked.
template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_failure(std::move(failure)) {}

    explicit operator bool() const { return !m_failed; }
    // The change was made but not confirmed on disk (Failure::unconfirmed).
    bool Unconfirmed() const { return m_failed && m_failure.unconfirmed; }
    // The change was made: confirmed or not.
    bool Reached() const { return !m_failed || m_failure.unconfirmed; }

    const Failure& failure() const { return m_failure; }
    const QString& why() const { return m_failure.why; }
    int error() const { return m_failure.error; }

private:
    bool m_failed = false;
    Failure m_failure;
};
