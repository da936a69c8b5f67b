#pragma once

#include "BrowserPane.h"

#include <QList>
#include <QPair>
#include <QStringList>

// A browser pane without the browser engine, for the windows' tests that do not look at a page: it keeps the
// addresses it was sent to and the commands it was given, prints nothing and has no printer.
class PaneStandIn : public BrowserPane
{
    Q_OBJECT

public:
    explicit PaneStandIn(QWidget* parent = nullptr);

    bool Navigate2(const QString& url) override;
    bool Navigate(const QString& url) override;
    bool ExecWB(int cmdID, int cmdexecopt) override;
    bool hasPrintTarget() const override { return false; }
    bool hasPrinter() const override { return false; }
    QString printFile() const override { return {}; }
    bool isPrinting() const override { return false; }
    QUrl LocationURL() const override { return m_location; }

    // Every address asked for, in order, as it was given.
    QStringList navigations;
    // Every ExecWB call: command and option.
    QList<QPair<int, int>> commands;

protected:
    // Tells gotFocus, as the engine's pane does.
    void focusInEvent(QFocusEvent* event) override;

private:
    QUrl m_location;
};
