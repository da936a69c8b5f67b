#include "BrowserPane.h"

#include "PaneStandIn.h"

#include <QDir>
#include <QFocusEvent>

namespace {

BrowserPane::Maker& TheMaker()
{
    static BrowserPane::Maker maker;
    return maker;
}

} // namespace

void BrowserPane::SetMaker(Maker maker)
{
    TheMaker() = std::move(maker);
}

BrowserPane* BrowserPane::Create(QWidget* parent)
{
    if (const Maker& maker = TheMaker()) {
        if (BrowserPane* pane = maker(parent)) {
            return pane;
        }
    }
    return new PaneStandIn(parent);
}

BrowserPane::BrowserPane(QWidget* parent) : QWidget(parent) {}

BrowserPane::~BrowserPane() = default;

PaneStandIn::PaneStandIn(QWidget* parent) : BrowserPane(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

bool PaneStandIn::Navigate2(const QString& url)
{
    navigations.append(url);
    QUrl target;
    if (url.startsWith(QLatin1Char('/'))) {
        target = QUrl::fromLocalFile(QDir::cleanPath(url));
    } else {
        target = QUrl(url, QUrl::StrictMode);
        if (!target.isValid() || target.scheme().size() < 2) {
            return false;
        }
    }
    m_location = target;
    return true;
}

bool PaneStandIn::Navigate(const QString& url)
{
    navigations.append(url);
    if (url.trimmed().isEmpty()) {
        return false;
    }
    m_location = QUrl::fromUserInput(url, QDir::currentPath(), QUrl::AssumeLocalFile);
    return true;
}

void PaneStandIn::focusInEvent(QFocusEvent* event)
{
    BrowserPane::focusInEvent(event);
    emit gotFocus();
}

bool PaneStandIn::ExecWB(int cmdID, int cmdexecopt)
{
    commands.append({cmdID, cmdexecopt});
    return false;
}
