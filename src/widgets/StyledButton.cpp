#include "StyledButton.h"

namespace {

QString Button_Style(bool left_aligned) {
    return QStringLiteral(
               "QPushButton { background: #FFFFFF; color: #333333; border: 1px solid #B9B6A5;"
               " border-radius: 4px; padding: 0 10px; text-align: %1; }"
               "QPushButton:hover { background: #E6EEF8; border-color: #3D6A9E; }"
               "QPushButton:focus { border: 2px solid #3D6A9E; }"
               "QPushButton:pressed { background: #CFDDEF; }")
        .arg(left_aligned ? QStringLiteral("left") : QStringLiteral("center"));
}

} // namespace

Styled_Button::Styled_Button(QWidget *parent, bool left_aligned) : QPushButton(parent) {
    setAutoDefault(false);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(Button_Style(left_aligned));
}

Styled_Button::Styled_Button(QWidget *parent, const QString &picture, int size)
    : Styled_Button(parent) {
    setIcon(QIcon(picture));
    setIconSize(QSize(size - 10, size - 10));
    setFixedSize(size, size);
    setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: 1px solid transparent;"
                       " border-radius: 6px; }"
                       "QPushButton:hover { background: #E6EEF8; border-color: #3D6A9E; }"
                       "QPushButton:focus { border: 2px solid #3D6A9E; }"
                       "QPushButton:pressed { background: #CFDDEF; }"));
}
