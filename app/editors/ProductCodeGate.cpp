#include "editors/ProductCodeGate.h"

#include "core/mGeneral.h"
#include "core/mLog.h"

#include "AnsiText.h"
#include "Component.h"

#include <utility>

ProductCodeGate::ProductCodeGate(Editor editor) : m_editor(editor), m_checker(Component::CreateObject(kCheckerProgId))
{
    if (!m_checker) {
        qCWarning(lcApp) << "no product-code checker:" << kCheckerProgId << "is not registered";
    }
}

ProductCodeGate::ProductCodeGate(Editor editor, std::shared_ptr<QObject> checker)
    : m_editor(editor), m_checker(std::move(checker))
{
}

int ProductCodeGate::Check(const QString& text) const
{
    if (!m_checker) {
        return 0;
    }
    bool ok = false;
    const QVariant result = Component::CallByName(m_checker.get(), "CheckString", {AnsiText::Trim(text)}, &ok);
    if (!ok) {
        qCWarning(lcApp) << "the product-code checker has no CheckString";
        return 0;
    }
    return result.toInt();
}

bool ProductCodeGate::NeededByParent(const QString& parentKey) const
{
    switch (m_editor) {
    case Editor::Movie:
        return !parentKey.startsWith(u'E') && !parentKey.startsWith(u'B');
    case Editor::Media:
        return !parentKey.startsWith(u'B');
    case Editor::Box:
        return true;
    }
    return true;
}

bool ProductCodeGate::IsUPCNeeded(const QString& parentKey, bool templateMode) const
{
    if (m_editor == Editor::Box) {
        return true;
    }
    return NeededByParent(parentKey) && !templateMode;
}

ProductCodeGate::Look ProductCodeGate::FieldLook(const QString& text, const QString& parentKey, bool templateMode) const
{
    Look look;
    if (!m_checker) {
        return look;
    }
    // Grey follows the parent only: a template whose parent needs a code keeps the normal fore colour.
    if (!NeededByParent(parentKey)) {
        look.fore = Fore::NotNeeded;
    }
    if (!AnsiText::Trim(text).isEmpty() && Check(text) == 0 && IsUPCNeeded(parentKey, templateMode)) {
        look.back = Back::Invalid;
    }
    return look;
}

bool ProductCodeGate::LocksOnLoad(const QString& storedText, const QString& loadedParentKey) const
{
    return m_checker && Check(storedText) != 0 && NeededByParent(loadedParentKey);
}

ProductCodeGate::OkOutcome ProductCodeGate::OnOk(const QString& text, const QString& parentKey, bool templateMode) const
{
    const bool needed = IsUPCNeeded(parentKey, templateMode);
    if (AnsiText::Trim(text).isEmpty() && needed) {
        return OkOutcome::AskEmptyCode;
    }
    // Without a checker no code can be shown to be invalid, so nothing is refused.
    if (m_checker && needed && Check(text) == 0) {
        return OkOutcome::RefuseInvalid;
    }
    return OkOutcome::Save;
}

QString ProductCodeGate::TextOnLeave(const QString& text) const
{
    return m_editor == Editor::Movie ? DigitsOnly(text) : text;
}

QString ProductCodeGate::SavedCode(const QString& text) const
{
    return m_editor == Editor::Movie ? DigitsOnly(text) : text;
}

QString ProductCodeGate::ToolTip(const QString& designedToolTip) const
{
    return m_checker ? designedToolTip : CheckerMissingToolTip();
}

QString ProductCodeGate::UnlockQuestion()
{
    return QStringLiteral("If you change the UPC/EAN you won't be able to propely syncronize it with Vidsora: Online. "
                          "Do you wish to unlock it?");
}

QString ProductCodeGate::UnlockTitle()
{
    return QStringLiteral("Warning!");
}

QString ProductCodeGate::EmptyCodeQuestion()
{
    return QStringLiteral("You haven't entered a UPC/EAN, and will not be able to syncronize this item with Vidsora: "
                          "Online. Do you wish to continue?");
}

QString ProductCodeGate::InvalidCodeMessage()
{
    return QStringLiteral("Invalid UPC/EAN.");
}

QString ProductCodeGate::CheckerMissingToolTip()
{
    return QStringLiteral("UPC/EAN codes cannot be checked: the product-code checker (Codevet) is not installed. "
                          "Whatever is typed here is saved unchecked.");
}
