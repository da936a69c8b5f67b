#include "editors/DialogParts.h"

#include "core/PickLists.h"
#include "editors/CoverPicture.h"
#include "editors/EditorWidgets.h"
#include "editors/ParentCombo.h"
#include "widgets/mControls.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Enter in the box clicks the button instead of reaching the dialog, then empties the box: the next entry is typed
// on its own, not after the one just added.
class EnterClicks : public QObject
{
public:
    EnterClicks(QComboBox* combo, QPushButton* button) : QObject(combo), m_combo(combo), m_button(button) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_combo && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                if (m_button->isEnabled()) {
                    m_button->click();
                    m_combo->clearEditText();
                }
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QComboBox* m_combo;
    QPushButton* m_button;
};

// Moves the focus to the first control of the tab that becomes current, unless a key pressed on the tab bar itself
// changed the tab: then the user is walking the tabs and the focus stays on the bar. A modifier pressed there (the Alt
// of an access key) walks nothing: an access key always moves the focus, also from the bar.
class TabFocusMover : public QObject
{
public:
    explicit TabFocusMover(QTabWidget* tabs) : QObject(tabs), m_tabs(tabs)
    {
        tabs->tabBar()->installEventFilter(this);
        connect(tabs, &QTabWidget::currentChanged, this, [this](int index) {
            const bool walking = m_keyOnBar;
            m_keyOnBar = false;
            if (walking) {
                return;
            }
            if (QWidget* first = FirstControl(m_tabs->widget(index))) {
                first->setFocus(Qt::TabFocusReason);
            }
        });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            m_keyOnBar = !IsModifierKey(key->key()) && !(key->modifiers() & Qt::AltModifier);
        } else if (event->type() == QEvent::KeyRelease || event->type() == QEvent::FocusOut) {
            m_keyOnBar = false;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static bool IsModifierKey(int key)
    {
        return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_AltGr ||
               key == Qt::Key_Meta;
    }

    QTabWidget* m_tabs;
    bool m_keyOnBar = false;
};

} // namespace

QLineEdit* NamedLine(QWidget* parent, const char* name, const QString& toolTip)
{
    auto* box = Named(new QLineEdit(parent), name);
    box->setToolTip(toolTip);
    SelectAllOnFocus(box);
    return box;
}

QComboBox* NamedPickCombo(QWidget* parent, const char* name, const QString& toolTip)
{
    auto* combo = Named(new QComboBox(parent), name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setToolTip(toolTip);
    return combo;
}

void RefillPickCombo(QComboBox* combo, const QStringList& entries)
{
    combo->clear();
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
    combo->clearEditText();
}

void TellPickListNotice(QWidget* dialog)
{
    const QString notice = PickLists::TakeNotice();
    if (notice.isEmpty()) {
        return;
    }
    // Not modal to the program: the editor opens at once, and the message stands over it until read.
    QTimer::singleShot(0, dialog, [dialog, notice] {
        auto* box = new QMessageBox(QMessageBox::Information, dialog->windowTitle(), notice, QMessageBox::Ok, dialog);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption, const QString& toolTip)
{
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    button->setToolTip(toolTip);
    return button;
}

void RemoveSelectedEntry(QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (!selected.isEmpty()) {
        delete selected.first();
    }
}

void AddOnEnter(QComboBox* combo, QPushButton* add)
{
    combo->installEventFilter(new EnterClicks(combo, add));
}

QWidget* FirstControl(QWidget* frame)
{
    if (!frame) {
        return nullptr;
    }
    for (QWidget* w = frame->nextInFocusChain(); w && w != frame; w = w->nextInFocusChain()) {
        if (frame->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isEnabled() &&
            w->isVisibleTo(frame)) {
            return w;
        }
    }
    return nullptr;
}

void FocusFirstControlOnTabChange(QTabWidget* tabWidget)
{
    new TabFocusMover(tabWidget);
}

void AddKeyedTabs(QTabWidget* tabWidget, std::initializer_list<KeyedTab> tabs)
{
    for (const KeyedTab& tab : tabs) {
        const int index = tabWidget->addTab(tab.frame, QString::fromLatin1(tab.caption));
        tabWidget->tabBar()->setTabData(index, QString::fromLatin1(tab.key));
    }
    FocusFirstControlOnTabChange(tabWidget);
}

void BuildEditorFoot(QDialog* dialog, QTabWidget* tabWidget, QLabel* parentLabel, ParentCombo* parentCombo,
                     QPushButton*& ok, QPushButton*& cancel)
{
    ok = Named(new QPushButton(QStringLiteral("&Ok"), dialog), "cmdOk");
    ok->setDefault(true);
    cancel = Named(new QPushButton(QStringLiteral("&Cancel"), dialog), "cmdCancel");
    cancel->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    if (parentLabel) {
        bottom->addWidget(parentLabel);
    }
    bottom->addWidget(parentCombo, 1);
    bottom->addSpacing(dialog->fontMetrics().averageCharWidth() * 4);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(tabWidget, 1);
    layout->addLayout(bottom);
}

ExtrasTab BuildExtrasTab(const QString& comboToolTip, const QString& addToolTip, const QString& removeToolTip)
{
    ExtrasTab tab;
    tab.fraExtras = Named(new QWidget, "fraExtras");
    tab.cboExtras = NamedPickCombo(tab.fraExtras, "cboExtras", comboToolTip);
    tab.cmdAddExtra = NamedButton(tab.fraExtras, "cmdAddExtra", QStringLiteral("->"), addToolTip);
    tab.cdmRemoveExtras = NamedButton(tab.fraExtras, "cdmRemoveExtras", QStringLiteral("<-"), removeToolTip);
    tab.lstExtras = Named(new QListWidget(tab.fraExtras), "lstExtras");

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(tab.cmdAddExtra);
    buttons->addWidget(tab.cdmRemoveExtras);
    buttons->addStretch();
    auto* combo = new QVBoxLayout;
    combo->addWidget(tab.cboExtras);
    combo->addStretch();
    auto* layout = new QHBoxLayout(tab.fraExtras);
    layout->addLayout(combo, 1);
    layout->addLayout(buttons);
    layout->addWidget(tab.lstExtras, 1);

    QComboBox* cbo = tab.cboExtras;
    QListWidget* list = tab.lstExtras;
    QObject::connect(tab.cmdAddExtra, &QPushButton::clicked, list,
                     [cbo, list] { AddUniqueToList(cbo->currentText(), list); });
    AddOnEnter(tab.cboExtras, tab.cmdAddExtra);
    QObject::connect(tab.cdmRemoveExtras, &QPushButton::clicked, list, [list] { RemoveSelectedEntry(list); });
    return tab;
}

CoverTab BuildCoverTab(const char* frontName, const char* backName)
{
    CoverTab tab;
    tab.fraCover = Named(new QWidget, "fraCover");
    tab.front = Named(new CoverPicture(tab.fraCover), frontName);
    tab.back = Named(new CoverPicture(tab.fraCover), backName);
    tab.cmdAddFrontCover = NamedButton(tab.fraCover, "cmdAddFrontCover", QStringLiteral("Add cover"));
    tab.cdmDeleteFrontCover = NamedButton(tab.fraCover, "cdmDeleteFrontCover", QStringLiteral("Delete cover"));
    tab.cmdAddBackCover = NamedButton(tab.fraCover, "cmdAddBackCover", QStringLiteral("Add cover"));
    tab.cmdDeleteBackCover = NamedButton(tab.fraCover, "cmdDeleteBackCover", QStringLiteral("Delete cover"));

    auto* grid = new QGridLayout(tab.fraCover);
    grid->addWidget(new QLabel(QStringLiteral("Front cover"), tab.fraCover), 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Back cover"), tab.fraCover), 0, 2, 1, 2);
    grid->addWidget(tab.front, 1, 0, 1, 2, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(tab.back, 1, 2, 1, 2, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(tab.cmdAddFrontCover, 2, 0);
    grid->addWidget(tab.cdmDeleteFrontCover, 2, 1);
    grid->addWidget(tab.cmdAddBackCover, 2, 2);
    grid->addWidget(tab.cmdDeleteBackCover, 2, 3);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(3, 1);
    return tab;
}
