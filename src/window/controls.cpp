// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/controls.h"

#include "quiz/background.h"
#include "quiz/questions.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <cmath>

namespace {

// The colours of a Windows bevel: two rings, each lit at its top and left
// and shaded at its bottom and right.
struct Bevel
{
    QColor outerLit, outerShaded, innerLit, innerShaded;
};

// Draws `bevel` around `rect`, each ring `ring` pixels wide, and fills what
// lies inside with `fill`, if given. With 1-pixel rings it draws what Qt's
// qDrawWinButton and qDrawWinPanel draw; wider rings keep their look at a
// larger scale, where those draw hairlines.
void drawBevel(QPainter &painter, const QRect &rect, const Bevel &bevel, int ring, const QBrush *fill)
{
    const QColor colours[2][2] = {{bevel.outerLit, bevel.outerShaded}, {bevel.innerLit, bevel.innerShaded}};
    for (int i = 0; i < 2; ++i) {
        const QRect r = rect.adjusted(i * ring, i * ring, -i * ring, -i * ring);
        if (r.width() < 2 * ring || r.height() < 2 * ring)
            return;
        painter.fillRect(QRect(r.left(), r.top(), r.width() - ring, ring), colours[i][0]);
        painter.fillRect(QRect(r.left(), r.top(), ring, r.height() - ring), colours[i][0]);
        painter.fillRect(QRect(r.left(), r.bottom() - ring + 1, r.width(), ring), colours[i][1]);
        painter.fillRect(QRect(r.right() - ring + 1, r.top(), ring, r.height()), colours[i][1]);
    }
    if (fill)
        painter.fillRect(rect.adjusted(2 * ring, 2 * ring, -2 * ring, -2 * ring), *fill);
}

} // namespace

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
    if (m_autoSize) {
        adjustSize();
        m_fitted = true;
    }
}

void CaptionLabel::rescale(const Layout::DesignScale &scale)
{
    if (frameShape() != QFrame::NoFrame)
        setLineWidth(scale.pixels(1));
    if (m_fitted)
        adjustSize();
}

AnswerBox::AnswerBox(QWidget *parent)
    : QLineEdit(parent)
{
    // The box draws its own sunken frame, which grows with the window.
    setFrame(false);
    setTextMargins(2, 2, 2, 2);
}

void AnswerBox::rescale(const Layout::DesignScale &scale)
{
    m_ring = scale.pixels(1);
    setTextMargins(2 * m_ring, 2 * m_ring, 2 * m_ring, 2 * m_ring);
    update();
}

void AnswerBox::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    const QPalette &p = palette();
    drawBevel(painter, rect(), {p.color(QPalette::Dark), p.color(QPalette::Light), p.color(QPalette::Shadow),
                                p.color(QPalette::Midlight)}, m_ring, nullptr);
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

void PictureButton::rescale(const Layout::DesignScale &scale)
{
    m_scale = scale;
    update();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect frame = rect();
    const QBrush face(m_face);
    const QPalette &p = palette();
    const int ring = m_scale.pixels(1);
    if (isDown()) {
        drawBevel(painter, frame, {p.color(QPalette::Shadow), p.color(QPalette::Light), p.color(QPalette::Dark),
                                   p.color(QPalette::Button)}, ring, &face);
    } else {
        drawBevel(painter, frame, {p.color(QPalette::Light), p.color(QPalette::Shadow), p.color(QPalette::Button),
                                   p.color(QPalette::Dark)}, ring, &face);
    }

    // At the design's size: a 32-pixel picture, 2 pixels above the caption,
    // both moved a pixel down and right while the button is held down.
    const int pictureSide = m_scale.pixels(32);
    const int gap = m_scale.pixels(2);
    const QFontMetrics metrics(font());
    const int textHeight = metrics.height();
    const int contentHeight = pictureSide + gap + textHeight;
    const int shift = isDown() ? ring : 0;
    const int top = (height() - contentHeight) / 2 + shift;

    const QRect pictureRect((width() - pictureSide) / 2 + shift, top, pictureSide, pictureSide);
    currentPicture().paint(&painter, pictureRect);

    const QRect textRect(shift, top + pictureSide + gap, width(), textHeight);
    style()->drawItemText(&painter, textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic,
                          palette(), isEnabled(), text(), QPalette::ButtonText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        const int inset = 4 * ring;
        focus.rect = frame.adjusted(inset, inset, -inset, -inset);
        focus.backgroundColor = m_face;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
