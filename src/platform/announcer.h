// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How ScreenReaderSpeech speaks on Qt 6.4, which has no announcements: an
// empty, transparent child of the game window the size of a pixel, that
// screen readers see as a notification. Named with a text and shown anew,
// it makes a reader say that text. Its own class, so that the notification
// role is given to it from the moment it is made.

#include <QWidget>

class Announcer : public QWidget
{
    Q_OBJECT
public:
    explicit Announcer(QWidget *window)
        : QWidget(window)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 1, 1);
        lower();
    }
};
