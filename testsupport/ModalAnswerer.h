#pragma once

// Answers the modal dialog a command is about to open: from inside that dialog's own event loop, hands the active
// modal widget to a function that fills it in and closes it. Header-only; the test links Qt Widgets itself.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace TestSupport {

// Runs fn on the first active modal widget of class T, or gives up after timeoutMs without calling fn.
template <class T = QWidget> void Answer(std::function<void(T*)> fn, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, fn, timeoutMs] {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
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

// Runs fn on the modal widget once one is open, whatever its class.
inline void AnswerModal(std::function<void(QWidget*)> fn, int timeoutMs = 10000)
{
    Answer<QWidget>(std::move(fn), timeoutMs);
}

// Picks path in the next file dialog (or cancels it when path is empty).
inline void PickFile(const QString& path)
{
    Answer<QFileDialog>([path](QFileDialog* dialog) {
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed into the name box, as a user does; selectFile does not take a name that is not there yet.
        const QFileInfo info(path);
        dialog->setDirectory(info.absolutePath());
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(info.fileName());
        }
        static_cast<QDialog*>(dialog)->accept();
    });
}

// Records the next message box's text and presses one of its buttons (or closes it when it has no such button).
inline void AnswerMessage(QString* text, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    Answer<QMessageBox>([text, button](QMessageBox* box) {
        if (text) {
            *text = box->text();
        }
        if (QAbstractButton* b = box->button(button)) {
            b->click();
        } else {
            box->reject();
        }
    });
}

} // namespace TestSupport
