#include "editors/ParentCombo.h"

#include "widgets/MainImages.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Draws a drop-down entry moved right by its indentation, as an image combo does.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem moved(option);
        const int shift = Shift(option, index);
        moved.rect.adjust(shift, 0, 0, 0);
        // The selection still spans the whole row.
        if (shift > 0 && (option.state & QStyle::State_Selected)) {
            painter->fillRect(option.rect.adjusted(0, 0, shift - option.rect.width(), 0),
                              option.palette.brush(QPalette::Highlight));
        }
        QStyledItemDelegate::paint(painter, moved, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += Shift(option, index);
        return size;
    }

private:
    static int Shift(const QStyleOptionViewItem& option, const QModelIndex& index)
    {
        // One level is about the width of an image and a little space, so it grows with the font.
        const int level = option.fontMetrics.height();
        return qMax(0, index.data(ParentCombo::kIndentRole).toInt()) * level;
    }
};

} // namespace

ParentCombo::ParentCombo(QWidget* parent) : QComboBox(parent)
{
    setObjectName(QStringLiteral("cboParent"));
    setItemDelegate(new IndentDelegate(this));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(30);
}

const QHash<QString, QIcon>& ParentCombo::Images()
{
    // The tree's closed images serve as the picker's. Kept for the whole run and never destroyed, so no picture
    // outlives the application object that painted it.
    static const QHash<QString, QIcon>* const images = [] {
        const QHash<QString, QPixmap> tree = MainImages::TreeImages();
        auto* result = new QHash<QString, QIcon>;
        for (const QString& key : ParentImageKeys()) {
            const QString treeKey = key == QStringLiteral("imgVidsora") ? key : key + QStringLiteral("Closed");
            result->insert(key, QIcon(tree.value(treeKey)));
        }
        return result;
    }();
    return *images;
}

void ParentCombo::Fill(const QList<ParentEntry>& entries)
{
    const QSignalBlocker quiet(this);
    clear();
    const auto& images = Images();
    for (const ParentEntry& entry : entries) {
        addItem(images.value(entry.image), entry.text, entry.key);
        setItemData(count() - 1, entry.indent, kIndentRole);
    }
    setCurrentIndex(-1);
}

bool ParentCombo::SelectKey(const QString& key)
{
    const int index = FindKey(key);
    if (index < 0) {
        return false;
    }
    setCurrentIndex(index);
    return true;
}

QString ParentCombo::SelectedKey() const
{
    return currentIndex() < 0 ? QString() : itemData(currentIndex(), kKeyRole).toString();
}

int ParentCombo::FindKey(const QString& key) const
{
    return findData(key, kKeyRole, Qt::MatchExactly);
}
