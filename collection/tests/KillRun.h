#pragma once

// The kill runs shared by the store's safety test and its benchmark: a child process saves movies (or creates items)
// in a loop until it is killed, and the store it leaves is checked item by item and file by file.
#include "AnsiText.h"
#include "CBox.h"
#include "CBoxes.h"
#include "CMedia.h"
#include "CMedias.h"
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
#include <sys/stat.h>

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

// ---- creation ----

// What a created item holds, all of it told by its name: a name "... in E12" says the item lies in medium 12.
inline QString Extras(const QString& name)
{
    return QStringLiteral("Extras of ") + name + QStringLiteral("\r\nSecond line");
}
inline int ParentOf(const QString& name, int* id)
{
    static const QRegularExpression in(QStringLiteral(" in ([BE])(\\d+)$"));
    const auto m = in.match(name);
    *id = m.hasMatch() ? m.captured(2).toInt() : 0;
    return !m.hasMatch() ? 0 : (m.captured(1) == u"B" ? 3 : 4);
}

// Creates one item whole, with every field its name tells and its covers; its key or empty.
template <class List> QString CreateOne(List& list, ItemKind kind, const QString& name, const QString& sources)
{
    const auto item = ItemStore::NewItem(kind);
    item->setDisplayName(name);
    item->setStrSortKey(name.toUpper());
    int parentId = 0;
    const int parentType = ParentOf(name, &parentId);
    if (auto* box = qobject_cast<CBox*>(item.get())) {
        box->setStrExtras(Extras(name));
        box->setLngParentType(parentType);
        box->setLngParentID(parentId);
    } else if (auto* media = qobject_cast<CMedia*>(item.get())) {
        media->setStrExtras(Extras(name));
        media->setLngParentType(parentType);
        media->setLngParentID(parentId);
    } else if (auto* movie = qobject_cast<CMovie*>(item.get())) {
        movie->setStrLabel(QStringLiteral("Label of ") + name);
        movie->setStrExtras(Extras(name));
        movie->setStrNotes(Notes(name.size()));
        movie->setStrSynopsis(Synopsis(name.size()));
        movie->setLngParentType(parentType);
        movie->setLngParentID(parentId);
    }
    return list.AddNew(item, {sources + QStringLiteral("/a.jpg"), sources + QStringLiteral("/b.GIF")});
}

// The child of the creation kill run: in batches until it is killed, creates eight movies at the root, or a box
// holding two media holding three movies each; reports the keys of a batch once its Commit returned true.
inline int RunCreator(const QString& db, const QString& sources, quint32 seed)
{
    CBoxes boxes;
    CMedias medias;
    CMovies movies;
    for (CItemList* list : std::initializer_list<CItemList*>{&boxes, &medias, &movies}) {
        list->setDBDir(db);
        list->LoadData();
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int round = 1;; ++round) {
        const QString tag = QStringLiteral("%1-%2").arg(seed).arg(round);
        SafeFile::Batch batch;
        QStringList made;
        if (round % 2 == 1) {
            for (int i = 0; i < 8; ++i) {
                made << CreateOne(movies, ItemKind::Movie, QStringLiteral("Flat %1 #%2").arg(tag).arg(i), sources);
            }
        } else {
            const QString box = CreateOne(boxes, ItemKind::Box, QStringLiteral("Set %1").arg(tag), sources);
            made << box;
            for (int d = 0; d < 2 && !box.isEmpty(); ++d) {
                const QString disc = CreateOne(medias, ItemKind::Media,
                                               QStringLiteral("Disc %1 #%2 in %3").arg(tag).arg(d).arg(box), sources);
                made << disc;
                for (int e = 0; e < 3 && !disc.isEmpty(); ++e) {
                    made << CreateOne(movies, ItemKind::Movie,
                                      QStringLiteral("Episode %1 #%2%3 in %4").arg(tag).arg(d).arg(e).arg(disc),
                                      sources);
                }
            }
        }
        if (batch.Commit() && !made.contains(QString())) {
            for (const QString& key : made) {
                std::printf("added %s\n", qPrintable(key));
            }
            std::fflush(stdout);
        }
    }
}

struct Creation
{
    int half = 0;       // items on disk that are not whole, or not under the parent they were made under
    int recordless = 0; // folders without a record, or temporary ones, left after a load
    int lost = 0;       // items reported made that did not load
};

// Checks a store after a creation run was killed: every item loads whole (record, fields, parent, covers), every
// reported item is there, and a load leaves no folder without a record and no temporary folder.
inline Creation CheckCreated(const QString& db, const QStringList& keys, QString* why)
{
    Creation found;
    CBoxes boxes;
    CMedias medias;
    CMovies movies;
    for (CItemList* list : std::initializer_list<CItemList*>{&boxes, &medias, &movies}) {
        list->setDBDir(db);
        list->LoadData();
    }
    const auto half = [&](const CItem& item, const QString& what) {
        *why = item.strKey() + QStringLiteral(" (") + item.Path() + QStringLiteral("): ") + what;
        ++found.half;
    };
    const auto check = [&](const CItem& item, const QString& extras, int parentType, int parentId, const QString& front,
                           const QString& back) {
        const QString name = item.DisplayName();
        int id = 0;
        const int type = ParentOf(name, &id);
        if (ReadRaw(item.Path() + QStringLiteral("/content.mdc")) != AnsiText::Encode(ItemStore::RecordText(item))) {
            half(item, QStringLiteral("the record is not whole"));
        } else if (item.strSortKey() != name.toUpper() || extras != Extras(name)) {
            half(item, QStringLiteral("fields missing"));
        } else if (parentType != type || parentId != id || (type == 3 && !boxes.Item(QStringLiteral("B%1").arg(id))) ||
                   (type == 4 && !medias.Item(QStringLiteral("E%1").arg(id)))) {
            half(item, QStringLiteral("not under its parent"));
        } else if (ReadRaw(item.Path() + u'/' + front) != kCoverA || ReadRaw(item.Path() + u'/' + back) != kCoverB) {
            half(item, QStringLiteral("covers missing"));
        }
    };
    for (const auto& box : boxes) {
        check(*box, box->strExtras(), box->lngParentType(), box->lngParentID(), box->strFrontCover(),
              box->strBackCover());
    }
    for (const auto& media : medias) {
        check(*media, media->strExtras(), media->lngParentType(), media->lngParentID(), media->strFrontCover(),
              media->strBackCover());
    }
    for (const auto& movie : movies) {
        check(*movie, movie->strExtras(), movie->lngParentType(), movie->lngParentID(), movie->strFrontCover(),
              movie->strBackCover());
        const int n = int(movie->strTitle().size());
        if (movie->strLabel() != QStringLiteral("Label of ") + movie->strTitle() || movie->strNotes() != Notes(n) ||
            movie->strSynopsis() != Synopsis(n)) {
            half(*movie, QStringLiteral("label, notes or synopsis missing"));
        }
    }
    for (const QString& key : keys) {
        const bool there = key.startsWith(u'B')   ? bool(boxes.Item(key))
                           : key.startsWith(u'E') ? bool(medias.Item(key))
                                                  : bool(movies.Item(key));
        if (!there) {
            *why = key + QStringLiteral(" was reported made and is gone");
            ++found.lost;
        }
    }
    for (const char* kind : {"Boxes", "Medias", "Movies"}) {
        const QString folder = db + u'/' + QLatin1String(kind);
        const auto names = ItemStore::ListEntries(folder);
        for (const QString& name : names ? *names : QStringList()) {
            struct stat st;
            if (::stat(SafeFile::Encode(folder + u'/' + name + QStringLiteral("/content.mdc")).constData(), &st) != 0) {
                *why = folder + u'/' + name + QStringLiteral(" holds no record after a load");
                ++found.recordless;
            }
        }
    }
    found.recordless += int(Temps(db).size());
    return found;
}

} // namespace KillRun
