#pragma once

#include "editors/ParentList.h"

#include <QComboBox>
#include <QHash>
#include <QIcon>

// The "Belongs to:" picker of the movie, media, box and group editors: an image combo whose entries carry a key, an
// image of their kind and an indentation that shows the tree.
class ParentCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit ParentCombo(QWidget* parent = nullptr);

    // The picker's image list, by the image keys of ParentImageKeys().
    static const QHash<QString, QIcon>& Images();

    // Empties the picker and adds the entries in order.
    void Fill(const QList<ParentEntry>& entries);
    // Selects the entry of key; false (and the selection unchanged) when there is none.
    bool SelectKey(const QString& key);
    bool HasKey(const QString& key) const { return FindKey(key) >= 0; }
    // The key of the selected entry, or empty when none is selected.
    QString SelectedKey() const;
    int FindKey(const QString& key) const;

    static constexpr int kKeyRole = Qt::UserRole;
    static constexpr int kIndentRole = Qt::UserRole + 1;
};
