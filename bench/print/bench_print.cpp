// Print-preview figures: a box set of 24 media of 10 movies each, and one movie, from the preview command until the
// preview holds every page; the program's peak resident memory, and the browser's helper processes beside it.
// Prints "FIGURE <name> <value> <unit>" lines.

#include "BenchFigures.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "CollectionWorld.h"
#include "StoreGenerator.h"
#include "WebBrowser.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPdfDocument>
#include <QPdfView>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using TestSupport::Median;

namespace {

constexpr int kMedia = 24;
constexpr int kMoviesPerMedium = 10;
// The machine is shared: a preview that grows past this is stopped and reported as such.
constexpr long kGuardKb = 4L * 1024 * 1024;

// A field of /proc/<pid>/status in kB; -1 when the process is gone.
long StatusKb(const QString& pid, const char* field)
{
    QFile file("/proc/" + pid + "/status");
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// The processes below ours (the browser engine's helpers).
QStringList Descendants()
{
    QHash<QString, QString> parentOf;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (!pid.at(0).isDigit()) {
            continue;
        }
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        parentOf.insert(pid, QString::fromLatin1(fields.value(1)));
    }
    QStringList found{QString::number(getpid())};
    for (int i = 0; i < found.size(); ++i) {
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
            if (it.value() == found.at(i)) {
                found << it.key();
            }
        }
    }
    found.removeFirst();
    return found;
}

// Samples the helpers' summed resident size while a preview runs; stops the program if ours runs away.
class Sampler
{
public:
    Sampler()
        : m_thread([this] {
              while (!m_stop) {
                  long sum = 0;
                  for (const QString& pid : Descendants()) {
                      sum += std::max(0L, StatusKb(pid, "VmRSS"));
                  }
                  m_helpersPeakKb = std::max(m_helpersPeakKb.load(), sum);
                  if (StatusKb("self", "VmRSS") > kGuardKb) {
                      std::printf("FIGURE preview-stopped-above-mb %ld MB\n", kGuardKb / 1024);
                      std::fflush(stdout);
                      _exit(2);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              }
          })
    {
    }
    ~Sampler()
    {
        m_stop = true;
        m_thread.join();
    }
    long helpersPeakKb() const { return m_helpersPeakKb; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_helpersPeakKb{0};
    std::thread m_thread;
};

// The pages the open preview holds once it has all of them; 0 while it is still making them.
int PagesShown(QWidget* modal)
{
    if (auto* view = modal->findChild<QPdfView*>()) {
        QPdfDocument* doc = view->document();
        return doc && doc->status() == QPdfDocument::Status::Ready && modal->isVisible() ? doc->pageCount() : 0;
    }
    if (auto* preview = modal->findChild<QPrintPreviewWidget*>()) {
        return preview->pageCount();
    }
    return 0;
}

// Runs the preview command on the item shown; the time until it holds every page, and how many there are.
double Preview(frmMain& window, int& pages)
{
    double ms = -1;
    QElapsedTimer clock;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            return;
        }
        const int shown = PagesShown(modal);
        if (shown > 0) {
            ms = clock.nsecsElapsed() / 1e6;
            pages = shown;
            poll.stop();
            modal->close();
        }
    });
    poll.start();
    clock.start();
    window.PrintPreviewItem();
    return ms;
}

bool Show(frmMain& window, const QString& key)
{
    auto* web = window.findChild<WebBrowser*>("webObject");
    QSignalSpy loaded(web, &WebBrowser::DocumentComplete);
    window.treeMovies_NodeClick(window.Node(key));
    return loaded.wait(30000) && loaded.last().at(1).toBool();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    UseWebBrowserPanes();
    QTemporaryDir store;
    if (!store.isValid()) {
        return 1;
    }
    const QString dbDir = store.path() + "/Database33";
    StoreGenerator(dbDir).RunBoxSet(kMedia, kMoviesPerMedium);
    TestWorld::LoadCollections(dbDir);
    gTempFolder = MakeTempName();

    frmMain window;
    window.Load();
    window.resize(1000, 700);
    window.show();

    // One movie: a warm-up, then the median of five.
    if (!Show(window, "M1")) {
        std::fprintf(stderr, "the movie page did not load\n");
        return 1;
    }
    std::vector<double> movie;
    int moviePages = 0;
    for (int run = 0; run < 6; ++run) {
        const double ms = Preview(window, moviePages);
        if (ms < 0) {
            std::fprintf(stderr, "the movie preview showed no page\n");
            return 1;
        }
        if (run > 0) {
            movie.push_back(ms);
        }
    }
    std::printf("FIGURE preview-movie-ms %.1f ms\n", Median(movie));
    std::printf("FIGURE preview-movie-peak-mb %.0f MB\n", StatusKb("self", "VmHWM") / 1024.0);
    std::fflush(stdout);

    if (!Show(window, "B1")) {
        std::fprintf(stderr, "the box page did not load\n");
        return 1;
    }
    long helpersBaseKb = 0;
    for (const QString& pid : Descendants()) {
        helpersBaseKb += std::max(0L, StatusKb(pid, "VmRSS"));
    }
    int boxPages = 0;
    double boxMs = -1;
    long helpersKb = 0;
    {
        Sampler sampler;
        boxMs = Preview(window, boxPages);
        helpersKb = sampler.helpersPeakKb();
    }
    if (boxMs < 0) {
        std::fprintf(stderr, "the box preview showed no page\n");
        return 1;
    }
    std::printf("FIGURE preview-box240-ms %.1f ms\n", boxMs);
    std::printf("FIGURE preview-box240-pages %d pages\n", boxPages);
    std::printf("FIGURE preview-box240-peak-mb %.0f MB\n", StatusKb("self", "VmHWM") / 1024.0);
    // The browser's helper processes (renderer, zygote, utility) together, before and at the peak of the preview.
    std::printf("FIGURE preview-box240-helpers-before-mb %.0f MB\n", helpersBaseKb / 1024.0);
    std::printf("FIGURE preview-box240-helpers-peak-mb %.0f MB\n", helpersKb / 1024.0);
    std::fflush(stdout);

    // The same box on a printer that takes only painting and states no resolution of its own (the common case of
    // a printer reached through a PDF-based spooler), written to a file here.
    auto* web = window.findChild<WebBrowser*>("webObject");
    QPrinter printer(QPrinter::PrinterResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(store.path() + "/printed.pdf");
    QSignalSpy printed(web, &WebBrowser::printFinished);
    QElapsedTimer clock;
    clock.start();
    if (!web->printRendered(&printer) || !printed.wait(300000) || !printed.first().at(0).toBool()) {
        std::fprintf(stderr, "the box did not print\n");
        return 1;
    }
    std::printf("FIGURE print-box240-ms %.1f ms\n", clock.nsecsElapsed() / 1e6);
    std::printf("FIGURE print-box240-dpi %d dpi\n", printer.resolution());
    std::printf("FIGURE print-box240-peak-mb %.0f MB\n", StatusKb("self", "VmHWM") / 1024.0);
    return 0;
}
