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
class TFNew_Project;
class TFOpenConf;
class TFAbout;
class TFSoftOptions;
class TFBoot;
class TFParGen2;

// The main window: the three steps, the active configuration, Information, Options and Close,
// the maker's address and the notice of a newer version. Its creation runs the start-up of the
// program folder; each other window is made when it is first shown and reused after that.
class TFDededorezidFirmWare : public QWidget {
    Q_OBJECT

public:
    explicit TFDededorezidFirmWare(const QString &app_dir);

    void Set_Lang();
    // Writes the settings file; a failure is shown with its reason. True when written.
    bool Save_Setting();
    void Create_New_Project();
    void Open_Project();
    void Update_Device();
    void Change_Language();
    void Timer_UpdateTimer();
    // Timer_Update runs exactly while both online options are on; enabling it starts the
    // countdown afresh.
    void Apply_Timer_Rule();
    // Writes the job with Write_Job, starts the updater NomeSW and waits for it, at most
    // Updater_Wait_Limit_Ms; the windows keep painting meanwhile, and the update dialog shows
    // how long it has run. While another update of the program folder runs, it waits for that
    // one first, as long again at most. The dialog shows how it ended.
    Update_Outcome Start_Program(const QString &NomeSW, const std::function<void()> &Write_Job);

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

    // The other windows, each created on its first use (its Set_Lang runs then) and kept.
    TFNew_Project *FNew_Project();
    TFOpenConf *FOpenConf();
    TFAbout *FAbout();
    TFSoftOptions *FSoftOptions();
    TFBoot *FBoot();
    TFParGen2 *FParGen2();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Built only when needed: a window that is never opened costs nothing at start-up.
    struct Dialogs {
        TFNew_Project *New_Project = nullptr;
        TFOpenConf *OpenConf = nullptr;
        TFAbout *About = nullptr;
        TFSoftOptions *SoftOptions = nullptr;
        TFBoot *Boot = nullptr;
        TFParGen2 *ParGen2 = nullptr;
    } Created;

    void Btn_Click(QObject *Sender);
    void Show_Active_Configuration();
    // Qt's own texts (standard buttons, context menus) in the language of Lang_Locale; English
    // when the language names no locale or its Qt texts are not in the LANGUAGE folder.
    void Apply_Qt_Texts();

    QTranslator Qt_Texts;
    bool Qt_Texts_Installed = false;
};
