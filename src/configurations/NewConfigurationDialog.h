#pragma once

#include "widgets/FramedDialog.h"

#include <QLineEdit>

// Create New Configuration: asks for a name, creates its folder with "bin" below PROJECTS and
// makes it the active configuration.
class TFNew_Project : public Framed_Dialog {
    Q_OBJECT

public:
    explicit TFNew_Project(QWidget *parent);
    void Set_Lang();
    void Btn_OKClick();

    QLineEdit *E_New_Proj;

protected:
    void FormShow() override;
};
