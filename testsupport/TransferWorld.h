#pragma once

// The world of the transfer tests: private settings and temporary folders, Codevet registered from the build, fresh
// collections on a temporary store, and a few items with covers.

#include "CollectionWorld.h"
#include "TestPictures.h"
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

// A real picture (a cover is stored only when it is one), different for every salt; never a blank at the ends, which
// the exchange text trims.
inline QByteArray CoverBytes(int salt)
{
    return salt % 2 ? TestSupport::PngPicture(12, 10, salt) : TestSupport::BmpPicture(8, 22, salt);
}

// Gives the item a front and a back cover, pictures of the kinds their names say.
inline void AddCovers(CCoveredItem& item, int salt)
{
    const QString front =
        QDir(gTempFolder).filePath(QStringLiteral("front%1.%2").arg(salt).arg(salt % 2 ? "png" : "bmp"));
    const QString back =
        QDir(gTempFolder).filePath(QStringLiteral("back%1.%2").arg(salt).arg((salt + 1) % 2 ? "png" : "bmp"));
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
