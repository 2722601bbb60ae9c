#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

class Click_Label;

// About...: the product, its code, version and document code, and the maker's address. Its
// texts are fixed in English.
class TFAbout : public QDialog {
    Q_OBJECT

public:
    explicit TFAbout(QWidget *parent);

    Click_Label *Image2;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label6;
    QLabel *Label9;
    QLabel *Label3;
    QLabel *Label10;
    QLabel *Label8;
    QLabel *Label12;
    Click_Label *Label4;
    QPushButton *Btn_OK;

protected:
    void showEvent(QShowEvent *event) override;
};
