#pragma once

#include "platform/MakerServer.h"
#include "widgets/StyledButton.h"

#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class Click_Label;
class TFNew_Project;
class TFOpenConf;
class TFAbout;
class TFBoot;
class TFParGen2;

// The main window: the three steps, the active configuration, Information, Options and Close,
// the maker's address and the notice of a newer version. Its creation runs the start-up of the
// program folder; the other windows are made once by Create_Dialogs and reused.
class TFDededorezidFirmWare : public QWidget {
    Q_OBJECT

public:
    explicit TFDededorezidFirmWare(const QString &app_dir);

    // Creates the other windows, once each, in start-up order.
    void Create_Dialogs();

    void Set_Lang();
    // Writes the settings file; a failure is shown with its reason. True when written.
    bool Save_Setting();
    void Create_New_Project();
    void Open_Project();
    void Update_Device();
    void Change_Language();
    void Timer_UpdateTimer();
    // Writes the job with Write_Job, starts the updater NomeSW and waits for it, at most
    // Updater_Wait_Limit_Ms; the windows keep painting and take no input meanwhile, and the
    // update dialog shows how long it has run. While another update of the program folder runs,
    // it waits for that one first, as long again at most, and then gives up with a message.
    void Start_Program(const QString &NomeSW, const std::function<void()> &Write_Job);

    // Where the version check asks; tests point it at a server of their own.
    QString Version_Server = Maker_Server;
    int Updater_Wait_Limit_Ms;

    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    QLabel *L_Begin;
    QFrame *Shape2;
    QLabel *L_Name_Conf;
    QLabel *L_Name_Conf_L2;
    Styled_Button *Btn_Info;
    Styled_Button *Btn_Opz;
    Styled_Button *Btn_Close;
    std::array<QLabel *, 8> L_Step;
    Styled_Button *Btn_New;
    Styled_Button *Btn_Open;
    Styled_Button *Btn_Prm_Gen;
    Styled_Button *Btn_CreateBin;
    Click_Label *L_Velmor;
    QFrame *Shape1;
    QLabel *LL_Update;
    QTimer *Timer_Update;

    TFNew_Project *FNew_Project = nullptr;
    TFOpenConf *FOpenConf = nullptr;
    TFAbout *FAbout = nullptr;
    TFBoot *FBoot = nullptr;
    TFParGen2 *FParGen2 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Btn_Click(QObject *Sender);
    void Show_Active_Configuration();
    void Apply_Timer_Rule();
};
