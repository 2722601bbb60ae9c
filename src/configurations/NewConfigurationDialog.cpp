#include "UNew_Project.h"

#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "shell/Messages.h"
#include "widgets/DialogFrame.h"

TFNew_Project::TFNew_Project(QWidget *parent)
    : Framed_Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint) {
    E_New_Proj = new QLineEdit(this);
    E_New_Proj->setGeometry(16, 94, 297, 22);
    Btn_OK->move(85, 6);
    Btn_Cancel->move(203, 6);

    connect(E_New_Proj, &QLineEdit::returnPressed, this, &TFNew_Project::Btn_OKClick);
    connect(Btn_OK, &QPushButton::clicked, this, &TFNew_Project::Btn_OKClick);

    setFixedSize(331, 162);
    Place_Dialog_Frame(this, P_Title, P_Button);
    Set_Lang();
}

void TFNew_Project::Set_Lang() {
    Set_Frame_Lang({100, 101, 102, 103, 109, 104, 110});
    E_New_Proj->setToolTip(Lang_Strings.at(108));
}

void TFNew_Project::Btn_OKClick() {
    Create_Result result = Create_OK;
    try {
        result = Create_Configuration(E_New_Proj->text());
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
        return;
    }
    if (result != Create_OK) {
        Show_Error(Lang_Strings.at(result));
        return;
    }
    accept();
}

void TFNew_Project::FormShow() {
    E_New_Proj->clear();
    E_New_Proj->setFocus();
}
