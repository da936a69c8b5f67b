#pragma once

// Answers the modal dialog a command is about to open: from inside that dialog's own event loop, hands the active
// modal widget to a function that fills it in and closes it. Header-only; the test links Qt Widgets itself.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace TestSupport {

// Runs fn on the modal widget once one is open, or gives up after timeoutMs without calling fn.
inline void AnswerModal(std::function<void(QWidget*)> fn, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, fn, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && clock->elapsed() < timeoutMs) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (modal) {
            fn(modal);
        }
    });
    timer->start();
}

} // namespace TestSupport
