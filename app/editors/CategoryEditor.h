#pragma once

#include "editors/EditorSave.h"

#include <QString>

// The category editor without its window.

// What the dialog shows and the user types.
struct CategoryForm
{
    QString strName;
    QString strSortKey;

    friend bool operator==(const CategoryForm&, const CategoryForm&) = default;
};

class CategoryEditor
{
public:
    // Starts an editing session for the category strKey, or a new one for the empty key.
    void Open(const QString& strKey);

    // The item key: the one given, or after a saved new category its new key.
    QString Key() const { return m_key; }
    // "<New category>", the stored name, or "Category" when the key names no category.
    QString Caption() const { return m_caption; }
    // The fields as loaded (empty for a new category or a key that names none).
    const CategoryForm& Form() const { return m_form; }

    // OK: refuses text the store cannot hold, else adds a new category, sets its fields and writes it. On a refusal
    // nothing is kept and the key stays as it was.
    SaveOutcome Save(const CategoryForm& form);

private:
    QString m_key;
    QString m_caption;
    CategoryForm m_form;
};
