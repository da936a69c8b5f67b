// Page rendering time of a box set of 10 media of 10 movies each. Prints "FIGURE <name> <value> <unit>".

#include "CHTML.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

std::shared_ptr<UEFMovie> MakeMovie(int number)
{
    auto movie = std::make_shared<UEFMovie>();
    movie->setStrTitle(QStringLiteral("Movie %1 <Director's cut> & more").arg(number));
    movie->setStrLabel(QStringLiteral("Special edition"));
    movie->setStrMedia(QStringLiteral("DVD"));
    movie->setStrDVDRegion(QStringLiteral("2"));
    movie->setStrPicture(QStringLiteral("16:9\r\nAnamorphic"));
    movie->setStrSoundmix(QStringLiteral("Dolby Digital 5.1\r\nDTS"));
    movie->setStrSubtitles(QStringLiteral("English\r\nSwedish\r\nGerman"));
    movie->setStrCountry(QStringLiteral("USA"));
    movie->setStrYear(QStringLiteral("1999"));
    movie->setStrLength(QStringLiteral("121"));
    movie->setStrStudio(QStringLiteral("Studio"));
    movie->setStrWebsite(QStringLiteral("http://movie%1.example/").arg(number));
    movie->setStrExtras(QStringLiteral("Trailer\r\nCommentary\r\nGallery"));
    movie->setStrSynopsis(QString(QStringLiteral("A long synopsis line. ")).repeated(20));
    movie->setStrNotes(QStringLiteral("Bought \"used\"\r\nMint"));
    movie->setStrDirector(QStringLiteral("Someone"));
    movie->setStrCast(QStringLiteral("Actor One: Role\r\nActor Two: Other role\r\nActor Three"));
    movie->setStrFrontCoverURL(QStringLiteral("/tmp/VDS/F%1jpg").arg(2 * number));
    movie->setStrBackCoverURL(QStringLiteral("/tmp/VDS/F%1jpg").arg(2 * number + 1));
    return movie;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    auto document = std::make_shared<UEF>();
    auto box = std::make_shared<UEFBox>();
    box->setStrName(QStringLiteral("Box"));
    box->setStrUPC(QStringLiteral("036000291452"));
    box->setStrExtras(QStringLiteral("Booklet"));
    document->colUEF()->Add(box);
    for (int m = 0; m < 10; ++m) {
        auto media = std::make_shared<UEFMedia>();
        media->setStrName(QStringLiteral("Disc %1").arg(m + 1));
        media->setStrMedia(QStringLiteral("DVD"));
        media->setStrExtras(QStringLiteral("Menu"));
        box->colContents()->Add(media);
        for (int v = 0; v < 10; ++v) {
            media->colContents()->Add(MakeMovie(m * 10 + v));
        }
    }

    CHTML builder;
    builder.setUEF(document);
    qsizetype size = 0;
    std::vector<double> micros;
    for (int run = 0; run < 51; ++run) {
        const auto start = std::chrono::steady_clock::now();
        size = builder.HTML().size();
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        micros.push_back(took.count());
    }
    if (size == 0) {
        std::fprintf(stderr, "the box rendered no markup\n");
        return 1;
    }
    std::sort(micros.begin(), micros.end());
    std::printf("FIGURE html-box-render-us %.1f us\n", micros[micros.size() / 2]);
    std::fprintf(stderr, "page of %lld characters\n", static_cast<long long>(size));
    return 0;
}
