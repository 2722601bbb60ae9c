#include "StyledButton.h"

#include <QEvent>
#include <QPainter>

namespace {

// Painted by hand rather than through a style sheet: a style sheet puts every widget of the
// window through the style-sheet engine, which costs more at start-up than the whole window.
const QColor Face(0xFF, 0xFF, 0xFF);
const QColor Face_Hover(0xE6, 0xEE, 0xF8);
const QColor Face_Pressed(0xCF, 0xDD, 0xEF);
const QColor Border(0xB9, 0xB6, 0xA5);
const QColor Border_Active(0x3D, 0x6A, 0x9E);
const QColor Text(0x33, 0x33, 0x33);
const QColor Text_Disabled(0xA0, 0xA0, 0xA0);
constexpr int Caption_Padding = 11; // the border and 10 px inside it

} // namespace

Styled_Button::Styled_Button(QWidget *parent, bool left_aligned)
    : QPushButton(parent), Left_Aligned(left_aligned) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

Styled_Button::Styled_Button(QWidget *parent, const QString &picture, int size)
    : Styled_Button(parent) {
    Picture_Only = true;
    setIcon(QIcon(picture));
    setIconSize(QSize(size - 10, size - 10));
    setFixedSize(size, size);
}

void Styled_Button::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool hover = isEnabled() && underMouse();
    const bool focus = hasFocus();
    const bool pressed = isDown();
    QColor face = Picture_Only ? QColor(Qt::transparent) : Face;
    if (pressed)
        face = Face_Pressed;
    else if (hover)
        face = Face_Hover;
    QColor border = Picture_Only ? QColor(Qt::transparent) : Border;
    if (hover || focus)
        border = Border_Active;
    const qreal width = focus ? 2 : 1;
    const qreal radius = Picture_Only ? 6 : 4;
    painter.setPen(QPen(border, width));
    painter.setBrush(face);
    const qreal inset = width / 2;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius, radius);

    if (Picture_Only) {
        const QRect area(QPoint(0, 0), iconSize());
        icon().paint(&painter, QRect(rect().center() - area.center(), iconSize()), Qt::AlignCenter,
                     isEnabled() ? QIcon::Normal : QIcon::Disabled);
        return;
    }
    painter.setPen(isEnabled() ? Text : Text_Disabled);
    painter.setFont(font());
    painter.drawText(Caption_Area(),
                     Qt::AlignVCenter | (Left_Aligned ? Qt::AlignLeft : Qt::AlignHCenter) |
                         Qt::TextShowMnemonic,
                     text());
}

QRect Styled_Button::Caption_Area() const {
    return rect().adjusted(Caption_Padding, 0, -Caption_Padding, 0);
}

bool Styled_Button::event(QEvent *event) {
    // The face follows the pointer.
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave)
        update();
    return QPushButton::event(event);
}
