// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The kinds of control the game window is built from, each behaving as the
// game needs rather than as Qt's defaults would.

#include "window/designscale.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <optional>

// The window's client area: a persistent drawing surface behind every
// control. It shows the last bands given to it, at the size they were given,
// over a plain background colour; covering and uncovering the window, or
// resizing it, does not change them. Nothing is kept but what to draw, so
// a huge window costs no picture in memory.
class ClientArea : public QWidget
{
    Q_OBJECT
public:
    explicit ClientArea(QWidget *parent = nullptr);

    // Shows the 256 bands of `shade` over `size` from the top-left corner,
    // exactly as Quiz::fillBands() fills them at `devicePixelRatio`; the
    // background colour fills whatever they do not cover.
    void setBands(QSize size, qreal devicePixelRatio, qint16 shade);
    // Drops the bands and fills the whole area with `colour`.
    void clearTo(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Bands
    {
        QSize size;
        qreal devicePixelRatio = 1.0;
        qint16 shade = 0;
    };

    std::optional<Bands> m_bands;
    QColor m_background;
};

// A label with a caption that, when auto-sizing, grows or shrinks to fit its
// caption on one line, keeping its left and top; otherwise it keeps its box,
// breaks a long caption between words and cuts off what does not fit.
// Captions are plain text: a name like "<b>" shows as typed.
class CaptionLabel : public QLabel
{
    Q_OBJECT
public:
    CaptionLabel(bool autoSize, QWidget *parent);

    void setCaption(const QString &caption);
    QString caption() const { return text(); }

    // Called once the window has drawn the label's box and font at `scale`:
    // a border grows as thick as the scale makes it, and an auto-sizing label
    // whose caption has been set fits it again at the new font.
    void rescale(const Layout::DesignScale &scale);

private:
    bool m_autoSize;
    bool m_fitted = false;
};

// The answer box. Every character typed into it (Backspace is code 8,
// Enter code 13) is first handed to `keyPress`, which may change the code;
// code 0 throws the key away. Enter never types anything. Keys that type no
// character (arrows, Home, Delete, ...) are not reported and work as usual.
class AnswerBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit AnswerBox(QWidget *parent);

    std::function<void(int &code)> keyPress;

    // Its sunken frame as thick as `scale` makes the design's two rings.
    void rescale(const Layout::DesignScale &scale);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int m_ring = 1; // the width of each of the frame's two rings
};

// A push button painted as a coloured face with a picture centred above its
// caption, both drawn at the window's scale: a 32-pixel picture, a bevel of
// two 1-pixel rings at the design's size. It shows `pressed` while held down and `disabled` while disabled,
// falling back to `normal` where no such picture is given. Enter and Space
// press it while it has the focus; the "&" in its caption gives its Alt key.
class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    PictureButton(const QString &caption, const QColor &face, QWidget *parent);

    void setPictures(const QIcon &normal, const QIcon &pressed = QIcon(),
                     const QIcon &disabled = QIcon());
    QColor faceColour() const { return m_face; }
    // The picture on show now, by the button's state.
    QIcon currentPicture() const;
    void rescale(const Layout::DesignScale &scale);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_face;
    Layout::DesignScale m_scale{Layout::DesignSize};
    QIcon m_normal;
    QIcon m_pressed;
    QIcon m_disabled;
};
