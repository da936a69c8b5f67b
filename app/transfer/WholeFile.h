#pragma once

#include <QByteArray>
#include <QString>

// The whole-file read of the transfer commands: regular files only and at most a given size, so that a pipe, a
// device or a huge file picked in a file dialog can never block or swamp the window. This is the one place the
// exchange-file import reads through; it is meant to give way to the bounded read of the platform layer.
namespace WholeFile {

enum class ReadResult
{
    Ok,
    Unreadable,     // missing, no permission, or a read error
    NotRegularFile, // a folder, pipe, device or socket
    TooLarge,       // more than the cap
};

// The largest exchange file the import takes: covers travel inside, but never this much.
constexpr qint64 kExchangeFileCap = 64 * 1024 * 1024;

// Reads the whole of path into bytes (emptied on any failure).
ReadResult Read(const QString& path, qint64 cap, QByteArray& bytes);

} // namespace WholeFile
