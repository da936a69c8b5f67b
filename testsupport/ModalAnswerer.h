#pragma once

// Answers the modal dialog a command is about to open: from inside that dialog's own event loop, hands the active
// modal widget to a function that fills it in and closes it. Header-only; the test links Qt Widgets itself.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace TestSupport {

// How long an answerer waits for its modal: about as long as a test function may run (QtTest's function timeout,
// five minutes unless QTEST_FUNCTION_TIMEOUT says otherwise), giving up just before it so that its own message is
// what the run reports. A slow machine so never leaves a modal unanswered.
inline int DefaultAnswerTimeoutMs()
{
    bool ok = false;
    const int set = qEnvironmentVariableIntValue("QTEST_FUNCTION_TIMEOUT", &ok);
    return (ok && set > 0 ? set : 300000) / 10 * 9;
}

// Runs fn on the first active modal widget of class T. Gives up when timeoutMs passed without one, failing the test
// function that asked (unless the modal was only possible: required false) and closing any modal that stands instead
// (else the function would hang in it); an answerer whose test function has ended is dropped quietly.
template <class T = QWidget>
void Answer(std::function<void(T*)> fn, int timeoutMs = DefaultAnswerTimeoutMs(), bool required = true)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(20);
    const QByteArray function = QTest::currentTestFunction() ? QByteArray(QTest::currentTestFunction()) : QByteArray();
    const QByteArray tag = QTest::currentDataTag() ? QByteArray(QTest::currentDataTag()) : QByteArray();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, fn, timeoutMs, required, function, tag] {
        const bool sameFunction =
            function == QByteArray(QTest::currentTestFunction() ? QTest::currentTestFunction() : "") &&
            tag == QByteArray(QTest::currentDataTag() ? QTest::currentDataTag() : "");
        T* modal = sameFunction ? qobject_cast<T*>(QApplication::activeModalWidget()) : nullptr;
        if (!modal && sameFunction && clock->elapsed() < timeoutMs) {
            return;
        }
        const qint64 waited = clock->elapsed();
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (modal) {
            fn(modal);
            return;
        }
        if (!sameFunction) {
            return;
        }
        QWidget* standing = QApplication::activeModalWidget();
        const QByteArray message = "no modal window of the kind awaited opened within " + QByteArray::number(waited) +
                                   " ms" +
                                   (standing ? ", while " + QByteArray(standing->metaObject()->className()) + " \"" +
                                                   standing->windowTitle().toUtf8() + "\" stood open"
                                             : QByteArray());
        if (required) {
            QTest::qFail(message.constData(), __FILE__, __LINE__);
        }
        for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i) {
            QWidget* open = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QDialog*>(open)) {
                dialog->reject();
            } else {
                open->close();
            }
        }
    });
    timer->start();
}

// Runs fn on the modal widget once one is open, whatever its class.
inline void AnswerModal(std::function<void(QWidget*)> fn, int timeoutMs = DefaultAnswerTimeoutMs())
{
    Answer<QWidget>(std::move(fn), timeoutMs);
}

// Answers a modal that may open within timeoutMs, or none: giving up is no failure.
inline void AnswerModalIfAny(std::function<void(QWidget*)> fn, int timeoutMs)
{
    Answer<QWidget>(std::move(fn), timeoutMs, false);
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
