// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's speech in a web browser. A screen reader reads a page, not the
// program: Qt mirrors the controls into the page for it (once the reader
// has pressed the hidden "Enable Screen Reader" button Qt adds), but it
// passes on no announcement. So what the game says is written into a live
// region of the page, an element a reader speaks as its text changes and
// that stays there to be read again, until the next text replaces it:
// - say() and sayWithFocus() write their text there at once;
// - as a message box or an input box opens, its text is written there, so
//   a box is heard as it opens and its text can be read again as long as
//   it is open.
// Nothing is drawn in the game, and the focus never moves.

#include "platform/services.h"

#include <QObject>

class WebSpeech : public QObject, public Speech
{
    Q_OBJECT
public:
    // Watches every box the application opens; needs the application object.
    WebSpeech();

    void say(QObject *window, const QString &text) override;
    void sayWithFocus(QObject *control, const QString &text) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
