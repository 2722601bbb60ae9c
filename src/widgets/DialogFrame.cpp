#include "DialogFrame.h"

#include "ProgramStyle.h"
#include "language/LangStrings.h"
#include "shell/AppState.h"

#include <QPainter>

namespace {

// A panel with its own background and a 1 px line along one edge, painted by hand: a style
// sheet would put the whole dialog through the style-sheet engine.
class Edged_Panel : public QWidget {
public:
    Edged_Panel(QWidget *parent, const QColor &background, Qt::Edge edge)
        : QWidget(parent), Background(background), Edge(edge) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.fillRect(rect(), Background);
        painter.setPen(QColor(0xD8, 0xD5, 0xC4));
        const int y = Edge == Qt::TopEdge ? 0 : height() - 1;
        painter.drawLine(0, y, width() - 1, y);
    }

private:
    QColor Background;
    Qt::Edge Edge;
};

} // namespace

Dialog_Header Make_Dialog_Header(QWidget *dialog) {
    Dialog_Header header{new Edged_Panel(dialog, Qt::white, Qt::BottomEdge), nullptr, nullptr};
    header.P_Title->setObjectName(QStringLiteral("P_Title"));
    header.L_SW_Code = new QLabel(App.SW_Code, header.P_Title);
    Style_Grey(header.L_SW_Code, false, 32);
    header.L_SW_Code->move(16, 8);
    header.L_SW_Desc = new QLabel(header.P_Title);
    Style_Grey(header.L_SW_Desc, true);
    header.L_SW_Desc->move(16, 42);
    return header;
}

QWidget *Make_Button_Bar(QWidget *dialog) {
    auto *bar = new Edged_Panel(dialog, QColor(0xEF, 0xED, 0xE1), Qt::TopEdge);
    bar->setObjectName(QStringLiteral("P_Button"));
    return bar;
}

void Place_Dialog_Frame(QWidget *dialog, QWidget *header, QWidget *button_bar) {
    header->setGeometry(0, 0, dialog->width(), 69);
    button_bar->setGeometry(0, dialog->height() - 40, dialog->width(), 40);
}

void Set_Button_Lang(QAbstractButton *button, int caption, int hint) {
    button->setText(Lang_Strings.at(caption));
    button->setToolTip(Lang_Strings.at(hint));
}
