#pragma once

#include "ProgramDialog.h"
#include "StyledButton.h"

#include <QLabel>

// The entries of Lang_Strings that a framed dialog shows.
struct Frame_Texts {
    int Title;
    int Desc;
    int Label;
    int OK;
    int OK_Hint;
    int Cancel;
    int Cancel_Hint;
};

// A dialog with the header, a caption (L_Caption) under it at 16, 72, and a button bar with OK and
// Cancel; Cancel closes it with the Cancel result.
class Framed_Dialog : public Program_Dialog {
    Q_OBJECT

public:
    QWidget *P_Title;
    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    QLabel *L_Caption;
    QWidget *P_Button;
    Styled_Button *Btn_OK;
    Styled_Button *Btn_Cancel;

protected:
    Framed_Dialog(QWidget *parent, Qt::WindowFlags flags);
    void Set_Frame_Lang(const Frame_Texts &texts);
};
