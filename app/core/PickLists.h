#pragma once

#include "Result.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <span>

// The six pick lists the editors offer (picture formats, sound mixes, spoken and subtitle languages, extras,
// studios). Each is an 8-bit text file, one entry per line, CR LF between lines. The program folder's "Resources"
// holds the defaults the build puts there; what the user makes lives in the user's own "Resources" folder, which is
// read first and is the only one ever written, so a read-only installed program or a rebuilt build tree loses
// nothing.
namespace PickLists {

enum class PickList
{
    Picture,
    Audio, // the sound mixes a spoken language is offered with
    LangSpoken,
    LangSub,
    Extras,
    Studios,
};

// What names a pick list: its file, the settings dialog's tab that edits it (its key, its caption with the access key,
// its frame and text box) and the movie editor's combo box that offers it.
struct PickListNames
{
    PickList list;
    const char* file;
    const char* tabKey;
    const char* caption;
    const char* frame;
    const char* field;
    const char* combo;
};

// The six, in the order the settings dialog and the movie editor's fields list them.
std::span<const PickListNames> Table();
const PickListNames& NamesOf(PickList list);
const QList<PickList>& All();
// The file's name, "picture.mld" for example.
QString FileName(PickList list);

// ${XDG_DATA_HOME:-$HOME/.local/share}/Halvorix/Vidsora/Resources
QString UserFolder();
// The program folder's "Resources".
QString DefaultsFolder();
QString UserFilePath(PickList list);
QString DefaultFilePath(PickList list);

// A file larger than this is not taken for a pick list: neither shown by the settings dialog nor offered by the
// editors.
inline constexpr qint64 kMaxPickListBytes = 4 * 1024 * 1024;
// What the editors offer of one list: at most this many entries, each cut to at most this many characters, and no
// more entries once they hold kMaxListChars characters together. A list past them is no list a person typed, and a
// drop-down measures every character it holds when it opens.
inline constexpr qsizetype kMaxEntries = 5000;
inline constexpr qsizetype kMaxEntryChars = 1000;
inline constexpr qsizetype kMaxListChars = 100000;

enum class ReadStatus
{
    Loaded,     // text holds the file, byte for byte
    Missing,    // neither folder has the file: shows as an empty list
    Unreadable, // a file is there but could not be read: it must never be replaced by an empty one
};

struct PickListText
{
    ReadStatus status = ReadStatus::Missing;
    QString text; // one character per byte
    QString path; // the file that was read, or that could not be
};

// The whole file, unchanged: the user's, or when the user has none, the default. A user's file that cannot be read
// is reported as such and hides the default, so what is shown is never mistaken for the user's list.
PickListText ReadFileText(PickList list);
// Writes text as the user's whole file, unchanged, through the safe writer, making the user's folder when it is
// missing. A failure when it could not be written, or when text holds characters the code page cannot hold (they
// would otherwise be lost): the old file then stays as it was; or, unconfirmed, when the new file is in place but the
// disk did not confirm it.
Result<> WriteFileText(PickList list, const QString& text);

// The entries the editors offer: the file's lines (CR LF or a lone CR ends one), each trimmed of blanks, empty ones
// left out, in file order, duplicates kept; each cut at kMaxEntryChars, as many as the limits above take. A missing or
// unreadable file gives none. What a read leaves out (a file too large, entries cut or past the limit) is noted for
// the user once per file and run (TakeNotice) and traced.
QStringList ReadEntries(PickList list);
// The same split of a text already read, with the same limits.
QStringList EntriesOf(const QString& text);

// What reads of the lists left out that the user has not been told yet, one sentence per file; empty when nothing is
// new. Taking it marks it told.
QString TakeNotice();

} // namespace PickLists
