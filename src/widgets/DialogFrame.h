#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

// The header panel that every dialog but the About dialog carries: the software code in large
// grey type and the dialog's own title under it.
struct Dialog_Header {
    QWidget *P_Title;
    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
};

// A header of 69 px across the top of dialog; L_SW_Code shows App.SW_Code.
Dialog_Header Make_Dialog_Header(QWidget *dialog);

// The button bar of 40 px across the bottom of dialog.
QWidget *Make_Button_Bar(QWidget *dialog);

// Keeps the header across the top and the button bar across the bottom after a resize.
void Place_Dialog_Frame(QWidget *dialog, QWidget *header, QWidget *button_bar);

// A button's caption and hint from Lang_Strings.
void Set_Button_Lang(QAbstractButton *button, int caption, int hint);
