#include "shell/ReloadWork.h"

#include "core/BackgroundLoad.h"
#include "shell/ProgressBar.h"
#include "widgets/LongWork.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

// A cancelled load, kept by the window until its thread has ended; then dropped on the window's thread, which its
// items belong to, and the lock of the store it read (another than the one shown) with it: until then that store is
// not free for another program, whose saves the load's sweep would take for debris. Destroyed with the window at the
// latest (the load's destructor waits for its thread).
class AbandonedLoad : public QObject
{
public:
    AbandonedLoad(QObject* window, std::unique_ptr<BackgroundLoad> load, mMain::NextStore store)
        : QObject(window), m_store(std::move(store)), m_load(std::move(load))
    {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this] {
            if (Finished()) {
                deleteLater();
            }
        });
        poll->start(50);
    }
    bool Finished() const { return m_load->Finished(); }

private:
    mMain::NextStore m_store;
    std::unique_ptr<BackgroundLoad> m_load; // destroyed first, ending the load before the lock goes
};

QPointer<AbandonedLoad> gAbandoned;

} // namespace

namespace ReloadWork {

std::optional<Collections::Loaded> Load(LongWork& work, QWidget* window, const QString& dbPath, ProgressBar* bar,
                                        mMain::NextStore& store)
{
    auto load = std::make_unique<BackgroundLoad>(dbPath);
    const bool finished = work.WaitUntil([&load] { return load->Finished(); },
                                         [bar, &load] {
                                             const int total = load->Total();
                                             if (bar->Max() != float(total)) {
                                                 bar->setMax(float(total));
                                             }
                                             bar->setValueF(float(load->Done()));
                                             return std::pair(load->Done(), total);
                                         });
    if (!finished) {
        // The load stops before its next kind; until it has, it holds the store and every command waits.
        load->Cancel();
        gAbandoned = new AbandonedLoad(window, std::move(load), std::move(store));
        return std::nullopt;
    }
    bar->setValueF(float(load->Done()));
    return load->Take();
}

void DropAbandoned()
{
    if (gAbandoned && gAbandoned->Finished()) {
        delete gAbandoned.data();
    }
}

} // namespace ReloadWork
