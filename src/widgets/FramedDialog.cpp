#include "FramedDialog.h"

#include "DialogFrame.h"
#include "language/LangStrings.h"

Framed_Dialog::Framed_Dialog(QWidget *parent, Qt::WindowFlags flags)
    : Program_Dialog(parent, flags) {
    const Dialog_Header header = Make_Dialog_Header(this);
    P_Title = header.P_Title;
    L_SW_Code = header.L_SW_Code;
    L_SW_Desc = header.L_SW_Desc;
    L_Caption = new QLabel(this);
    L_Caption->move(16, 72);
    P_Button = Make_Button_Bar(this);
    Btn_OK = new Styled_Button(P_Button);
    Btn_OK->resize(110, 28);
    Btn_Cancel = new Styled_Button(P_Button);
    Btn_Cancel->resize(110, 28);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Framed_Dialog::Set_Frame_Lang(const Frame_Texts &texts) {
    setWindowTitle(Lang_Strings.at(texts.Title));
    L_SW_Desc->setText(Lang_Strings.at(texts.Desc));
    L_Caption->setText(Lang_Strings.at(texts.Label));
    Set_Button_Lang(Btn_OK, texts.OK, texts.OK_Hint);
    Set_Button_Lang(Btn_Cancel, texts.Cancel, texts.Cancel_Hint);
    for (QLabel *label : {L_SW_Desc, L_Caption})
        label->adjustSize();
}
