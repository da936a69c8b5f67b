// Settings figures: a setting read from a settings file with a section thousands of names deep and from one of almost
// 16 MB, the first read (which parses the file) and the ones after it; and the movie editor opened beside pick lists
// of 100 MB, and beside lists just under the size a list may have, of the shapes a hostile or broken file takes.
// Prints "FIGURE <name> <value> <unit>" lines.

#include "AnsiText.h"
#include "BenchFigures.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "CollectionWorld.h"
#include "Registry.h"
#include "SafeFile.h"
#include "core/PickLists.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "editors/frmMovie.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

using TestSupport::Median;

namespace {

const QString kVidsoraKey = QStringLiteral("Software\\Halvorix\\Vidsora");

double Ms(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// A read of a setting as start-up makes it: the program key's "DBPath", and a value of the deepest key.
bool ReadSettings(const QString& deepKey)
{
    const QString path = Registry::ReadString(Registry::HKEY_CURRENT_USER, kVidsoraKey, QStringLiteral("DBPath"));
    const QString deep = Registry::ReadString(Registry::HKEY_CURRENT_USER, deepKey, QStringLiteral("Deep"));
    return path == QStringLiteral("/home/me/Movies") && (deepKey.isEmpty() || deep == QStringLiteral("x"));
}

// The first read of the file as written (its parse), and the median of the reads after it; negative when a read did
// not give what the file holds.
std::pair<double, double> ReadTimes(const QByteArray& file, const QString& deepKey)
{
    if (!SafeFile::Write(Registry::ProgramFile(), file)) {
        return {-1, -1};
    }
    QElapsedTimer clock;
    timespec cpu0{}, cpu1{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    clock.start();
    if (!ReadSettings(deepKey)) {
        return {-1, -1};
    }
    const double first = Ms(clock);
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    std::fprintf(stderr, "first read: %.1f ms, of it %.1f ms on the processor\n", first,
                 double(cpu1.tv_sec - cpu0.tv_sec) * 1e3 + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e6);
    std::vector<double> again;
    for (int run = 0; run < 21; ++run) {
        clock.restart();
        if (!ReadSettings(deepKey)) {
            return {-1, -1};
        }
        again.push_back(Ms(clock));
    }
    return {first, Median(again)};
}

// Notes the time the dialog is shown, then closes it.
class ShownClock : public QObject
{
public:
    explicit ShownClock(QElapsedTimer& clock) : m_clock(clock) {}
    double shownMs = -1;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && shownMs < 0 && watched->inherits("frmMovie")) {
            shownMs = Ms(m_clock);
            auto* dialog = static_cast<QDialog*>(watched);
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        }
        return false;
    }

private:
    QElapsedTimer& m_clock;
};

// The median time from making the movie editor to its being shown, over five openings after a first one.
double EditorOpenMs(qsizetype expectedStudios)
{
    std::vector<double> times;
    for (int run = 0; run < 6; ++run) {
        QElapsedTimer clock;
        ShownClock shown(clock);
        clock.start();
        frmMovie form;
        form.installEventFilter(&shown);
        form.MovieParent(QString());
        form.EditMovie(QString());
        if (shown.shownMs < 0 || form.PickCombo(PickLists::PickList::Studios)->count() != expectedStudios) {
            std::fprintf(stderr, "the movie editor did not open as it should (%d studios)\n",
                         form.PickCombo(PickLists::PickList::Studios)->count());
            return -1;
        }
        if (run > 0) {
            times.push_back(shown.shownMs);
        }
    }
    return Median(times);
}

QByteArray Shape(const QString& shape, qsizetype size)
{
    QByteArray bytes;
    if (shape == QLatin1String("one line")) {
        bytes = QByteArray(size, 'x');
    } else if (shape == QLatin1String("short lines")) {
        bytes.reserve(size);
        for (int i = 0; bytes.size() + 8 <= size; ++i) {
            bytes += QByteArray::number(i % 100000).rightJustified(5, '0') + "\r\n";
        }
    } else {
        std::mt19937 random(20261210);
        bytes.resize(size);
        for (char& c : bytes) {
            c = char(random());
        }
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid()) {
        return 1;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/config"));
    QApplication app(argc, argv);
    SafeFile::Faults::SkipSyncs(true);
    if (!SafeFile::MakePath(Registry::Folder())) {
        return 1;
    }

    // 8 KB: one value in a key 4,000 names deep.
    QByteArray deep = "[Software\\Halvorix\\Vidsora]\nDBPath=/home/me/Movies\n[Software\\Halvorix\\Vidsora\\Sub";
    QString deepKey = kVidsoraKey + QStringLiteral("\\Sub");
    for (int i = 0; i < 3996; ++i) {
        deep += "\\a";
        deepKey += QStringLiteral("\\a");
    }
    deep += "]\nDeep=x\n";
    const auto [deepFirst, deepAgain] = ReadTimes(deep, deepKey);

    // Just under 16 MB of what the program writes: keys of twenty settings each, paths for values.
    QByteArray big = "; Vidsora registry file 1\n\n[Software\\Halvorix\\Vidsora]\nDBPath=1:/home/me/Movies%00\n";
    for (int key = 0; big.size() < 16 * 1024 * 1024 - 4096; ++key) {
        big += "\n[Software\\Halvorix\\Vidsora\\Group" + QByteArray::number(key) + "]\n";
        for (int value = 0; value < 20; ++value) {
            big += "Setting" + QByteArray::number(value) + "=1:/home/me/Movies/Collection " + QByteArray::number(key) +
                   "/Covers/front cover number " + QByteArray::number(value) + ".jpg%00\n";
        }
    }
    const auto [bigFirst, bigAgain] = ReadTimes(big, QString());
    if (deepFirst < 0 || bigFirst < 0) {
        std::fprintf(stderr, "a setting did not read back\n");
        return 1;
    }
    std::printf("FIGURE settings-deep-read-ms %.2f ms\n", std::max(deepFirst, deepAgain));
    std::printf("FIGURE settings-deep-reread-ms %.3f ms\n", deepAgain);
    std::printf("FIGURE settings-16mb-read-ms %.1f ms\n", std::max(bigFirst, bigAgain));
    std::printf("FIGURE settings-16mb-reread-ms %.3f ms\n", bigAgain);

    // The movie editor on an empty collection, its studios list replaced by each shape in turn.
    const QString dbDir = home.path() + "/Database33";
    for (const char* kind : {"Categories", "Groups", "Boxes", "Medias", "Movies"}) {
        QDir().mkpath(dbDir + u'/' + QLatin1String(kind));
    }
    TestWorld::LoadCollections(dbDir);
    gTempFolder = MakeTempName();
    BuildChildLists();
    if (!QDir().mkpath(PickLists::UserFolder()) ||
        !PickLists::WriteFileText(PickLists::PickList::Studios, QStringLiteral("North Reel\r\nHarbour Films\r\n"))) {
        return 1;
    }
    const double plain = EditorOpenMs(2);
    double huge = 0;
    double atCap = 0;
    for (const QString& shape : {QStringLiteral("one line"), QStringLiteral("short lines"), QStringLiteral("binary")}) {
        const QString studios = PickLists::UserFilePath(PickLists::PickList::Studios);
        if (!SafeFile::Write(studios, Shape(shape, 100 * 1024 * 1024))) {
            return 1;
        }
        const double hugeMs = EditorOpenMs(0);
        if (!SafeFile::Write(studios, Shape(shape, PickLists::kMaxPickListBytes))) {
            return 1;
        }
        const QByteArray bytes = Shape(shape, PickLists::kMaxPickListBytes);
        const double capMs = EditorOpenMs(PickLists::EntriesOf(AnsiText::Decode(bytes)).size());
        if (hugeMs < 0 || capMs < 0) {
            return 1;
        }
        std::fprintf(stderr, "%s: %.1f ms at 100 MB, %.1f ms at the cap\n", qPrintable(shape), hugeMs, capMs);
        huge = std::max(huge, hugeMs);
        atCap = std::max(atCap, capMs);
    }
    std::printf("FIGURE movie-editor-plain-lists-ms %.1f ms\n", plain);
    std::printf("FIGURE picklist-100mb-ms %.1f ms\n", huge);
    std::printf("FIGURE picklist-cap-ms %.1f ms\n", atCap);
    return 0;
}
