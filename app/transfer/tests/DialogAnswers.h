#pragma once

// Answers for the modal windows the transfer commands open: file dialogs and message boxes, found once they are the
// active modal widget of the kind asked for.

#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <functional>

namespace DialogAnswers {

// Runs fn on the first active modal widget of class T, or gives up after timeoutMs.
template <class T> void Answer(std::function<void(T*)> fn, int timeoutMs = 10000)
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

// Records the next message box's text and presses one of its buttons.
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

} // namespace DialogAnswers
