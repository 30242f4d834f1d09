// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Dialogs shown with Qt's message and input boxes, modal over the window
// returned by `owner` while it is on screen. While it is hidden (during the
// start-up dialogs) they have no owner: a dialog owned by a hidden window
// makes it exist for screen readers before it is shown, and a reader that
// looks at it then goes on taking it for an invisible window, so that its
// review of the screen finds nothing in the game.
// The text of every message box is said through `speech` with the button
// that takes the focus.

#include "platform/services.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QtDialogs : public Dialogs
{
public:
    // The title of every dialog that has none of its own.
    static inline const QString ApplicationTitle = QStringLiteral("Quizzola");

    QtDialogs(std::function<QWidget *()> owner, Speech &speech);

    void showMessage(const QString &text, const QString &title = QString()) override;
    Reply askYesNo(const QString &text, const QString &title) override;
    QString askText(const QString &prompt) override;

private:
    std::function<QWidget *()> m_owner;
    Speech &m_speech;
};
