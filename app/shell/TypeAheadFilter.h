#pragma once

#include "commands/TypeAhead.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class QKeyEvent;
class QTimer;

// Sees every key the user types in a window before the window's controls do, the browser pane included (its page
// takes the keys it gets and hands none back), and collects the typed characters. When the hidden word has been
// typed it signals, after the key has reached its control. Installed on the application; the keys go on unchanged.
class TypeAheadFilter : public QObject
{
    Q_OBJECT

public:
    // Watches the keys of window; the filter is the window's child and ends with it.
    explicit TypeAheadFilter(QWidget* window, TypeAhead::Clock clock = {});
    ~TypeAheadFilter() override;

    const TypeAhead& Model() const { return m_model; }

signals:
    void hiddenWordTyped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_KeyPress(const QKeyEvent* event);
    void HandleTypedKey(const QString& text);
    void tmClearCommand_Timer();

    QPointer<QWidget> m_window;
    TypeAhead m_model;
    QTimer* tmClearCommand = nullptr;
};
