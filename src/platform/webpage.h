// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The page of a web browser as the game's window:
// - the game's window fills the page, with no frame of its own, and the
//   page's title is the window's caption;
// - while the tab is hidden, the browser's way of minimising a page, the
//   window is minimised, and visible again, restored;
// - the control with the focus takes typing at once, and a box that asks
//   for a text opens with the focus on its text field: Qt's page would give
//   it to the box's first button, and the keyboard to the box's picture,
//   until the field was clicked;
// - a field that takes digits only asks a phone's or tablet's on-screen
//   keyboard for digits.
// Only one object may exist at a time.

#include <QObject>

class QWidget;

class WebPage : public QObject
{
    Q_OBJECT
public:
    // `window` is the game's top-level widget; the page follows it while
    // this object lives. Needs the application object.
    explicit WebPage(QWidget *window);
    ~WebPage() override;

    // Makes the faces the game's layout is drawn with, packed with the
    // program, known to Qt: a browser lends a page none of its fonts.
    static void addFonts();

    // Called by the page as its tab is hidden or shown again.
    void setHidden(bool hidden);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void keyboardToFocus();

    QWidget *m_window;
};
