#pragma once

// The access keys of a window, and those that reach more than one control. Header-only; the test links Qt Widgets
// itself.
//
// Alt with a letter reaches, anywhere in the window, a button, a label's buddy, a tab, a group box or a menu of the
// menu bar; inside an open menu the letter alone picks an entry. So the window is one scope and every menu one more.

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStringList>
#include <QTabBar>
#include <QWidget>

namespace TestSupport {

// The upper-case letter after the single "&" of a caption; a null character when it has none ("&&" is an ampersand).
inline QChar AccessKey(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&') {
            continue;
        }
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return QChar();
}

namespace Detail {

// Hidden on purpose: the widget or a container above it (below window) was hidden, other than the pages of a tab
// widget, which the user brings forward.
inline bool HiddenOnPurpose(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* w = widget; w && w != window; w = w->parentWidget()) {
        const bool hidden = w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide);
        if (hidden && !qobject_cast<const QStackedWidget*>(w->parentWidget())) {
            return true;
        }
    }
    return false;
}

// The widget lies in another window than window (a dialog or menu it owns).
inline bool InOtherWindow(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* w = widget; w && w != window; w = w->parentWidget()) {
        if (w->isWindow()) {
            return true;
        }
    }
    return false;
}

inline void Claim(QMap<QChar, QStringList>& keys, const QString& caption)
{
    const QChar key = AccessKey(caption);
    if (!key.isNull()) {
        keys[key].append(caption);
    }
}

inline void Report(QStringList& clashes, const QString& scope, const QMap<QChar, QStringList>& keys)
{
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        if (it.value().size() > 1) {
            clashes.append(scope + QStringLiteral(": ") + it.key() + QStringLiteral(": ") +
                           it.value().join(QStringLiteral(" | ")));
        }
    }
}

inline void MenuClashes(QStringList& clashes, const QMenu* menu)
{
    QMap<QChar, QStringList> keys;
    for (const QAction* action : menu->actions()) {
        if (action->isVisible() && !action->isSeparator()) {
            Claim(keys, action->text());
        }
    }
    Report(clashes, menu->objectName(), keys);
}

} // namespace Detail

// Every access key of window that reaches more than one control, as "scope: K: caption | caption"; empty when each
// key reaches one. The scope is the window's name or a menu's.
inline QStringList AccessKeyClashes(QWidget* window)
{
    using namespace Detail;
    QMap<QChar, QStringList> keys;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (InOtherWindow(widget, window) || HiddenOnPurpose(widget, window)) {
            continue;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            Claim(keys, button->text());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->buddy()) {
                Claim(keys, label->text());
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            Claim(keys, group->title());
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                if (tabs->isTabVisible(i)) {
                    Claim(keys, tabs->tabText(i));
                }
            }
        } else if (auto* bar = qobject_cast<QMenuBar*>(widget)) {
            for (const QAction* action : bar->actions()) {
                if (action->isVisible()) {
                    Claim(keys, action->text());
                }
            }
        }
    }
    QStringList clashes;
    Report(clashes, window->objectName(), keys);
    for (const QMenu* menu : window->findChildren<QMenu*>()) {
        MenuClashes(clashes, menu);
    }
    return clashes;
}

} // namespace TestSupport
