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

    explicit operator bool() const { return m_value.has_value(); }
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    // The value, or fallback after a failure.
    T valueOr(T fallback) const { return m_value ? *m_value : std::move(fallback); }

    const Failure& failure() const { return m_failure; }
    const QString& why() const { return m_failure.why; }
    int error() const { return m_failure.error; }

private:
    std::optional<T> m_value;
    Failure m_failure;
};

// A step that gives nothing back but whether it worked; a default one worked.
template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_failure(std::move(failure)) {}

    explicit operator bool() const { return !m_failed; }

    const Failure& failure() const { return m_failure; }
    const QString& why() const { return m_failure.why; }
    int error() const { return m_failure.error; }

private:
    bool m_failed = false;
    Failure m_failure;
};
