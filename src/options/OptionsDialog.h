#pragma once

#include "platform/MakerServer.h"
#include "widgets/ProgramDialog.h"
#include "widgets/StyledButton.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QTabWidget>
#include <array>
#include <functional>

class Click_Label;

// Software Options: the language of the texts (picked from the flags of the installed language
// files), the online options with a check for a newer version on demand, the two table-editing
// options and whether the device is checked after an update. OK copies the choices into AppState;
// Cancel and the close box copy nothing.
class Options_Dialog : public Program_Dialog {
    Q_OBJECT

public:
    // What the dialog asks of the main window: re-apply every window's texts, and run the
    // update timer rule.
    struct Main_Window_Hooks {
        std::function<void()> Change_Language;
        std::function<void()> Timer_Rule;
    };

    static constexpr int Slots_Per_Page = 6;

    Options_Dialog(QWidget *parent, Main_Window_Hooks hooks);

    void Set_Lang();
    void Update_CheckBox();
    void Create_Lang_List();
    void Update_Lang_Page(int Num_Page);
    void Btn_NextClick(QObject *Sender);
    void LangClick(QObject *Sender);
    void Btn_Check_UpdateClick();
    void Btn_OKClick();
    int Page_Count() const;

    // Where the check button asks; tests point it at a server of their own.
    QString Version_Server = Maker_Server;

    QStringList SL_Languages;
    int Show_Page = 1;
    QString Language_In_Use;

    QWidget *P_Title;
    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    QTabWidget *PC_Options;
    QWidget *TS_Language;
    QLabel *L_Sel_Lang;
    std::array<Click_Label *, Slots_Per_Page> Flag_Slots;
    std::array<Click_Label *, Slots_Per_Page> Name_Slots;
    QLabel *L_Page_Lang;
    Styled_Button *Btn_Prev;
    Styled_Button *Btn_Next;
    QWidget *TS_Connection;
    QCheckBox *CB_Enable_Internet;
    QCheckBox *CB_Update_At_Start;
    Styled_Button *Btn_Check_Update;
    QLabel *LL_Check_Update;
    QWidget *TS_Soft_Settings;
    QCheckBox *CB_Jump_Field_Tables;
    QCheckBox *CB_DoubleClick_Auto_Size;
    QCheckBox *CB_Check_After_Update;
    QWidget *P_Button;
    Styled_Button *Btn_OK;
    Styled_Button *Btn_Cancel;

protected:
    void FormShow() override;

private:
    void Show_Page_Text(int page);
    Main_Window_Hooks Hooks;
};
