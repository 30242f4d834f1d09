// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's real speech: what it says reaches a screen reader through Qt's
// accessibility events. The one place that knows how each Qt version lets a
// program speak:
// - From Qt 6.8 on, a text is sent as an announcement, which a screen reader
//   speaks as it arrives. A text said with a control is announced as soon as
//   the handler that moves the focus has returned (a reader keeps the
//   descriptions it has read and may present the focus before it learns of
//   a new one, so a description would be heard as it was the time before),
//   unless a box has opened meanwhile: the box says its own text. Such a
//   control has no description: what it is for, said each time
//   before the text, would only make the child wait for it.
// - Qt 6.4 has no announcements, and a screen reader does not speak the
//   changed name or description of a control (Qt tells them as an object,
//   not a text), but it does speak a notification as it appears; and a
//   reader of that time asks a control for its description as the control
//   takes the focus. So a text said now names an empty, transparent
//   notification the size of a pixel in the window, shown anew; a text said
//   with a control becomes the control's description.
// Nothing is drawn, the focus never moves, and without a screen reader
// nothing happens at all.

#include "platform/services.h"

class ScreenReaderSpeech : public Speech
{
public:
    void say(QObject *window, const QString &text) override;
    void sayWithFocus(QObject *control, const QString &text) override;
};
