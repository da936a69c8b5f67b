#pragma once

#include "Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// 8-bit text as the stored files, the exchange text and the online protocol hold it: Windows-1252, one character per
// byte. The five bytes that code page leaves undefined map to the control characters of the same value, so every byte
// survives a decode and an encode unchanged (cover images travel inside such text).
namespace AnsiText {

// One QChar per byte.
QString Decode(QByteArrayView bytes);
// One byte per QChar; a character the code page cannot hold becomes '?'.
QByteArray Encode(QStringView text);
// True when every character of text has a byte of its own in the code page.
bool IsEncodable(QStringView text);

// Whole-file read through SafeFile::Read (regular files only, size-capped); false (and text emptied) when the file
// cannot be read.
bool ReadFile(const QString& path, QString& text);
QString ReadFile(const QString& path);
// Whole-file write through SafeFile::Write: a success is on disk; a failure leaves the old file as it was, but an
// unconfirmed one (Result::Unconfirmed) has put the new file in place without the disk confirming it.
Result<> WriteFile(const QString& path, QStringView text);
Result<> WriteFileBytes(const QString& path, QByteArrayView bytes);

// The record reader's line split: CR LF or a lone CR ends a line; a lone LF stays inside its line. A text that ends
// with a line end yields no empty last line; the empty text yields no lines.
QStringList SplitRecordLines(QStringView text);

// The old runtime's Trim: removes the space character (and only it) at both ends.
QString Trim(QStringView text);
QString LTrim(QStringView text);
QString RTrim(QStringView text);
// Upper case per character: the length never changes, and a character whose upper case the code page lacks stays.
QString UCase(QStringView text);

// True for a file extension that is safe to put into a file name of ours: 1 to 8 ASCII letters or digits. Anything
// else could climb out of a folder or name something odd.
bool IsSafeExtension(QStringView ext);

} // namespace AnsiText
