// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/controls.h"

#include "quiz/background.h"
#include "quiz/questions.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

#include <cmath>

ClientArea::ClientArea(QWidget *parent)
    : QWidget(parent)
    , m_background(palette().color(QPalette::Window))
{
    // The area paints every pixel itself, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientArea::setBands(QSize size, qreal devicePixelRatio, qint16 shade)
{
    m_bands = Bands{size, devicePixelRatio, shade};
    update();
}

void ClientArea::clearTo(const QColor &colour)
{
    m_bands.reset();
    m_background = colour;
    update();
}

void ClientArea::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    QRect covered;
    if (m_bands) {
        covered = QRect(QPoint(0, 0), m_bands->size) & dirty;
        if (!covered.isEmpty()) {
            // Straight onto the window's backing store, in device pixels,
            // so the band edges fall on whole device pixels.
            const qreal ratio = m_bands->devicePixelRatio;
            const QSize deviceSize(int(std::ceil(m_bands->size.width() * ratio)),
                                   int(std::ceil(m_bands->size.height() * ratio)));
            const QRect deviceClip =
                QRectF(QPointF(covered.topLeft()) * ratio, QSizeF(covered.size()) * ratio).toAlignedRect();
            painter.save();
            painter.scale(1.0 / ratio, 1.0 / ratio);
            Quiz::fillBands(painter, deviceSize, deviceClip, m_bands->shade);
            painter.restore();
        }
    }
    // What the bands do not reach, once the area has grown, is background.
    for (const QRect &r : QRegion(dirty) - QRegion(covered))
        painter.fillRect(r, m_background);
}

CaptionLabel::CaptionLabel(bool autoSize, QWidget *parent)
    : QLabel(parent)
    , m_autoSize(autoSize)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(!autoSize);
}

void CaptionLabel::setCaption(const QString &caption)
{
    setText(caption);
    if (m_autoSize)
        adjustSize();
}

AnswerBox::AnswerBox(QWidget *parent)
    : QLineEdit(parent)
{
}

namespace {

// The character code a key press types, or -1 for a key that types none.
int typedCode(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Quiz::KeyEnter;
    case Qt::Key_Backspace:
        return Quiz::KeyBackspace;
    case Qt::Key_Delete:
        return -1;
    default:
        break;
    }
    const QString text = event->text();
    if (text.isEmpty())
        return -1;
    return text.at(0).unicode();
}

} // namespace

void AnswerBox::keyPressEvent(QKeyEvent *event)
{
    int code = typedCode(event);
    if (code < 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (keyPress)
        keyPress(code);
    if (code == 0 || code == Quiz::KeyEnter) {
        event->accept();
        return;
    }
    // A digit or Backspace: the box takes it, and its length limit keeps a
    // fifth character out.
    QLineEdit::keyPressEvent(event);
}

PictureButton::PictureButton(const QString &caption, const QColor &face, QWidget *parent)
    : QPushButton(caption, parent)
    , m_face(face)
{
    // Outside a dialog Qt presses a button with Enter only when asked to.
    setAutoDefault(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Button, face);
    setPalette(pal);
}

void PictureButton::setPictures(const QIcon &normal, const QIcon &pressed, const QIcon &disabled)
{
    m_normal = normal;
    m_pressed = pressed;
    m_disabled = disabled;
    update();
}

QIcon PictureButton::currentPicture() const
{
    if (!isEnabled() && !m_disabled.isNull())
        return m_disabled;
    if (isDown() && !m_pressed.isNull())
        return m_pressed;
    return m_normal;
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect frame = rect();
    QBrush face(m_face);
    qDrawWinButton(&painter, frame, palette(), isDown(), &face);

    constexpr int PictureSide = 32;
    constexpr int Gap = 2;
    const QFontMetrics metrics(font());
    const int textHeight = metrics.height();
    const int contentHeight = PictureSide + Gap + textHeight;
    const int shift = isDown() ? 1 : 0;
    const int top = (height() - contentHeight) / 2 + shift;

    const QRect pictureRect((width() - PictureSide) / 2 + shift, top, PictureSide, PictureSide);
    currentPicture().paint(&painter, pictureRect);

    const QRect textRect(shift, top + PictureSide + Gap, width(), textHeight);
    style()->drawItemText(&painter, textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic,
                          palette(), isEnabled(), text(), QPalette::ButtonText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = frame.adjusted(4, 4, -4, -4);
        focus.backgroundColor = m_face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
