#pragma once

#include "widgets/FramedDialog.h"

#include <QLineEdit>

// Create New Configuration: asks for a name, creates its folder with "bin" below PROJECTS and
// makes it the active configuration.
class New_Configuration_Dialog : public Framed_Dialog {
    Q_OBJECT

public:
    explicit New_Configuration_Dialog(QWidget *parent);
    void Set_Lang();
    void Btn_OKClick();

    QLineEdit *E_Name;

protected:
    void FormShow() override;
};
