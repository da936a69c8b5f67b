#pragma once

#include "core/PickLists.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the settings dialog shows and writes, without the window: the three registry values and the six pick lists.
// The dialog fills its fields from a SettingsForm and hands back the form as the user left it; the model writes what
// changed and says what could not be written, so nothing the user typed is lost or taken for saved.

// One of the dialog's eight tabs: its key, its caption, and the pick list it edits (none for "Database" and "User").
struct SettingsTab
{
    QString key;
    QString caption;
    std::optional<PickLists::PickList> list;
};

// One pick list as it was read, or as the user left it.
struct SettingsPickList
{
    PickLists::PickList list = PickLists::PickList::Picture;
    QString text; // the file's text, one character per byte, CR LF between lines, unchanged
    PickLists::ReadStatus status = PickLists::ReadStatus::Missing;
    QString path; // the file that was read, or that could not be

    // A list that is there but could not be read is shown without text and never written, so it is never replaced by
    // an empty one.
    bool Editable() const { return status != PickLists::ReadStatus::Unreadable; }
};

struct SettingsForm
{
    QString strDBPath; // shown only: the dialog never changes where the store is
    QString strAlias;
    QString strPassword;
    QList<SettingsPickList> pickLists; // the six, in PickLists::All() order

    SettingsPickList* PickList(PickLists::PickList list);
    const SettingsPickList* PickList(PickLists::PickList list) const;
};

// The outcome of OK.
struct SettingsSaveResult
{
    enum class Outcome
    {
        Saved,   // everything that changed is written: the dialog may close
        Refused, // a field holds characters the code page cannot hold; nothing was written
        Failed,  // some values or files could not be written; the others were
    };
    Outcome outcome = Outcome::Saved;
    QString message;      // what to tell the user; when Saved, empty unless the disk did not confirm a file
    QString tabKey;       // the tab of the first field the message names
    QStringList notSaved; // the registry values and files that could not be written
};

class SettingsModel
{
public:
    // The eight tabs in order: "Database", "User", then one per pick list, as PickLists::Table() names it.
    static const QList<SettingsTab>& Tabs();
    // The position of the tab whose key is exactly key, or -1 when none has it.
    static int TabIndex(const QString& key);
    // The tab to open on: the empty key and a key that names no tab give the first, "Database".
    static int OpeningTab(const QString& key);
    // The field's name as its tab shows it, without "&": "Picture formats", "Studios", ...
    static QString FieldName(PickLists::PickList list);
    static QString TabKey(PickLists::PickList list);

    // A file's text as a text box shows it: every line end (CR LF, a lone CR or LF) becomes "\n".
    static QString EditorText(const QString& fileText);
    // The text box's text as the file holds it: "\n" and the paragraph and line separators of a text document become
    // CR LF. A last line ends with CR LF exactly when the user left an empty line after it.
    static QString FileText(const QString& editorText);

    // Reads the registry values (a missing one is created with its default) and the six pick lists afresh.
    const SettingsForm& Load();
    // What was last read or written.
    const SettingsForm& Stored() const { return m_stored; }

    // Writes the fields of edited that differ from what is stored, each on its own and atomically: the alias and
    // password as registry values, each pick list as the user's own file. Refuses everything, writing nothing, when
    // a changed field holds characters the code page cannot hold. A pick list that could not be read is never written.
    // What was written becomes the stored state, so OK again after a failure retries only what failed.
    SettingsSaveResult Save(const SettingsForm& edited);

private:
    SettingsForm m_stored;
};
