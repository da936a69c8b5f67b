#include "editors/EditorWidgets.h"

#include "editors/EditorSave.h"
#include "shell/mControls.h"

#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace {

class SelectAllFilter : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            // After the click that gave the focus has placed the cursor.
            QPointer<QLineEdit> box = qobject_cast<QLineEdit*>(watched);
            QTimer::singleShot(0, box, [box] { SelectAllText(box.data()); });
        }
        return false;
    }
};

} // namespace

void SelectAllOnFocus(QLineEdit* box)
{
    if (box) {
        box->installEventFilter(new SelectAllFilter(box));
    }
}

void ShowRefusal(QWidget* parent, const QString& message)
{
    QMessageBox::warning(parent, RefusalTitle(), message);
}
