#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

class Click_Label;

// About...: the product, its code, version and document code, and the maker's address. Its
// texts are fixed in English.
class About_Dialog : public QDialog {
    Q_OBJECT

public:
    explicit About_Dialog(QWidget *parent);

    Click_Label *Logo;
    QLabel *L_Title;
    QLabel *L_Description;
    QLabel *L_Code_Caption;
    QLabel *L_Code;
    QLabel *L_Version_Caption;
    QLabel *L_Version;
    QLabel *L_Document_Caption;
    QLabel *L_Document;
    Click_Label *L_Maker_Link;
    QPushButton *Btn_OK;

protected:
    void showEvent(QShowEvent *event) override;
};
