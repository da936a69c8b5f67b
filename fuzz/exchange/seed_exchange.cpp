// Writes a starting corpus for fuzz_exchange: exchange texts made by the writer, one file each.

#include "AnsiText.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <QDir>

#include <cstdio>

namespace {

std::shared_ptr<UEFMovie> Movie(const QString& title, const QString& upc)
{
    auto movie = std::make_shared<UEFMovie>();
    movie->setStrTitle(title);
    movie->setStrUPC(upc);
    movie->setStrYear(QStringLiteral("1999"));
    movie->setStrNotes(QStringLiteral("two\r\nlines & [brackets]"));
    movie->setStrPicture(QStringLiteral("Widescreen"));
    movie->setStrFrontCover(AnsiText::Decode(QByteArray("GIF89a\x01\x00[&]\x00\xff", 13)));
    movie->setStrFrontCoverExt(QStringLiteral("gif"));
    return movie;
}

bool Write(const QDir& dir, const QString& name, const QString& text)
{
    return bool(AnsiText::WriteFile(dir.filePath(name), text));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: seed_exchange <outdir>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = true;

    UEF movie;
    movie.colUEF()->Add(Movie(QStringLiteral("A&B [Director's cut]"), QStringLiteral("036000291452")));
    ok &= Write(dir, "movie", movie.strUEF());

    UEF media;
    auto disc = std::make_shared<UEFMedia>();
    disc->setStrName(QStringLiteral("Disc"));
    disc->setStrUPC(QStringLiteral("4006381333931"));
    disc->setStrMedia(QStringLiteral("DVD"));
    disc->setStrDVDRegion(QStringLiteral("24"));
    disc->colContents()->Add(Movie(QStringLiteral("One"), QString()));
    disc->colContents()->Add(Movie(QStringLiteral("Two"), QStringLiteral("bad")));
    media.colUEF()->Add(disc);
    ok &= Write(dir, "media", media.strUEF());

    UEF box;
    auto set = std::make_shared<UEFBox>();
    set->setStrName(QStringLiteral("Box"));
    set->setStrUPC(QStringLiteral("96385074"));
    set->colContents()->Add(disc);
    set->colContents()->Add(Movie(QStringLiteral("Loose"), QString()));
    box.colUEF()->Add(set);
    box.colUEF()->Add(Movie(QStringLiteral("After"), QStringLiteral("12345670")));
    ok &= Write(dir, "box", box.strUEF());

    // Older texts carry picture flags, which the writer never produces.
    ok &= Write(dir, "flags",
                QStringLiteral("[MOVIE=\r\n[TITLE=Old]\r\n[UPC=036000291452]\r\n"
                               "[ANAMORPHIC=Yes]\r\n[PAN&SCAN=yes]\r\n]"));
    // Media nested far below the nesting limit, where the parse only counts.
    const int levels = 2000;
    ok &= Write(dir, "deep",
                QStringLiteral("[BOX=[NAME=D][UPC=036000291452][CONTENTS=") +
                    QStringLiteral("[MEDIA=[NAME=m][CONTENTS=").repeated(levels) + QStringLiteral("[MOVIE=[TITLE=x]]") +
                    QStringLiteral("]]").repeated(levels) + QStringLiteral("]]"));
    return ok ? 0 : 1;
}
