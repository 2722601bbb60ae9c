#include "NewConfigurationDialog.h"

#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "shell/Messages.h"
#include "widgets/DialogFrame.h"

New_Configuration_Dialog::New_Configuration_Dialog(QWidget *parent)
    : Framed_Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint) {
    E_Name = new QLineEdit(this);
    E_Name->setGeometry(16, 94, 297, 22);
    Btn_OK->move(85, 6);
    Btn_Cancel->move(203, 6);

    // Enter in the name presses OK, the dialog's default; on a focused button it presses that.
    Btn_OK->setDefault(true);
    setTabOrder(E_Name, Btn_OK);
    setTabOrder(Btn_OK, Btn_Cancel);
    connect(Btn_OK, &QPushButton::clicked, this, &New_Configuration_Dialog::Btn_OKClick);

    setFixedSize(331, 162);
    Place_Dialog_Frame(this, P_Title, P_Button);
    Set_Lang();
}

void New_Configuration_Dialog::Set_Lang() {
    Set_Frame_Lang({100, 101, 102, 103, 109, 104, 110});
    E_Name->setToolTip(Lang_Strings.at(108));
}

void New_Configuration_Dialog::Btn_OKClick() {
    Create_Result result = Create_OK;
    try {
        result = Create_Configuration(E_Name->text());
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

void New_Configuration_Dialog::FormShow() {
    E_Name->clear();
    E_Name->setFocus();
}
