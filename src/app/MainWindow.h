#pragma once

#include "platform/MakerServer.h"
#include "update/UpdaterLaunch.h"
#include "widgets/StyledButton.h"

#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <array>
#include <functional>

class Click_Label;
class New_Configuration_Dialog;
class Open_Configuration_Dialog;
class About_Dialog;
class Options_Dialog;
class Update_Dialog;
class Communication_Dialog;

// The main window: the three steps, the active configuration, Information, Options and Close,
// the maker's address and the notice of a newer version. Its creation runs the start-up of the
// program folder; each other window is made when it is first shown and reused after that.
class Main_Window : public QWidget {
    Q_OBJECT

public:
    explicit Main_Window(const QString &app_dir);

    void Set_Lang();
    // Writes the settings file; a failure is shown with its reason. True when written.
    bool Save_Setting();
    void Create_New_Configuration();
    void Open_Chosen_Configuration();
    void Update_Device();
    void Change_Language();
    void Update_Check_Due();
    // Update_Check_Timer runs exactly while both online options are on; enabling it starts the
    // countdown afresh.
    void Apply_Timer_Rule();
    // Writes the job with Write_Job, starts the updater NomeSW and waits for it, at most
    // Updater_Wait_Limit_Ms; the windows keep painting meanwhile, and the update dialog shows
    // how long it has run. While another update of the program folder runs, it waits for that
    // one first, as long again at most. The dialog shows how it ended.
    Update_Outcome Start_Program(const QString &NomeSW, const std::function<void()> &Write_Job,
                                 const Updater_Extras &extras);

    // Where the version check asks; tests point it at a server of their own.
    QString Version_Server = Maker_Server;
    int Updater_Wait_Limit_Ms;

    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    QLabel *L_Begin;
    QFrame *Frame_Configuration;
    QLabel *L_Configuration;
    QLabel *L_Configuration_Line_2;
    Styled_Button *Btn_Info;
    Styled_Button *Btn_Options;
    Styled_Button *Btn_Close;
    std::array<QLabel *, 8> L_Step;
    Styled_Button *Btn_New;
    Styled_Button *Btn_Open;
    Styled_Button *Btn_Communication;
    Styled_Button *Btn_Update_Device;
    Click_Label *L_Maker_Link;
    QFrame *Line_Below_Buttons;
    QLabel *L_Update_Link;
    QTimer *Update_Check_Timer;

    // The other windows, each created on its first use (its Set_Lang runs then) and kept.
    New_Configuration_Dialog *New_Configuration_Window();
    Open_Configuration_Dialog *Open_Configuration_Window();
    About_Dialog *About_Window();
    Options_Dialog *Options_Window();
    Update_Dialog *Update_Window();
    Communication_Dialog *Communication_Window();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Built only when needed: a window that is never opened costs nothing at start-up.
    struct Dialogs {
        New_Configuration_Dialog *New_Configuration = nullptr;
        Open_Configuration_Dialog *Open_Configuration = nullptr;
        About_Dialog *About = nullptr;
        Options_Dialog *Options = nullptr;
        Update_Dialog *Update = nullptr;
        Communication_Dialog *Communication = nullptr;
    } Created;

    void Btn_Click(QObject *Sender);
    void Show_Active_Configuration();
    // Qt's own texts (standard buttons, context menus) in the language of Lang_Locale; English
    // when the language names no locale or its Qt texts are not in the LANGUAGE folder.
    void Apply_Qt_Texts();

    QTranslator Qt_Texts;
    bool Qt_Texts_Installed = false;
};
