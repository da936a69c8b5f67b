#include "shell/frmSettings.h"

#include "editors/DialogParts.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QVBoxLayout>

using PickLists::PickList;

namespace {

// The dialog's client area is 5505 by 4110 twips; the pick-list boxes fill most of their frame.
constexpr int kFieldWidth = 330;
constexpr int kFieldHeight = 170;

QFrame* MakeFrame(const char* name)
{
    auto* frame = new QFrame;
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

QString WidgetText(const QPlainTextEdit* field)
{
    // The raw text keeps a no-break space as it is; the plain text would turn it into a space.
    return field->document()->toRawText();
}

} // namespace

frmSettings::frmSettings(QWidget* parent)
    : QDialog(parent), tbSettings(new QTabWidget(this)), fraDatabase(MakeFrame("fraDatabase")),
      fraUser(MakeFrame("fraUser")), txtDBPath(new QLineEdit(fraDatabase)), cmdDBPath(new QPushButton(fraDatabase)),
      txtAlias(new QLineEdit(fraUser)), txtPassword(new QLineEdit(fraUser)), cmdOk(new QPushButton(this)),
      cmdCancel(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    tbSettings->setObjectName(QStringLiteral("tbSettings"));
    txtDBPath->setObjectName(QStringLiteral("txtDBPath"));
    cmdDBPath->setObjectName(QStringLiteral("cmdDBPath"));
    txtAlias->setObjectName(QStringLiteral("txtAlias"));
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    // The six pick lists: each file shown whole, one entry per line.
    m_frames = {fraDatabase, fraUser};
    for (const PickLists::PickListNames& names : PickLists::Table()) {
        QFrame* frame = MakeFrame(names.frame);
        auto* field = new QPlainTextEdit(frame);
        field->setObjectName(QLatin1String(names.field));
        field->setLineWrapMode(QPlainTextEdit::NoWrap);
        field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        field->setTabChangesFocus(true);
        field->setMinimumSize(kFieldWidth, kFieldHeight);
        auto* warning = new QLabel(frame);
        warning->setObjectName(QStringLiteral("lbl%1Warning").arg(QLatin1String(names.field + 3)));
        warning->setWordWrap(true);
        warning->setTextFormat(Qt::PlainText);
        warning->hide();
        auto* layout = new QVBoxLayout(frame);
        layout->addWidget(warning);
        layout->addWidget(field, 1);
        m_frames.append(frame);
        m_listFrames.insert(names.list, frame);
        m_fields.insert(names.list, field);
        m_warnings.insert(names.list, warning);
    }

    // All eight tabs stay in sight; the dialog is as wide as they need.
    tbSettings->setUsesScrollButtons(false);
    const QList<SettingsTab>& tabs = SettingsModel::Tabs();
    for (int i = 0; i < tabs.size(); ++i) {
        tbSettings->addTab(m_frames[i], tabs[i].caption);
        tbSettings->tabBar()->setTabData(i, tabs[i].key);
    }

    // Database: where the store is, shown only; the button beside it does nothing.
    auto* dbLabel = new QLabel(QStringLiteral("DB path:"), fraDatabase);
    txtDBPath->setReadOnly(true);
    txtDBPath->setMinimumWidth(233);
    cmdDBPath->setText(QStringLiteral("..."));
    cmdDBPath->setAutoDefault(false);
    cmdDBPath->setFixedWidth(cmdDBPath->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    auto* dbLayout = new QGridLayout(fraDatabase);
    dbLayout->addWidget(dbLabel, 0, 0);
    dbLayout->addWidget(txtDBPath, 0, 1);
    dbLayout->addWidget(cmdDBPath, 0, 2);
    dbLayout->setRowStretch(1, 1);
    dbLabel->setBuddy(txtDBPath);

    // User: the online alias and password; the password shows only bullets.
    auto* aliasLabel = new QLabel(QStringLiteral("Alias:"), fraUser);
    auto* passwordLabel = new QLabel(QStringLiteral("Password:"), fraUser);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtAlias->setMinimumWidth(265);
    auto* userLayout = new QGridLayout(fraUser);
    userLayout->addWidget(aliasLabel, 0, 0);
    userLayout->addWidget(txtAlias, 0, 1);
    userLayout->addWidget(passwordLabel, 1, 0);
    userLayout->addWidget(txtPassword, 1, 1);
    userLayout->setRowStretch(2, 1);
    aliasLabel->setBuddy(txtAlias);
    passwordLabel->setBuddy(txtPassword);

    // Enter never presses a button: in a pick list it starts a new line, and OK is not the default.
    cmdOk->setText(QStringLiteral("&Ok"));
    cmdOk->setAutoDefault(false);
    cmdOk->setDefault(false);
    cmdCancel->setText(QStringLiteral("&Cancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdOk, &QPushButton::clicked, this, &frmSettings::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSettings::cmdCancel_Click);
    connect(tbSettings, &QTabWidget::currentChanged, this, &frmSettings::tbSettings_Click);
    FocusFirstControlOnTabChange(tbSettings);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbSettings, 1);
    layout->addLayout(buttons);
    // A fixed-size dialog: no resizing, no minimise or maximise.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmSettings::ShowSettings(const QString& strTab, QWidget* parent)
{
    frmSettings dialog(parent);
    dialog.Open(strTab);
    dialog.exec();
}

QFrame* frmSettings::Frame(PickList list) const
{
    return m_listFrames.value(list);
}

QPlainTextEdit* frmSettings::Field(PickList list) const
{
    return m_fields.value(list);
}

void frmSettings::Open(const QString& strTab)
{
    SelectTab(strTab);
    LoadSettings();
    tbSettings_Click();
}

void frmSettings::SelectTab(const QString& key)
{
    tbSettings->setCurrentIndex(SettingsModel::OpeningTab(key));
}

void frmSettings::LoadSettings()
{
    const SettingsForm& form = m_model.Load();
    txtDBPath->setText(form.strDBPath);
    txtAlias->setText(form.strAlias);
    txtPassword->setText(form.strPassword);
    for (const SettingsPickList& list : form.pickLists) {
        QPlainTextEdit* field = m_fields.value(list.list);
        QLabel* warning = m_warnings.value(list.list);
        field->setPlainText(SettingsModel::EditorText(list.text));
        m_shown.insert(list.list, WidgetText(field));
        // A list that is there but could not be read is left alone: shown empty, not editable, never written.
        field->setReadOnly(!list.Editable());
        warning->setVisible(!list.Editable());
        if (!list.Editable()) {
            warning->setText(
                QStringLiteral("The list \"%1\" could not be read. It is left as it is and cannot be changed here.")
                    .arg(list.path));
        }
    }
}

SettingsForm frmSettings::ReadFields() const
{
    SettingsForm form = m_model.Stored();
    form.strAlias = txtAlias->text();
    form.strPassword = txtPassword->text();
    for (SettingsPickList& list : form.pickLists) {
        const QString shown = WidgetText(m_fields.value(list.list));
        // A box left as it was filled keeps the file's own bytes (a lone LF, say), not its shown form.
        if (shown != m_shown.value(list.list)) {
            list.text = SettingsModel::FileText(shown);
        }
    }
    return form;
}

bool frmSettings::SaveSettings()
{
    const SettingsSaveResult result = m_model.Save(ReadFields());
    if (result.outcome == SettingsSaveResult::Outcome::Saved) {
        if (!result.message.isEmpty()) {
            QMessageBox::warning(this, QStringLiteral("Vidsora"), result.message); // written, but not confirmed
        }
        return true;
    }
    // Refused or not fully written: say what, show where, and keep every field as typed. What was written is the
    // model's stored state now, so OK again retries only the rest.
    SelectTab(result.tabKey);
    if (result.outcome == SettingsSaveResult::Outcome::Refused) {
        QMessageBox::warning(this, QStringLiteral("Vidsora"), result.message);
    } else {
        QMessageBox::critical(this, QStringLiteral("Vidsora"), result.message);
    }
    return false;
}

void frmSettings::tbSettings_Click()
{
    // The tab strip keeps only the selected tab's frame visible; this brings that frame to the front.
    const QString key = tbSettings->tabBar()->tabData(tbSettings->currentIndex()).toString();
    const int index = SettingsModel::TabIndex(key);
    if (index >= 0 && index < m_frames.size()) {
        m_frames[index]->raise();
    }
}

void frmSettings::cmdOk_Click()
{
    if (SaveSettings()) {
        accept();
    }
}

void frmSettings::cmdCancel_Click()
{
    reject();
}
