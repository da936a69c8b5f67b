#include "editors/ProductCodeField.h"

#include <QKeyEvent>
#include <QMessageBox>

ProductCodeField::ProductCodeField(ProductCodeGate::Editor editor, QWidget* parent)
    : ProductCodeField(std::make_unique<ProductCodeGate>(editor), parent)
{
}

ProductCodeField::ProductCodeField(std::unique_ptr<ProductCodeGate> gate, QWidget* parent)
    : QLineEdit(parent), m_gate(std::move(gate))
{
    // The colours as designed, before anything recolours the box.
    m_normal = palette();
    connect(this, &QLineEdit::textChanged, this, &ProductCodeField::Recolour);
}

void ProductCodeField::SetDesignedToolTip(const QString& toolTip)
{
    setToolTip(m_gate->ToolTip(toolTip));
}

void ProductCodeField::SetContext(const QString& parentKey, bool templateMode)
{
    m_parentKey = parentKey;
    m_templateMode = templateMode;
    Recolour();
}

void ProductCodeField::LoadCode(const QString& storedCode, const QString& loadedParentKey)
{
    SetLocked(false);
    setText(storedCode);
    SetLocked(m_gate->LocksOnLoad(storedCode, loadedParentKey));
}

void ProductCodeField::SetLocked(bool locked)
{
    m_locked = locked;
    setReadOnly(locked);
    // Locked, it leaves the tab order but can still be clicked into.
    setFocusPolicy(locked ? Qt::ClickFocus : Qt::StrongFocus);
}

void ProductCodeField::Recolour()
{
    const ProductCodeGate::Look look = m_gate->FieldLook(text(), m_parentKey, m_templateMode);
    QPalette colours = m_normal;
    if (look.back == ProductCodeGate::Back::Invalid) {
        const auto& red = ProductCodeGate::kInvalidBack;
        colours.setColor(QPalette::Base, QColor(red.red, red.green, red.blue));
    }
    if (look.fore == ProductCodeGate::Fore::NotNeeded) {
        const auto& grey = ProductCodeGate::kNotNeededFore;
        colours.setColor(QPalette::Text, QColor(grey.red, grey.green, grey.blue));
    }
    setPalette(colours);
}

bool ProductCodeField::PassesOkGate()
{
    switch (m_gate->OnOk(text(), m_parentKey, m_templateMode)) {
    case ProductCodeGate::OkOutcome::Save:
        return true;
    case ProductCodeGate::OkOutcome::AskEmptyCode:
        return QMessageBox::warning(window(), QStringLiteral("Vidsora"), ProductCodeGate::EmptyCodeQuestion(),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    case ProductCodeGate::OkOutcome::RefuseInvalid:
        QMessageBox::warning(window(), QStringLiteral("Vidsora"), ProductCodeGate::InvalidCodeMessage());
        return false;
    }
    return false;
}

void ProductCodeField::keyPressEvent(QKeyEvent* event)
{
    if (!m_locked) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Only a key that would type into the box asks: moving on, Enter for OK, Esc, bare modifiers, cursor keys and
    // copying are no attempt to change the code.
    const bool types =
        !event->text().isEmpty() && !event->matches(QKeySequence::Copy) && !event->matches(QKeySequence::SelectAll);
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        QLineEdit::keyPressEvent(event);
        return;
    default:
        if (!types) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        break;
    }
    if (QMessageBox::warning(window(), ProductCodeGate::UnlockTitle(), ProductCodeGate::UnlockQuestion(),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes) {
        SetLocked(false);
    }
    event->accept();
}

void ProductCodeField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // A message box taking the focus for a moment is not the user leaving the box.
    if (!m_locked && event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        const QString left = m_gate->TextOnLeave(text());
        if (left != text()) {
            setText(left);
        }
    }
}
