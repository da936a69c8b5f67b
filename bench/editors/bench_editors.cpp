// Editor figures on a generated store: the movie, media and box editors opened for a new item, each with its parent
// list filled, until the dialog is shown. Prints "FIGURE <name> <value> <unit>" lines.

#include "BenchFigures.h"
#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"
#include "CollectionWorld.h"
#include "StoreGenerator.h"
#include "core/mFunctions.h"
#include "core/mGlobals.h"
#include "editors/ParentCombo.h"
#include "editors/frmBox.h"
#include "editors/frmMedia.h"
#include "editors/frmMovie.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using TestSupport::Median;

namespace {

// Notes the time the dialog is shown, then closes it.
class ShownClock : public QObject
{
public:
    explicit ShownClock(QElapsedTimer& clock) : m_clock(clock) {}
    double shownMs = -1;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && shownMs < 0) {
            shownMs = m_clock.nsecsElapsed() / 1e6;
            auto* dialog = static_cast<QDialog*>(watched);
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        }
        return false;
    }

private:
    QElapsedTimer& m_clock;
};

// Opens a fresh dialog seven times through open (which returns the dialog's parent-list size), the first opening
// warming up fonts and styles; the median time until it was shown, or a negative number when an opening went wrong.
template <class Dialog> double OpenTimes(const std::function<int(Dialog&)>& open, int entries)
{
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        ShownClock shown(clock);
        clock.start();
        Dialog form;
        form.installEventFilter(&shown);
        const int offered = open(form);
        if (shown.shownMs < 0 || offered != entries) {
            std::fprintf(stderr, "the editor did not open as it should (%d entries)\n", offered);
            return -1;
        }
        if (run > 0) {
            times.push_back(shown.shownMs);
        }
    }
    return Median(times);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir store;
    if (!store.isValid()) {
        return 1;
    }
    // The user's own pick lists and settings stay out of it.
    qputenv("XDG_DATA_HOME", QFile::encodeName(store.path() + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(store.path() + "/config"));
    QApplication app(argc, argv);
    const QString dbDir = store.path() + "/Database33";
    StoreGenerator(dbDir).Run();
    TestWorld::LoadCollections(dbDir);
    gTempFolder = MakeTempName();
    BuildChildLists();

    std::vector<double> open;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        ShownClock shown(clock);
        clock.start();
        // A fresh dialog each time: its construction is part of opening it.
        frmMovie form;
        form.installEventFilter(&shown);
        form.MovieParent(QStringLiteral("S1"));
        const QString key = form.EditMovie(QString());
        const int entries = form.cboParent->count();
        if (!key.isEmpty() || shown.shownMs < 0 || entries != 1 + 50 + 200 + 500 + 2000) {
            std::fprintf(stderr, "the editor did not open as it should (%d entries)\n", entries);
            return 1;
        }
        // The first opening warms up fonts and styles.
        if (run > 0) {
            open.push_back(shown.shownMs);
        }
    }

    std::printf("FIGURE editor-open-ms %.1f ms\n", Median(open));

    // The media editor offers the root, categories, groups and boxes; the box editor the root, categories and groups.
    const double media = OpenTimes<frmMedia>(
        [](frmMedia& form) {
            form.MediaParent(QStringLiteral("S1"));
            return form.EditMedia(QString()).isEmpty() ? form.cboParent->count() : -1;
        },
        1 + 50 + 200 + 500);
    const double box = OpenTimes<frmBox>(
        [](frmBox& form) {
            form.BoxParent(QStringLiteral("S1"));
            return form.EditBox(QString()).isEmpty() ? form.cboParent->count() : -1;
        },
        1 + 50 + 200);
    if (media < 0 || box < 0) {
        return 1;
    }
    std::printf("FIGURE media-editor-open-ms %.1f ms\n", media);
    std::printf("FIGURE box-editor-open-ms %.1f ms\n", box);
    return 0;
}
