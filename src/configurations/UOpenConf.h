#pragma once

#include "widgets/StyledButton.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>

// Open Configuration: lists the configuration folders and returns the chosen name in
// Name_Conf, preselecting the active configuration.
class TFOpenConf : public QDialog {
    Q_OBJECT

public:
    explicit TFOpenConf(QWidget *parent);
    void Set_Lang();
    void Load_Existing_Configuration();

    QStringList SL;
    QString Name_Conf;

    QWidget *P_Title;
    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    QLabel *Label1;
    QListWidget *ListBox1;
    QWidget *P_Button;
    Styled_Button *Btn_OK;
    Styled_Button *Btn_Cancel;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};
