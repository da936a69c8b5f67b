// Exchange text throughput and parse-time growth. Prints "FIGURE <name> <value> <unit>" lines.

#include "AnsiText.h"
#include "Codevet.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QString kValidCode = QStringLiteral("036000291452");

double BestSeconds(int runs, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

QString RandomCover(QRandomGenerator& random, int bytes)
{
    QByteArray data(bytes, Qt::Uninitialized);
    for (char& b : data) {
        b = char(random.bounded(256));
    }
    return AnsiText::Decode(data);
}

std::shared_ptr<UEFMovie> MakeMovie(int number)
{
    auto movie = std::make_shared<UEFMovie>();
    movie->setStrTitle(QStringLiteral("Movie %1 [Director's cut]").arg(number));
    movie->setStrUPC(kValidCode);
    movie->setStrYear(QStringLiteral("1999"));
    movie->setStrCast(QStringLiteral("Someone\r\nSomeone else & friends"));
    movie->setStrNotes(QStringLiteral("Notes of movie %1").arg(number));
    movie->setStrMedia(QStringLiteral("DVD"));
    movie->setStrDVDRegion(QStringLiteral("2"));
    return movie;
}

int CountMovies(const UEFCollection& items)
{
    int movies = 0;
    for (const auto& entry : items) {
        if (qobject_cast<UEFMovie*>(entry.get())) {
            ++movies;
        } else if (auto* media = qobject_cast<UEFMedia*>(entry.get())) {
            movies += CountMovies(*media->colContents());
        } else if (auto* box = qobject_cast<UEFBox*>(entry.get())) {
            movies += CountMovies(*box->colContents());
        }
    }
    return movies;
}

void Figure(const char* name, double value, const char* unit)
{
    std::printf("FIGURE %s %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

bool Throughput()
{
    QRandomGenerator random(42);
    UEF document;
    auto box = std::make_shared<UEFBox>();
    box->setStrName(QStringLiteral("Box"));
    box->setStrUPC(kValidCode);
    document.colUEF()->Add(box);
    for (int m = 0; m < 10; ++m) {
        auto media = std::make_shared<UEFMedia>();
        media->setStrName(QStringLiteral("Disc %1").arg(m + 1));
        box->colContents()->Add(media);
        for (int v = 0; v < 10; ++v) {
            auto movie = MakeMovie(m * 10 + v);
            movie->setStrFrontCover(RandomCover(random, 200 * 1024));
            movie->setStrFrontCoverExt(QStringLiteral("jpg"));
            movie->setStrBackCover(RandomCover(random, 200 * 1024));
            movie->setStrBackCoverExt(QStringLiteral("jpg"));
            media->colContents()->Add(movie);
        }
    }
    QString text;
    const double write = BestSeconds(5, [&] { text = document.strUEF(); });
    // One character per byte in the stored text.
    const double megabytes = double(text.size()) / 1e6;
    int movies = 0;
    const double parse = BestSeconds(5, [&] {
        UEF parsed;
        parsed.setStrUEF(text);
        movies = CountMovies(*parsed.colUEF());
    });
    if (movies != 100) {
        std::fprintf(stderr, "parse found %d movies instead of 100\n", movies);
        return false;
    }
    Figure("uef-write-mbps", megabytes / write, "MB/s");
    Figure("uef-parse-mbps", megabytes / parse, "MB/s");
    return true;
}

bool Growth()
{
    const std::pair<const char*, int> sizes[] = {
        {"uef-parse-ms-1x", 1000}, {"uef-parse-ms-4x", 4000}, {"uef-parse-ms-16x", 16000}};
    for (const auto& [name, count] : sizes) {
        UEF document;
        for (int i = 0; i < count; ++i) {
            document.colUEF()->Add(MakeMovie(i));
        }
        const QString text = document.strUEF();
        int movies = 0;
        // Parsed documents are released after the timing: only the parse is measured.
        std::vector<std::unique_ptr<UEF>> parsed;
        const double parse = BestSeconds(5, [&] {
            parsed.push_back(std::make_unique<UEF>());
            parsed.back()->setStrUEF(text);
            movies = parsed.back()->colUEF()->Count();
        });
        if (movies != count) {
            std::fprintf(stderr, "parse found %d movies instead of %d\n", movies, count);
            return false;
        }
        Figure(name, parse * 1000.0, "ms");
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Top-level items are only taken with a valid product code, so the checker is registered into a folder of
    // this run's own.
    QTemporaryDir home;
    if (!home.isValid()) {
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    if (VidsoraRegisterServer(nullptr) != 0) {
        std::fprintf(stderr, "could not register the product-code checker\n");
        return 1;
    }
    return Throughput() && Growth() ? 0 : 1;
}
