#include "CollapsiblePanel.h"

#include "Keys.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int Body_Margin = 12;

// The title bar of a panel: its caption after a mark that points down while the panel is
// expanded and right while it is collapsed.
class Panel_Title : public QWidget {
public:
    explicit Panel_Title(Collapsible_Panel *panel) : QWidget(panel), Panel(panel) {
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        // A Tab stop, so that a keyboard user folds it with Space or Enter.
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool hot = underMouse();
        QLinearGradient fill(0, 0, 0, height());
        fill.setColorAt(0, hot ? QColor(0xF4, 0xF7, 0xFB) : QColor(0xF6, 0xF4, 0xEA));
        fill.setColorAt(1, hot ? QColor(0xDD, 0xE7, 0xF3) : QColor(0xE6, 0xE3, 0xD4));
        painter.fillRect(rect(), fill);
        painter.setPen(QColor(0xCF, 0xCB, 0xB8));
        painter.drawLine(0, height() - 1, width(), height() - 1);
        painter.setPen(QColor(0xFF, 0xFF, 0xFF));
        painter.drawLine(0, 0, width(), 0);

        const QPointF centre(16, height() / 2.0);
        QPainterPath mark;
        if (Panel->Collapsed()) {
            mark.moveTo(centre + QPointF(-2, -4));
            mark.lineTo(centre + QPointF(2, 0));
            mark.lineTo(centre + QPointF(-2, 4));
        } else {
            mark.moveTo(centre + QPointF(-4, -2));
            mark.lineTo(centre + QPointF(0, 2));
            mark.lineTo(centre + QPointF(4, -2));
        }
        painter.setPen(
            QPen(QColor(0x3D, 0x6A, 0x9E), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(mark);

        painter.setFont(Panel->Caption_Font());
        painter.setPen(QColor(0x33, 0x33, 0x33));
        painter.drawText(Panel->Caption_Area(), Qt::AlignVCenter | Qt::AlignLeft, Panel->Caption());
        if (hasFocus()) {
            painter.setPen(QPen(QColor(0x3D, 0x6A, 0x9E), 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
        }
    }

    void keyPressEvent(QKeyEvent *event) override {
        if ((event->key() == Qt::Key_Space || Is_Enter(*event)) && !event->isAutoRepeat()) {
            Panel->Set_Collapsed(!Panel->Collapsed());
            return;
        }
        QWidget::keyPressEvent(event);
    }

    void focusInEvent(QFocusEvent *event) override {
        update();
        QWidget::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override {
        update();
        QWidget::focusOutEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent *event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            Panel->Set_Collapsed(!Panel->Collapsed());
    }

private:
    Collapsible_Panel *Panel;
};

} // namespace

Collapsible_Panel::Collapsible_Panel(Collapsible_Group *group) : QWidget(group->Stack_Area) {
    Title = new Panel_Title(this);
    Title->setFixedHeight(group->Title_Height());
    Body_Area = new QWidget(this);
    Body_Area->setAutoFillBackground(true);
    QPalette palette = Body_Area->palette();
    palette.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xFF));
    Body_Area->setPalette(palette);
    hide();
    Apply_Height();
}

void Collapsible_Panel::Set_Caption(const QString &caption) {
    Caption_Text = caption;
    Title->update();
}

QFont Collapsible_Panel::Caption_Font() const {
    QFont bold = Title->font();
    bold.setBold(true);
    return bold;
}

QRect Collapsible_Panel::Caption_Area() const {
    // Right of the mark, in the title bar's own coordinates.
    return Title->rect().adjusted(30, 0, -8, 0);
}

void Collapsible_Panel::Set_Collapsed(bool collapsed) {
    Is_Collapsed = collapsed;
    Body_Area->setVisible(!collapsed);
    Apply_Height();
    Title->update();
}

void Collapsible_Panel::Fit_Below(const QWidget *last) {
    Body_Height = last->geometry().bottom() + 1 + Body_Margin;
    Apply_Height();
}

void Collapsible_Panel::Apply_Height() {
    setFixedHeight(Title->height() + (Is_Collapsed ? 0 : Body_Height));
}

void Collapsible_Panel::resizeEvent(QResizeEvent *event) {
    Title->setGeometry(0, 0, width(), Title->height());
    Body_Area->setGeometry(0, Title->height(), width(), Body_Height);
    QWidget::resizeEvent(event);
}

Collapsible_Group::Collapsible_Group(QWidget *parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The group is no Tab stop of its own; its panels' controls are.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    Stack_Area = new QWidget;
    Stack_Layout = new QVBoxLayout(Stack_Area);
    Stack_Layout->setContentsMargins(0, 0, 0, 0);
    Stack_Layout->setSpacing(0);
    setWidget(Stack_Area);
}

void Collapsible_Group::Stack(const QList<Collapsible_Panel *> &panels) {
    while (QLayoutItem *item = Stack_Layout->takeAt(0))
        delete item;
    for (Collapsible_Panel *panel : panels) {
        Stack_Layout->addWidget(panel);
        panel->show();
    }
    Stack_Layout->addStretch(1);
}

void Collapsible_Group::Scroll_Line(bool up) {
    verticalScrollBar()->triggerAction(up ? QAbstractSlider::SliderSingleStepSub
                                          : QAbstractSlider::SliderSingleStepAdd);
}
