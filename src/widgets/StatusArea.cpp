#include "StatusArea.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int Picture_Size = 32;
constexpr int Margin = 8;

} // namespace

Status_Area::Status_Area(QWidget *parent) : QWidget(parent) {
    L_Headline = new QLabel(this);
    L_Headline->setObjectName(QStringLiteral("L_Status_Headline"));
    L_Headline->setTextFormat(Qt::PlainText);
    QFont large = L_Headline->font();
    large.setBold(true);
    // The program's font is set in pixels on some platforms, in points on others.
    if (large.pixelSize() > 0)
        large.setPixelSize(qRound(large.pixelSize() * 1.45));
    else
        large.setPointSizeF(large.pointSizeF() * 1.45);
    L_Headline->setFont(large);
    L_Elapsed = new QLabel(this);
    L_Elapsed->setObjectName(QStringLiteral("L_Elapsed"));
    L_Elapsed->setFont(large);
    L_Elapsed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    L_Detail = new QLabel(this);
    L_Detail->setObjectName(QStringLiteral("L_Status"));
    L_Detail->setTextFormat(Qt::PlainText);
    L_Detail->setWordWrap(true);
    L_Detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QColor Status_Area::Colour(Tone tone) {
    switch (tone) {
    case Tone::Busy:
        return {0x2F, 0x6D, 0xB5};
    case Tone::Good:
        return {0x2E, 0x7D, 0x32};
    case Tone::Warning:
        return {0xB8, 0x6E, 0x00};
    case Tone::Bad:
        return {0xC6, 0x28, 0x28};
    case Tone::Neutral:
        return {0x6B, 0x6B, 0x6B};
    case Tone::None:
        break;
    }
    return {0x33, 0x33, 0x33};
}

void Status_Area::Set(Tone tone, const QString &headline, const QString &detail) {
    Current = tone;
    // Laid out already, even while hidden, so that the detail is fitted to its room.
    Lay_Out();
    L_Headline->setText(headline);
    Set_Wrapped_Or_Elided(L_Detail, detail);
    QPalette palette = L_Headline->palette();
    palette.setColor(QPalette::WindowText, Colour(tone));
    L_Headline->setPalette(palette);
    L_Elapsed->setPalette(palette);
    update();
}

void Status_Area::resizeEvent(QResizeEvent *event) {
    Lay_Out();
    QWidget::resizeEvent(event);
}

void Status_Area::Lay_Out() {
    const int left = Margin + Picture_Size + Margin;
    const int line = L_Headline->fontMetrics().height();
    const int elapsed_width = L_Elapsed->fontMetrics().horizontalAdvance(QStringLiteral("00:00"));
    L_Headline->setGeometry(left, Margin - 2, width() - left - elapsed_width - 2 * Margin, line);
    L_Elapsed->setGeometry(width() - Margin - elapsed_width, Margin - 2, elapsed_width, line);
    L_Detail->setGeometry(left, Margin + line, width() - left - Margin,
                          height() - Margin - line - 4);
}

void Status_Area::paintEvent(QPaintEvent *) {
    if (Current == Tone::None)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = Colour(Current);
    QColor tint = colour;
    tint.setAlpha(28);
    painter.fillRect(rect(), tint);
    painter.fillRect(QRect(0, 0, 4, height()), colour);

    const QRectF disc(Margin, Margin, Picture_Size, Picture_Size);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(disc);
    painter.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    const QPointF c = disc.center();
    QPainterPath mark;
    switch (Current) {
    case Tone::Busy: // a clock at ten past
        painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
        painter.drawEllipse(c, 10, 10);
        mark.moveTo(c + QPointF(0, -7));
        mark.lineTo(c);
        mark.lineTo(c + QPointF(5, 3));
        break;
    case Tone::Good:
        mark.moveTo(c + QPointF(-8, 0));
        mark.lineTo(c + QPointF(-2, 6));
        mark.lineTo(c + QPointF(8, -6));
        break;
    case Tone::Warning:
        mark.moveTo(c + QPointF(0, -9));
        mark.lineTo(c + QPointF(0, 3));
        mark.moveTo(c + QPointF(0, 8.5));
        mark.lineTo(c + QPointF(0, 8.6));
        break;
    case Tone::Bad:
        mark.moveTo(c + QPointF(-6.5, -6.5));
        mark.lineTo(c + QPointF(6.5, 6.5));
        mark.moveTo(c + QPointF(6.5, -6.5));
        mark.lineTo(c + QPointF(-6.5, 6.5));
        break;
    case Tone::Neutral:
        mark.moveTo(c + QPointF(-7, 0));
        mark.lineTo(c + QPointF(7, 0));
        break;
    case Tone::None:
        break;
    }
    painter.drawPath(mark);
}

bool Wrapped_Fits(const QLabel *label, const QString &text) {
    const QRect room = label->contentsRect();
    return label->fontMetrics()
               .boundingRect(room, int(label->alignment()) | Qt::TextWordWrap, text)
               .height() <= room.height();
}

void Set_Wrapped_Or_Elided(QLabel *label, const QString &text) {
    if (Wrapped_Fits(label, text)) {
        label->setText(text);
        label->setToolTip(QString());
        return;
    }
    // The longest beginning that fits with "…" after it.
    const QChar ellipsis(0x2026);
    qsizetype fits = 0;
    qsizetype too_long = text.size();
    while (too_long - fits > 1) {
        const qsizetype middle = (fits + too_long) / 2;
        if (Wrapped_Fits(label, text.left(middle) + ellipsis))
            fits = middle;
        else
            too_long = middle;
    }
    label->setText(text.left(fits) + ellipsis);
    label->setToolTip(text);
}

void Set_Elided_Lines(QLabel *label, const QStringList &lines) {
    const int room = label->contentsRect().width() - 2 * label->margin();
    QStringList shown;
    bool cut = false;
    for (const QString &line : lines) {
        shown << label->fontMetrics().elidedText(line, Qt::ElideRight, room);
        cut = cut || shown.last() != line;
    }
    label->setText(shown.join(QLatin1Char('\n')));
    label->setToolTip(cut ? lines.join(QLatin1Char('\n')) : QString());
}
