#include "UNew_Project.h"

#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "shell/Messages.h"
#include "widgets/DialogFrame.h"
#include "widgets/ProgramStyle.h"

TFNew_Project::TFNew_Project(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    const Dialog_Header header = Make_Dialog_Header(this);
    P_Title = header.P_Title;
    L_SW_Code = header.L_SW_Code;
    L_SW_Desc = header.L_SW_Desc;
    Label1 = new QLabel(this);
    Label1->move(16, 72);
    E_New_Proj = new QLineEdit(this);
    E_New_Proj->setGeometry(16, 94, 297, 22);
    P_Button = Make_Button_Bar(this);
    Btn_OK = new Styled_Button(P_Button);
    Btn_OK->setGeometry(85, 6, 110, 28);
    Btn_Cancel = new Styled_Button(P_Button);
    Btn_Cancel->setGeometry(203, 6, 110, 28);

    connect(E_New_Proj, &QLineEdit::returnPressed, this, &TFNew_Project::Btn_OKClick);
    connect(Btn_OK, &QPushButton::clicked, this, &TFNew_Project::Btn_OKClick);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(331, 162);
    Place_Dialog_Frame(this, P_Title, P_Button);
    Set_Lang();
}

void TFNew_Project::Set_Lang() {
    setWindowTitle(Lang_Strings.at(100));
    L_SW_Desc->setText(Lang_Strings.at(101));
    Label1->setText(Lang_Strings.at(102));
    E_New_Proj->setToolTip(Lang_Strings.at(108));
    Btn_OK->setText(Lang_Strings.at(103));
    Btn_OK->setToolTip(Lang_Strings.at(109));
    Btn_Cancel->setText(Lang_Strings.at(104));
    Btn_Cancel->setToolTip(Lang_Strings.at(110));
    for (QLabel *label : {L_SW_Desc, Label1})
        label->adjustSize();
}

void TFNew_Project::Btn_OKClick() {
    const Create_Result result = Create_Configuration(E_New_Proj->text());
    if (result != Create_OK) {
        Show_Error(Lang_Strings.at(result));
        return;
    }
    accept();
}

void TFNew_Project::showEvent(QShowEvent *event) {
    E_New_Proj->clear();
    E_New_Proj->setFocus();
    Center_On_Screen(this);
    QDialog::showEvent(event);
}
