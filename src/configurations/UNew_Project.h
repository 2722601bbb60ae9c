#pragma once

#include "widgets/StyledButton.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>

// Create New Configuration: asks for a name, creates its folder with "bin" below PROJECTS and
// makes it the active configuration.
class TFNew_Project : public QDialog {
    Q_OBJECT

public:
    explicit TFNew_Project(QWidget *parent);
    void Set_Lang();
    void Btn_OKClick();

    QWidget *P_Title;
    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    QLabel *Label1;
    QLineEdit *E_New_Proj;
    QWidget *P_Button;
    Styled_Button *Btn_OK;
    Styled_Button *Btn_Cancel;

protected:
    void showEvent(QShowEvent *event) override;
};
