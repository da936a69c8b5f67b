// The viewer showing a generated exchange file of 5,500 items, from the open: until the top of the page is painted
// (the engine's first contentful paint of the page; the rest of the page follows as it is parsed), and until the
// browser has loaded the whole page.
// Prints "FIGURE vidpeek-5500-ms <n> ms" (the top shown) and "FIGURE vidpeek-5500-whole-ms <n> ms".

#include "AnsiText.h"
#include "Codevet.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"
#include "ViewerSession.h"
#include "WebBrowser.h"
#include "WebPage.h"
#include "frmMain.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

const QString kValidCode = QStringLiteral("036000291452");

std::shared_ptr<UEFMovie> MakeMovie(int number, bool topLevel)
{
    auto movie = std::make_shared<UEFMovie>();
    movie->setStrTitle(QStringLiteral("Movie %1").arg(number));
    if (topLevel) {
        movie->setStrUPC(kValidCode);
    }
    movie->setStrYear(QString::number(1950 + number % 70));
    movie->setStrLength(QString::number(80 + number % 60));
    movie->setStrMedia(QStringLiteral("DVD"));
    movie->setStrDVDRegion(QStringLiteral("2"));
    movie->setStrDirector(QStringLiteral("Director %1").arg(number % 300));
    return movie;
}

// 50 box sets of 10 media holding 9 movies each, and 450 movies on their own: 5,500 items in all.
QString MakeExchangeText()
{
    UEF document;
    int number = 0;
    for (int b = 0; b < 50; ++b) {
        auto box = std::make_shared<UEFBox>();
        box->setStrName(QStringLiteral("Box %1").arg(b + 1));
        box->setStrUPC(kValidCode);
        document.colUEF()->Add(box);
        for (int m = 0; m < 10; ++m) {
            auto media = std::make_shared<UEFMedia>();
            media->setStrName(QStringLiteral("Disc %1").arg(m + 1));
            media->setStrMedia(QStringLiteral("DVD"));
            box->colContents()->Add(media);
            for (int v = 0; v < 9; ++v) {
                media->colContents()->Add(MakeMovie(number++, false));
            }
        }
    }
    for (int i = 0; i < 450; ++i) {
        document.colUEF()->Add(MakeMovie(number++, true));
    }
    return document.strUEF() + QStringLiteral("\r\n");
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid()) {
        return 1;
    }
    // Settings and temporary files of this run's own.
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("TMPDIR", home.filePath(QStringLiteral("tmp")).toUtf8());
    QDir().mkpath(home.filePath(QStringLiteral("tmp")));

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (VidsoraRegisterServer(nullptr) != 0) {
        std::fprintf(stderr, "could not register the product-code checker\n");
        return 1;
    }
    const QString file = home.filePath(QStringLiteral("big.uef"));
    const QString text = MakeExchangeText();
    if (!AnsiText::WriteFile(file, text)) {
        std::fprintf(stderr, "could not write the exchange file\n");
        return 1;
    }

    frmMain window;
    window.show();
    QUrl shown;
    bool ok = false;
    QObject::connect(window.webObject, &WebBrowser::DocumentComplete, &window, [&](const QUrl& url, bool success) {
        shown = url;
        ok = success;
    });
    const auto waitFor = [&](const QUrl& url) {
        QElapsedTimer wait;
        wait.start();
        while (shown != url && wait.elapsed() < 120000) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return shown == url && ok;
    };
    // The browser engine's start is not the viewer's work on the file: it is done on the blank page first.
    window.InitViewer(QString());
    if (!waitFor(QUrl(QStringLiteral("about:blank")))) {
        std::fprintf(stderr, "the blank page did not load\n");
        return 1;
    }
    const QUrl page = QUrl::fromLocalFile(window.session().pagePath());
    // The page's first contentful paint, as the wall-clock time the engine stamps it with; asked for every 20 ms.
    qint64 paintedAt = 0;
    bool asking = false;
    QTimer ask;
    ask.setInterval(20);
    QObject::connect(&ask, &QTimer::timeout, &window, [&] {
        if (asking || paintedAt != 0) {
            return;
        }
        asking = true;
        window.webObject->webPage()->runJavaScript(
            QStringLiteral("(function () { var p = performance.getEntriesByName('first-contentful-paint')[0];"
                           " return location.href === %1 && p ? performance.timeOrigin + p.startTime : 0; })()")
                .arg(QLatin1Char('"') + page.toString(QUrl::FullyEncoded) + QLatin1Char('"')),
            [&](const QVariant& answer) {
                asking = false;
                paintedAt = static_cast<qint64>(answer.toDouble());
            });
    });
    const qint64 startedAt = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer clock;
    clock.start();
    ask.start();
    QString path = file;
    window.OpenUEFFile(path);
    const qint64 built = clock.elapsed();
    if (!waitFor(page)) {
        std::fprintf(stderr, "the page did not load\n");
        return 1;
    }
    const qint64 took = clock.elapsed();
    QElapsedTimer wait;
    wait.start();
    while (paintedAt == 0 && wait.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (paintedAt == 0) {
        std::fprintf(stderr, "the engine told no first paint of the page\n");
        return 1;
    }
    std::printf("FIGURE vidpeek-5500-ms %lld ms\n", static_cast<long long>(paintedAt - startedAt));
    std::printf("FIGURE vidpeek-5500-whole-ms %lld ms\n", static_cast<long long>(took));
    std::fprintf(stderr, "file of %lld bytes; page written after %lld ms, of %lld bytes\n",
                 static_cast<long long>(text.size()), static_cast<long long>(built),
                 static_cast<long long>(QFileInfo(window.session().pagePath()).size()));
    return 0;
}
