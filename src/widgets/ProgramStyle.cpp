#include "ProgramStyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPalette>
#include <QScreen>

void Apply_Program_Style(QApplication &app) {
    QFont font(QStringLiteral("Verdana"));
    if (QFontInfo(font).family() != QLatin1String("Verdana"))
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    app.setFont(font);
    QPalette palette = app.palette();
    palette.setColor(QPalette::Window, QColor(248, 247, 237));
    app.setPalette(palette);
}

void Style_Grey(QLabel *label, bool bold, int pixel_size) {
    QFont font = label->font();
    font.setBold(bold);
    if (pixel_size > 0)
        font.setPixelSize(pixel_size);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(128, 128, 128));
    label->setPalette(palette);
}

void Show_Elided(QLabel *label, const QString &text) {
    const QString shown =
        label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->contentsRect().width());
    label->setTextFormat(Qt::PlainText); // a name is never markup
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

void Center_On_Screen(QWidget *window) {
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The window itself, not its frame, is centred: the window manager's frame is known only
    // once the window has been shown, so a frame-based place would differ between the first
    // showing and the later ones.
    QRect area(QPoint(0, 0), window->size());
    area.moveCenter(screen->availableGeometry().center());
    window->setGeometry(area);
}

Click_Label::Click_Label(QWidget *parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

void Click_Label::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
