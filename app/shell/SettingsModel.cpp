#include "shell/SettingsModel.h"

#include "core/CodePage.h"
#include "core/mFunctions.h"
#include "core/mLog.h"

using PickLists::PickList;
using PickLists::ReadStatus;

namespace {

const QString kAliasValue = QStringLiteral("User");
const QString kPasswordValue = QStringLiteral("Password");

QString WithoutMnemonic(QString caption)
{
    return caption.remove(u'&');
}

} // namespace

SettingsPickList* SettingsForm::PickList(PickLists::PickList list)
{
    for (SettingsPickList& field : pickLists) {
        if (field.list == list) {
            return &field;
        }
    }
    return nullptr;
}

const SettingsPickList* SettingsForm::PickList(PickLists::PickList list) const
{
    return const_cast<SettingsForm*>(this)->PickList(list);
}

const QList<SettingsTab>& SettingsModel::Tabs()
{
    static const QList<SettingsTab> tabs = [] {
        QList<SettingsTab> all{
            {QStringLiteral("Database"), QStringLiteral("&Database"), std::nullopt},
            {QStringLiteral("User"), QStringLiteral("&User"), std::nullopt},
        };
        for (const PickLists::PickListNames& names : PickLists::Table()) {
            all.append({QLatin1String(names.tabKey), QLatin1String(names.caption), names.list});
        }
        return all;
    }();
    return tabs;
}

int SettingsModel::TabIndex(const QString& key)
{
    const QList<SettingsTab>& tabs = Tabs();
    for (int i = 0; i < tabs.size(); ++i) {
        if (tabs[i].key == key) {
            return i;
        }
    }
    return -1;
}

int SettingsModel::OpeningTab(const QString& key)
{
    return qMax(0, TabIndex(key));
}

QString SettingsModel::FieldName(PickLists::PickList list)
{
    for (const SettingsTab& tab : Tabs()) {
        if (tab.list == list) {
            return WithoutMnemonic(tab.caption);
        }
    }
    return {};
}

QString SettingsModel::TabKey(PickLists::PickList list)
{
    for (const SettingsTab& tab : Tabs()) {
        if (tab.list == list) {
            return tab.key;
        }
    }
    return {};
}

QString SettingsModel::EditorText(const QString& fileText)
{
    QString text = fileText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString SettingsModel::FileText(const QString& editorText)
{
    QString text;
    text.reserve(editorText.size() + editorText.size() / 8);
    for (QChar c : editorText) {
        if (c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            text += QStringLiteral("\r\n");
        } else {
            text += c;
        }
    }
    return text;
}

const SettingsForm& SettingsModel::Load()
{
    m_stored = SettingsForm();
    // "DBPath" first: reading it makes the program's key, which the other two values need to be written at all.
    m_stored.strDBPath = ReadRegSetting(QStringLiteral("DBPath"), DefaultDBPath()).toString();
    m_stored.strAlias = ReadRegSetting(kAliasValue).toString();
    m_stored.strPassword = ReadRegSetting(kPasswordValue).toString();
    for (PickList list : PickLists::All()) {
        const PickLists::PickListText file = PickLists::ReadFileText(list);
        m_stored.pickLists.append({list, file.text, file.status, file.path});
    }
    return m_stored;
}

SettingsSaveResult SettingsModel::Save(const SettingsForm& edited)
{
    SettingsSaveResult result;

    // Only what changed is checked and written: a value that arrived from elsewhere is left as it is. A list that
    // exists nowhere counts as changed, so OK gives the user a file of their own to fill.
    const bool aliasChanged = edited.strAlias != m_stored.strAlias;
    const bool passwordChanged = edited.strPassword != m_stored.strPassword;
    QList<PickList> listsChanged;
    for (const SettingsPickList& stored : m_stored.pickLists) {
        const SettingsPickList* field = edited.PickList(stored.list);
        if (field && stored.Editable() && (field->text != stored.text || stored.status == ReadStatus::Missing)) {
            listsChanged.append(stored.list);
        }
    }

    QList<CodePage::Field> fields;
    QStringList fieldTabs;
    if (aliasChanged) {
        fields.append({QStringLiteral("Alias"), edited.strAlias});
        fieldTabs.append(QStringLiteral("User"));
    }
    if (passwordChanged) {
        fields.append({QStringLiteral("Password"), edited.strPassword});
        fieldTabs.append(QStringLiteral("User"));
    }
    for (PickList list : listsChanged) {
        fields.append({FieldName(list), edited.PickList(list)->text});
        fieldTabs.append(TabKey(list));
    }
    result.message = CodePage::RefusalMessage(fields);
    if (!result.message.isEmpty()) {
        result.outcome = SettingsSaveResult::Outcome::Refused;
        for (int i = 0; i < fields.size(); ++i) {
            if (!CodePage::UnencodableCharacters(fields[i].text).isEmpty()) {
                result.tabKey = fieldTabs[i];
                break;
            }
        }
        return result;
    }

    QStringList lines;
    const auto fail = [&](const QString& tabKey, const QString& line, const QString& what) {
        if (result.tabKey.isEmpty()) {
            result.tabKey = tabKey;
        }
        lines.append(line);
        result.notSaved.append(what);
    };
    if (aliasChanged) {
        if (TryWriteRegSetting(kAliasValue, edited.strAlias)) {
            m_stored.strAlias = edited.strAlias;
        } else {
            fail(QStringLiteral("User"), QStringLiteral("Alias: the setting \"%1\"").arg(kAliasValue), kAliasValue);
        }
    }
    if (passwordChanged) {
        if (TryWriteRegSetting(kPasswordValue, edited.strPassword)) {
            m_stored.strPassword = edited.strPassword;
        } else {
            fail(QStringLiteral("User"), QStringLiteral("Password: the setting \"%1\"").arg(kPasswordValue),
                 kPasswordValue);
        }
    }
    QStringList unconfirmed;
    for (PickList list : listsChanged) {
        const QString& text = edited.PickList(list)->text;
        SettingsPickList* stored = m_stored.PickList(list);
        const QString path = PickLists::UserFilePath(list);
        const auto written = PickLists::WriteFileText(list, text);
        if (written.Reached()) {
            // A file the disk did not confirm is in place all the same: it is what the editors read now.
            stored->text = text;
            stored->status = ReadStatus::Loaded;
            stored->path = path;
            if (written.Unconfirmed()) {
                unconfirmed.append(QStringLiteral("%1: the file \"%2\"").arg(FieldName(list), path));
            }
        } else {
            fail(TabKey(list), QStringLiteral("%1: the file \"%2\"").arg(FieldName(list), path), path);
        }
    }
    if (!unconfirmed.isEmpty()) {
        qCWarning(lcApp) << "settings saved but not confirmed by the disk:" << unconfirmed;
        unconfirmed.prepend(QStringLiteral("These were saved, but the disk did not confirm them, so they may not "
                                           "survive a power cut:"));
        result.message = unconfirmed.join(u'\n');
    }

    if (lines.isEmpty()) {
        return result;
    }
    qCWarning(lcApp) << "settings not saved:" << result.notSaved;
    result.outcome = SettingsSaveResult::Outcome::Failed;
    lines.prepend(QStringLiteral("These could not be saved:"));
    lines.append(QStringLiteral("Everything you typed is still here: correct the cause and press Ok again, or press "
                                "Cancel to leave them unchanged."));
    result.message =
        result.message.isEmpty() ? lines.join(u'\n') : lines.join(u'\n') + QStringLiteral("\n\n") + result.message;
    return result;
}
