#pragma once

#include "core/CodePage.h"

#include <QList>
#include <QString>

class QDialog;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;
class SortKeyFollower;
struct SaveOutcome;

// Small window helpers the editor dialogs share.

// The box selects its whole text whenever it receives the focus, also by a mouse click.
void SelectAllOnFocus(QLineEdit* box);
// Shows why OK did not save, with the warning icon; the dialog stays open.
void ShowRefusal(QWidget* parent, const QString& message);
// Text the store cannot hold is refused before any question is asked: shows the refusal and returns true when one of
// the fields cannot be stored.
bool RefuseUnstorable(QWidget* parent, const QList<CodePage::Field>& fields);
// The end of OK: closes the dialog when the save went through (first saying when the disk did not confirm it), else
// shows why and keeps it open.
void AcceptOrRefuse(QDialog* dialog, const SaveOutcome& outcome);
// The name box's change: moves the sort box's text when the follower says so.
void FollowName(SortKeyFollower& follower, const QString& name, QLineEdit* sortBox);
// The category and group editors' loading of a name and its sort key into empty boxes: the name first, so the sort
// key follows it for a moment; the stored sort key then replaces it.
void LoadNameAndSort(SortKeyFollower& follower, QLineEdit* nameBox, QLineEdit* sortBox, const QString& name,
                     const QString& sortKey);
// The category and group editors' "&Ok" (the default button) and "&Cancel" buttons, right-aligned in a row.
QHBoxLayout* OkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel);
