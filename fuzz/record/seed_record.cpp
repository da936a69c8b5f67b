// Writes a starting corpus for fuzz_record: one record per kind, as the store's writer makes it, behind the byte
// that picks the kind.

#include "AnsiText.h"
#include "CBox.h"
#include "CCategory.h"
#include "CGroup.h"
#include "CMedia.h"
#include "CMovie.h"
#include "ItemStore.h"
#include "SafeFile.h"

#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: seed_record <outdir>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const mTypMediaInfo disc{QStringLiteral("DVD"), QStringLiteral("DVD-9"), QStringLiteral("24"), QString(),
                             QStringLiteral("Keepcase")};
    bool ok = true;
    for (int k = 0; k < 5; ++k) {
        const auto kind = ItemKind(k);
        std::shared_ptr<CItem> item = ItemStore::NewItem(kind);
        item->setLngID(7 + k);
        if (auto* movie = qobject_cast<CMovie*>(item.get())) {
            movie->setStrTitle(QStringLiteral("The Caf\u00e9 = Night"));
            movie->setStrUPC(QStringLiteral("036000291452"));
            movie->setDMedia(disc);
            movie->setStrCast(QStringLiteral("One\r\nTwo\r\n\r\nFour"));
            movie->setStrPicture(QStringLiteral("Widescreen\r\n16:9"));
            movie->setLngParentType(4);
            movie->setLngParentID(3);
        } else if (auto* media = qobject_cast<CMedia*>(item.get())) {
            media->setStrName(QStringLiteral("Disc 1"));
            media->setDMedia(disc);
            media->setLngParentType(3);
            media->setLngParentID(2);
        } else if (auto* box = qobject_cast<CBox*>(item.get())) {
            box->setStrName(QStringLiteral("A Box"));
            box->setLngParentType(2);
            box->setLngParentID(1);
        } else if (auto* group = qobject_cast<CGroup*>(item.get())) {
            group->setStrName(QStringLiteral("Group"));
            group->setLngParentType(1);
            group->setLngParentID(1);
        } else if (auto* category = qobject_cast<CCategory*>(item.get())) {
            category->setStrName(QStringLiteral("Category"));
        }
        const QByteArray record = char(k) + AnsiText::Encode(ItemStore::RecordText(*item));
        ok = SafeFile::Write(dir.filePath(QStringLiteral("kind%1").arg(k)), record) && ok;
    }
    return ok ? 0 : 1;
}
