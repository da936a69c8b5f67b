#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>

class CoverPicture;
class ParentCombo;
class QDialog;
class QLabel;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QWidget;

// Building blocks of the media, box and workshop dialogs: controls named as the tests and the program find them, and
// the editors' tabs and foot. What only the two workshops share is in "editors/WorkshopParts.h".

template <class T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A one-line box that selects its whole text when it gets the focus.
QLineEdit* NamedLine(QWidget* parent, const char* name, const QString& toolTip = QString());
// A pick-list combo that is typed into as well; typing adds nothing to its list.
QComboBox* NamedPickCombo(QWidget* parent, const char* name, const QString& toolTip = QString());
// Fills a pick-list box afresh with the entries, none of them chosen and no text typed.
void RefillPickCombo(QComboBox* combo, const QStringList& entries);
// Tells the user, in a message over the dialog once it is shown, what the pick lists just read left out
// (PickLists::TakeNotice); nothing when there is nothing new.
void TellPickListNotice(QWidget* dialog);
// A button that Enter never presses unless it has the focus.
QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption, const QString& toolTip = QString());
// Removes the selected entry of a list; with none selected nothing happens.
void RemoveSelectedEntry(QListWidget* list);
// Enter in the pick-list box presses its Add button, as a click does, and never the dialog's default button: the
// typed entry is added, not lost with a dialog that closed. The box is then empty for the next entry.
void AddOnEnter(QComboBox* combo, QPushButton* add);

// The first control of the frame that the Tab key reaches (for an option group, its stop), or null.
QWidget* FirstControl(QWidget* frame);
// A tab change by mouse or access key puts the focus on the first control of the new tab, so the focus never stays
// behind on a hidden control, on the tab bar or falls to the buttons below. Keys that walk the tabs on the tab bar
// keep it there.
void FocusFirstControlOnTabChange(QTabWidget* tabWidget);

// A tab of the movie, media and box editors: its frame under its caption, with the key that names the tab kept in the
// tab bar's data. AddKeyedTabs also moves the focus on a tab change (FocusFirstControlOnTabChange).
struct KeyedTab
{
    const char* key;
    const char* caption;
    QWidget* frame;
};
void AddKeyedTabs(QTabWidget* tabWidget, std::initializer_list<KeyedTab> tabs);

// The foot of the movie, media and box editors under their tabs: the place combo (after its label, when there is
// one), then "&Ok" (the default button) and "&Cancel", which Enter presses only when it has the focus.
void BuildEditorFoot(QDialog* dialog, QTabWidget* tabWidget, QLabel* parentLabel, ParentCombo* parentCombo,
                     QPushButton*& ok, QPushButton*& cancel);

// The "Extras" tab of the media and box editors: the extras pick list, "->" adds its text to the list unless the list
// holds it already, "<-" removes the selected entry.
struct ExtrasTab
{
    QWidget* fraExtras = nullptr;
    QComboBox* cboExtras = nullptr;
    QPushButton* cmdAddExtra = nullptr;
    QPushButton* cdmRemoveExtras = nullptr;
    QListWidget* lstExtras = nullptr;
};
ExtrasTab BuildExtrasTab(const QString& comboToolTip, const QString& addToolTip, const QString& removeToolTip);

// The "Cover" tab of the media and box editors: the two pictures with their add and delete buttons.
struct CoverTab
{
    QWidget* fraCover = nullptr;
    CoverPicture* front = nullptr;
    CoverPicture* back = nullptr;
    QPushButton* cmdAddFrontCover = nullptr;
    QPushButton* cdmDeleteFrontCover = nullptr;
    QPushButton* cmdAddBackCover = nullptr;
    QPushButton* cmdDeleteBackCover = nullptr;
};
CoverTab BuildCoverTab(const char* frontName, const char* backName);
