#pragma once

// The kill run shared by the store's safety test and its benchmark: a child process saves movies in a loop until it
// is killed, and the store it leaves is checked item by item and file by file.
#include "AnsiText.h"
#include "CMovie.h"
#include "CMovies.h"
#include "ItemStore.h"
#include "SafeFile.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>

namespace KillRun {

// The temporary files and folders of the writer's pattern below root.
inline QStringList Temps(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (SafeFile::IsTempName(SafeFile::Encode(it.fileName()))) {
            found << path;
        }
    }
    return found;
}

inline QString Label(int g)
{
    return QStringLiteral("Label %1").arg(g);
}
inline QString Notes(int g)
{
    return QStringLiteral("Notes of version %1\r\n\r\n").arg(g) + QString(300, QChar(u'n')) +
           QStringLiteral("\r\nend %1").arg(g);
}
inline QString Synopsis(int g)
{
    return QStringLiteral("Synopsis %1 ").arg(g) + QString(900, QChar(u's')) + QStringLiteral(" %1").arg(g);
}

inline QByteArray ReadRaw(const QString& path)
{
    QByteArray bytes;
    SafeFile::Read(path, bytes);
    return bytes;
}

inline const QByteArray kCoverA(20000, 'A');
inline const QByteArray kCoverB(30000, 'B');

// The child of the kill test: saves movies in a loop until it is killed. Each save writes one whole version g of a
// movie (label, notes, synopsis); every fifth changes a cover; every seventh adds a movie and reports its key once
// Add has returned.
inline int RunSaver(const QString& db, const QString& sources, quint32 seed)
{
    CMovies movies;
    movies.setDBDir(db);
    movies.LoadData();
    QRandomGenerator rng(seed);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int i = 1;; ++i) {
        const auto all = movies.items();
        const auto movie = all[size_t(rng.bounded(int(all.size())))];
        const int g = int(rng.bounded(1000000));
        movie->setStrLabel(Label(g));
        movie->setStrNotes(Notes(g));
        movie->setStrSynopsis(Synopsis(g));
        movies.Update(movie->strKey());
        if (i % 5 == 0) {
            movie->AddFrontCover(sources + (i % 10 == 0 ? QStringLiteral("/a.jpg") : QStringLiteral("/b.GIF")));
        }
        if (i % 7 == 0) {
            const QString key = movies.Add(QStringLiteral("Added %1").arg(i));
            if (!key.isEmpty()) {
                std::printf("added %s\n", qPrintable(key));
                std::fflush(stdout);
            }
        }
    }
}

// Checks a store after a kill: every movie in keys loads, each file a whole version; the cover the item names exists
// and is whole; a load leaves no temporary file. Returns the number of items or files lost.
inline int CheckAfterKill(const QString& db, const QStringList& keys, QString* why)
{
    CMovies movies;
    movies.setDBDir(db);
    movies.LoadData();
    int lost = 0;
    static const QRegularExpression label(QStringLiteral("^Label (\\d+)$"));
    for (const QString& key : keys) {
        const auto movie = movies.Item(key);
        if (!movie) {
            *why = key + QStringLiteral(" is gone");
            ++lost;
            continue;
        }
        const QString folder = movie->Path();
        if (ReadRaw(folder + QStringLiteral("/content.mdc")) != AnsiText::Encode(ItemStore::RecordText(*movie))) {
            *why = key + QStringLiteral(": the record is not whole");
            ++lost;
        }
        if (movie->strLabel().isEmpty()) {
            continue; // an added movie that was never updated
        }
        // The three files are written together but replaced one by one: each must be some whole version (an empty
        // text is the version an added movie starts with).
        if (!label.match(movie->strLabel()).hasMatch()) {
            *why = key + QStringLiteral(": no whole label");
            ++lost;
        }
        static const QRegularExpression notes(QStringLiteral("^Notes of version (\\d+)\r\n"));
        static const QRegularExpression synopsis(QStringLiteral("^Synopsis (\\d+) "));
        const auto n = notes.match(movie->strNotes());
        const auto s = synopsis.match(movie->strSynopsis());
        if (!movie->strNotes().isEmpty() && (!n.hasMatch() || movie->strNotes() != Notes(n.captured(1).toInt()))) {
            *why = key + QStringLiteral(": notes not whole");
            ++lost;
        }
        if (!movie->strSynopsis().isEmpty() &&
            (!s.hasMatch() || movie->strSynopsis() != Synopsis(s.captured(1).toInt()))) {
            *why = key + QStringLiteral(": synopsis not whole");
            ++lost;
        }
        const QString cover = movie->strFrontCover();
        if (!cover.isEmpty()) {
            const QByteArray bytes = ReadRaw(folder + u'/' + cover);
            if (bytes != kCoverA && bytes != kCoverB) {
                *why = key + QStringLiteral(": cover not whole");
                ++lost;
            }
        }
    }
    if (!Temps(db).isEmpty()) {
        *why = QStringLiteral("a load left ") + Temps(db).join(u' ');
        ++lost;
    }
    return lost;
}

} // namespace KillRun
