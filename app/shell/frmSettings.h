#pragma once

#include "shell/SettingsModel.h"

#include <QDialog>
#include <QHash>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// The settings dialog: the store's folder (shown only), the online alias and password, and the six pick lists the
// editors offer. A thin window over SettingsModel: it fills its fields from the form the model read and hands the
// fields back at OK; it closes only when everything that changed was written.
class frmSettings : public QDialog
{
    Q_OBJECT

public:
    explicit frmSettings(QWidget* parent = nullptr);

    // Opens a fresh dialog modally on the tab of strTab ("" or a key that names no tab: "Database") and returns when
    // it has closed. What it changed is in the registry and the pick-list files.
    static void ShowSettings(const QString& strTab, QWidget* parent = nullptr);

    QTabWidget* tbSettings;
    QFrame* fraDatabase;
    QFrame* fraUser;
    QLineEdit* txtDBPath;
    QPushButton* cmdDBPath;
    QLineEdit* txtAlias;
    QLineEdit* txtPassword;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

    // The frame and the text box of one pick list (named as PickLists::Table() names them: "fraPicture",
    // "txtPicture", ...).
    QFrame* Frame(PickLists::PickList list) const;
    QPlainTextEdit* Field(PickLists::PickList list) const;

private:
    void Open(const QString& strTab);
    void LoadSettings();
    bool SaveSettings();
    // The form as the fields hold it now; a pick list nobody touched keeps the stored text byte for byte.
    SettingsForm ReadFields() const;
    void SelectTab(const QString& key);

    void tbSettings_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

    SettingsModel m_model;
    QList<QFrame*> m_frames;                              // in tab order
    QHash<PickLists::PickList, QFrame*> m_listFrames;     // the six pick lists' frames
    QHash<PickLists::PickList, QPlainTextEdit*> m_fields; // their text boxes
    QHash<PickLists::PickList, QLabel*> m_warnings;       // shown when a list could not be read
    QHash<PickLists::PickList, QString> m_shown;          // each text box's text as it was filled
};
