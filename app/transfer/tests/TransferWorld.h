#pragma once

// The world of the transfer tests: private settings and temporary folders, Codevet registered from the build, fresh
// collections on a temporary store, and a few items with covers.

#include "CollectionWorld.h"
#include "core/Collections.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"
#include "Component.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace TransferWorld {

// Product codes the checker accepts.
inline const QString kCodeA = QStringLiteral("036000291452");
inline const QString kCodeB = QStringLiteral("4006381333931");
inline const QString kCodeC = QStringLiteral("5901234123457");
inline const QString kCodeD = QStringLiteral("9780306406157");
inline const QString kCodeE = QStringLiteral("96385074");

// Call before the application object: settings, temporary files and data under a private folder.
inline void SetUp()
{
    TestWorld::SetUpEnvironment();
}

inline bool RegisterCodevet()
{
    return Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)) == 0;
}

// Fresh collections on a new folder of the program's private folder, with this run's temporary folder made.
inline QString NewWorld(const QString& name)
{
    const QString db = TestWorld::ProgramDir().filePath(name);
    QDir(db).removeRecursively();
    TestWorld::NewCollections(db);
    if (const auto made = CreateTempFolder(); !made) {
        qWarning() << "no temporary folder:" << made.failure().path << made.why();
    }
    return db;
}

inline QByteArray CoverBytes(int salt, int size = 600)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i) {
        bytes.append(char((i * 31 + salt) & 0xFF));
    }
    bytes[0] = 'G'; // never a blank at the ends, which the exchange text trims
    bytes[bytes.size() - 1] = 'Z';
    return bytes;
}

// Gives the item a front and a back cover of the given bytes.
inline void AddCovers(CCoveredItem& item, int salt)
{
    const QString front = QDir(gTempFolder).filePath(QStringLiteral("front%1.jpg").arg(salt));
    const QString back = QDir(gTempFolder).filePath(QStringLiteral("back%1.png").arg(salt));
    QVERIFY(AnsiText::WriteFileBytes(front, CoverBytes(salt)));
    QVERIFY(AnsiText::WriteFileBytes(back, CoverBytes(salt + 1)));
    item.AddFrontCover(front);
    item.AddBackCover(back);
}

inline void SetCode(const QString& key, const QString& code)
{
    if (key.startsWith(u'M')) {
        gMovies->Item(key)->setStrUPC(code);
        gMovies->Update(key);
    } else if (key.startsWith(u'E')) {
        gMedias->Item(key)->setStrUPC(code);
        gMedias->Update(key);
    } else if (key.startsWith(u'B')) {
        gBoxes->Item(key)->setStrUPC(code);
        gBoxes->Update(key);
    }
}

// A box under parent with `discs` media of `perDisc` movies each and one loose movie, covers on every item.
inline QString AddFullBox(const QString& parent, int discs, int perDisc, bool covers = true)
{
    const QString box = TestWorld::AddBox(QStringLiteral("Shelf Box"), parent);
    SetCode(box, kCodeA);
    if (covers) {
        AddCovers(*gBoxes->Item(box), 1);
        gBoxes->Update(box);
    }
    for (int d = 1; d <= discs; ++d) {
        const QString disc = TestWorld::AddMedia(QStringLiteral("Disc %1").arg(d, 2, 10, QChar(u'0')), box, "DVD");
        if (covers) {
            AddCovers(*gMedias->Item(disc), 10 + d);
            gMedias->Update(disc);
        }
        for (int m = 1; m <= perDisc; ++m) {
            const QString movie = TestWorld::AddMovie(
                QStringLiteral("Episode %1-%2").arg(d, 2, 10, QChar(u'0')).arg(m, 2, 10, QChar(u'0')), disc, "DVD");
            if (covers) {
                AddCovers(*gMovies->Item(movie), 100 + d * 10 + m);
                gMovies->Update(movie);
            }
        }
    }
    const QString loose = TestWorld::AddMovie(QStringLiteral("Bonus Feature"), box, "DVD");
    if (covers) {
        AddCovers(*gMovies->Item(loose), 7);
        gMovies->Update(loose);
    }
    BuildChildLists();
    return box;
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TransferWorld
