#include "DialogFrame.h"

#include "ProgramStyle.h"
#include "language/LangStrings.h"
#include "shell/AppState.h"

Dialog_Header Make_Dialog_Header(QWidget *dialog) {
    Dialog_Header header{new QWidget(dialog), nullptr, nullptr};
    header.P_Title->setObjectName(QStringLiteral("P_Title"));
    header.P_Title->setAttribute(Qt::WA_StyledBackground);
    header.P_Title->setStyleSheet(
        QStringLiteral("#P_Title { background: #FFFFFF; border-bottom: 1px solid #D8D5C4; }"));
    header.L_SW_Code = new QLabel(App.SW_Code, header.P_Title);
    Style_Grey(header.L_SW_Code, false, 32);
    header.L_SW_Code->move(16, 8);
    header.L_SW_Desc = new QLabel(header.P_Title);
    Style_Grey(header.L_SW_Desc, true);
    header.L_SW_Desc->move(16, 42);
    return header;
}

QWidget *Make_Button_Bar(QWidget *dialog) {
    auto *bar = new QWidget(dialog);
    bar->setObjectName(QStringLiteral("P_Button"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setStyleSheet(
        QStringLiteral("#P_Button { background: #EFEDE1; border-top: 1px solid #D8D5C4; }"));
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
