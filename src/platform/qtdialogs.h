// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Dialogs shown with Qt's message and input boxes, modal over the window
// returned by `owner` while it is on screen. While it is hidden (during the
// start-up dialogs) they have no owner: a dialog owned by a hidden window
// makes it exist for screen readers before it is shown, and a reader that
// looks at it then goes on taking it for an invisible window, so that its
// review of the screen finds nothing in the game.
// For screen readers, every message box's text labels its buttons: a reader
// says it with the button that takes the focus, and again when asked where
// the player is; flat review reads it from its line in the box.

#include "platform/services.h"

#include <QWidget>
#include <functional>

class QMessageBox;

class QtDialogs : public Dialogs
{
public:
    // The title of every dialog that has none of its own.
    static inline const QString ApplicationTitle = QStringLiteral("Quizzola");

    explicit QtDialogs(std::function<QWidget *()> owner);

    // A message box's text as the player sees it, for whoever says it in
    // other words than the box's own: once the text labels the buttons, its
    // label holds each "&" doubled, which the box shows as one.
    static QString shownText(const QMessageBox &box);

    void showMessage(const QString &text, const QString &title = QString()) override;
    Reply askYesNo(const QString &text, const QString &title) override;
    QString askText(const QString &prompt) override;

private:
    std::function<QWidget *()> m_owner;
};
