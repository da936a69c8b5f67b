#pragma once

#include "editors/ProductCodeGate.h"

#include <QLineEdit>
#include <QPalette>

#include <memory>

// The product-code (UPC/EAN) box of the movie, media and box editors: coloured while typed, locked when a valid
// stored code is loaded, and the OK gate. A locked box is read-only rather than disabled, so that it still takes the
// focus and the key press that asks whether to unlock it.
class ProductCodeField : public QLineEdit
{
    Q_OBJECT

public:
    // The checker is created by its ProgID; without it the box is neither coloured nor locked.
    ProductCodeField(ProductCodeGate::Editor editor, QWidget* parent = nullptr);
    // With a given gate (tests).
    ProductCodeField(std::unique_ptr<ProductCodeGate> gate, QWidget* parent = nullptr);

    const ProductCodeGate& Gate() const { return *m_gate; }

    // The designed tooltip; shown as it is, or with the note that codes cannot be checked.
    void SetDesignedToolTip(const QString& toolTip);
    // The parent the item would be saved under and the template mode, which decide whether a code is needed.
    void SetContext(const QString& parentKey, bool templateMode);
    // Puts the stored code into the box and locks it when it is valid and needed under the loaded parent.
    void LoadCode(const QString& storedCode, const QString& loadedParentKey);
    void SetLocked(bool locked);
    bool IsLocked() const { return m_locked; }

    // Paints the box for its text and the context.
    void Recolour();
    bool IsUPCNeeded() const { return m_gate->IsUPCNeeded(m_parentKey, m_templateMode); }
    // The OK gate: asks or refuses with a message box as needed; true when the editor may save.
    bool PassesOkGate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::unique_ptr<ProductCodeGate> m_gate;
    QPalette m_normal;
    QString m_parentKey = QStringLiteral("!0");
    bool m_templateMode = false;
    bool m_locked = false;
};
