#include "editors/EditorWidgets.h"

#include "editors/EditorSave.h"
#include "widgets/mControls.h"

#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
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

bool RefuseUnstorable(QWidget* parent, const QList<CodePage::Field>& fields)
{
    const QString refusal = CodePageRefusal(fields);
    if (refusal.isEmpty()) {
        return false;
    }
    ShowRefusal(parent, refusal);
    return true;
}

void AcceptOrRefuse(QDialog* dialog, const SaveOutcome& outcome)
{
    if (!outcome.saved) {
        ShowRefusal(dialog, outcome.message);
        return;
    }
    if (!outcome.message.isEmpty()) {
        ShowRefusal(dialog, outcome.message); // saved, but the disk did not confirm it
    }
    dialog->accept();
}

void FollowName(SortKeyFollower& follower, const QString& name, QLineEdit* sortBox)
{
    const QString sort = follower.NameChanged(name, sortBox->text());
    if (sort != sortBox->text()) {
        sortBox->setText(sort);
    }
}

void LoadNameAndSort(SortKeyFollower& follower, QLineEdit* nameBox, QLineEdit* sortBox, const QString& name,
                     const QString& sortKey)
{
    follower.Reset(QString());
    nameBox->clear();
    sortBox->clear();
    nameBox->setText(name);
    sortBox->setText(sortKey);
}

QHBoxLayout* OkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel)
{
    ok = new QPushButton(QStringLiteral("&Ok"), dialog);
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("&Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}
