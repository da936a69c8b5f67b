// Times GetUEF of a 10 MB item over loopback from the fake service and prints the median of several runs as
// "FIGURE online-download-10mb-ms <value> ms".
#include "COM.h"
#include "FakeService.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr qsizetype kSize = 10 * 1000 * 1000;
    constexpr int kRuns = 7;

    FakeService service;
    if (!service.Start()) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 1;
    }
    service.users.insert("bench", "bench");
    QByteArray item(kSize, Qt::Uninitialized);
    for (qsizetype i = 0; i < kSize; ++i) {
        item[i] = char(' ' + i % 90);
    }
    service.items.insert("0123456789012", item);

    COM com;
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        if (!com.LogIn(QStringLiteral("bench"), QStringLiteral("bench"))) {
            std::fprintf(stderr, "log-in failed\n");
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        const QString text = com.GetUEF(QStringLiteral("0123456789012"));
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (text.size() != kSize) {
            std::fprintf(stderr, "download incomplete: %lld of %lld\n", qlonglong(text.size()), qlonglong(kSize));
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("FIGURE online-download-10mb-ms %.1f ms\n", times[times.size() / 2]);
    return 0;
}
