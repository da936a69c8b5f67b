#pragma once

// Writes the benchmark store: 20,000 movies, 2,000 media, 500 boxes, 200 groups and 50 categories, every field
// filled, notes and synopsis of about 500 bytes, a cover on one movie in five. Files are written straight in the
// store's format, so the generation itself stays quick.

#include "AnsiText.h"
#include "CBox.h"
#include "CCategory.h"
#include "CGroup.h"
#include "CMedia.h"
#include "CMovie.h"
#include "ItemStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <iterator>

class StoreGenerator
{
public:
    explicit StoreGenerator(QString db) : m_db(std::move(db)), m_rng(20240601) {}

    void Run()
    {
        MakeKindFolders();
        for (int id = 1; id <= 50; ++id) {
            CCategory c;
            Fill(c, id);
            Save(c, {});
        }
        for (int id = 1; id <= 200; ++id) {
            CGroup g;
            Fill(g, id);
            g.setLngParentType(1);
            g.setLngParentID(1 + id % 50);
            Save(g, {});
        }
        for (int id = 1; id <= 500; ++id) {
            CBox b;
            Fill(b, id);
            b.setStrUPC(Digits(12));
            b.setStrExtras(Lines(3));
            b.setLngParentType(2);
            b.setLngParentID(1 + id % 200);
            Save(b, {});
        }
        for (int id = 1; id <= 2000; ++id) {
            CMedia e;
            Fill(e, id);
            e.setStrUPC(Digits(12));
            e.setDMedia({"DVD", "DVD-9", "2", "", "Keepcase"});
            e.setStrExtras(Lines(3));
            e.setLngParentType(3);
            e.setLngParentID(1 + id % 500);
            Save(e, {});
        }
        const QByteArray cover(8 * 1024, 'c');
        for (int id = 1; id <= 20000; ++id) {
            CMovie m;
            FillMovie(m, id);
            m.setLngParentType(4);
            m.setLngParentID(1 + id % 2000);
            Save(m, id % 5 == 0 ? cover : QByteArray());
        }
    }

    // A store holding one box set under the root: box B1 with media E1..E<media>, each holding moviesPerMedium
    // movies with every field filled (the movies of medium n are M((n-1)*moviesPerMedium+1) onwards).
    void RunBoxSet(int media, int moviesPerMedium)
    {
        MakeKindFolders();
        CBox b;
        Fill(b, 1);
        b.setStrUPC(Digits(12));
        b.setStrExtras(Lines(3));
        Save(b, {});
        for (int id = 1; id <= media; ++id) {
            CMedia e;
            Fill(e, id);
            e.setStrUPC(Digits(12));
            e.setDMedia({"DVD", "DVD-9", "2", "", "Keepcase"});
            e.setStrExtras(Lines(3));
            e.setLngParentType(3);
            e.setLngParentID(1);
            Save(e, {});
            for (int n = 1; n <= moviesPerMedium; ++n) {
                CMovie m;
                FillMovie(m, (id - 1) * moviesPerMedium + n);
                m.setLngParentType(4);
                m.setLngParentID(id);
                Save(m, {});
            }
        }
    }

private:
    void MakeKindFolders() const
    {
        for (const ItemKind kind : ItemStore::kKinds) {
            QDir().mkpath(m_db + u'/' + ItemStore::KindFolder(kind));
        }
    }

    void FillMovie(CMovie& m, int id)
    {
        m.setLngID(id);
        m.setStrTitle(Words(3));
        m.setStrSortKey(AnsiText::UCase(m.strTitle()));
        m.setStrLabel(Words(2));
        m.setStrUPC(Digits(13));
        m.setDMedia({"DVD", "DVD-5", "2", "", "Snapper"});
        m.setStrPicture(Lines(2));
        m.setStrSoundmix(Lines(3));
        m.setStrSubtitles(Lines(4));
        m.setStrSystem(QStringLiteral("PAL"));
        m.setStrCountry(QStringLiteral("USA"));
        m.setStrYear(QString::number(1950 + id % 70));
        m.setStrLength(QString::number(80 + id % 90));
        m.setStrStudio(Words(2));
        m.setStrWebsite(QStringLiteral("http://example.invalid/") + QString::number(id));
        m.setStrExtras(Lines(3));
        m.setStrWriter(Lines(2));
        m.setStrDirector(Lines(1));
        m.setStrProducer(Lines(2));
        m.setStrCast(Lines(8));
        m.setStrNotes(Text(500));
        m.setStrSynopsis(Text(500));
    }

    template <class T> void Fill(T& item, int id)
    {
        item.setLngID(id);
        item.setStrName(Words(2));
        item.setStrSortKey(AnsiText::UCase(item.strName()));
    }

    void Save(CItem& item, const QByteArray& cover)
    {
        const QString folder = m_db + u'/' + ItemStore::KindFolder(item.Kind()) + u'/' + item.strSortKey() + u'.' +
                               QString::number(item.lngID());
        QDir().mkdir(folder);
        Put(folder + u'/' + ItemStore::kRecord, AnsiText::Encode(ItemStore::RecordText(item)));
        if (item.Kind() == ItemKind::Movie) {
            const auto& m = static_cast<const CMovie&>(item);
            Put(folder + QStringLiteral("/Notes.txt"), AnsiText::Encode(m.strNotes() + QStringLiteral("\r\n")));
            Put(folder + QStringLiteral("/Synopsis.txt"), AnsiText::Encode(m.strSynopsis() + QStringLiteral("\r\n")));
        }
        if (!cover.isEmpty()) {
            Put(folder + QStringLiteral("/FrontCover.jpg"), cover);
        }
    }
    static void Put(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }

    QString Word()
    {
        static const char* const kWords[] = {"night", "river",  "star",   "city",  "ghost", "winter", "blue",
                                             "last",  "silent", "golden", "storm", "dream", "empire", "road",
                                             "iron",  "summer", "shadow", "fire",  "lost",  "king",   "ocean"};
        QString w = QLatin1String(kWords[m_rng.bounded(int(std::size(kWords)))]);
        w[0] = w[0].toUpper();
        return w;
    }
    QString Words(int n)
    {
        QStringList parts;
        for (int i = 0; i < n; ++i) {
            parts << Word();
        }
        return parts.join(u' ');
    }
    QString Lines(int n)
    {
        QStringList parts;
        for (int i = 0; i < n; ++i) {
            parts << Words(2);
        }
        return parts.join(QStringLiteral("\r\n"));
    }
    QString Text(int bytes)
    {
        QString t;
        while (t.size() < bytes) {
            t += Words(8) + (m_rng.bounded(4) == 0 ? QStringLiteral(".\r\n") : QStringLiteral(". "));
        }
        return t.left(bytes);
    }
    QString Digits(int n)
    {
        QString d;
        for (int i = 0; i < n; ++i) {
            d += QChar(u'0' + m_rng.bounded(10));
        }
        return d;
    }

    QString m_db;
    QRandomGenerator m_rng;
};
