#include "MainWindow.h"

#include "AboutDialog.h"
#include "app/Startup.h"
#include "configurations/Configurations.h"
#include "configurations/NewConfigurationDialog.h"
#include "configurations/OpenConfigurationDialog.h"
#include "image/Bank.h"
#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "options/OptionsDialog.h"
#include "options/VersionCheckWait.h"
#include "parameters/CommunicationDialog.h"
#include "platform/CoreError.h"
#include "shell/AppState.h"
#include "shell/Messages.h"
#include "shell/SettingsFile.h"
#include "update/UpdateDialog.h"
#include "update/UpdatePlan.h"
#include "widgets/Keys.h"
#include "widgets/ProgramStyle.h"
#include "widgets/WebPages.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>

namespace {

constexpr int First_Check_Ms = 60000;
constexpr int Next_Check_Ms = 7200000;
// How soon a check that found another one running looks again.
constexpr int Busy_Retry_Ms = 1000;

// A silver outline or line: a plain frame draws in its palette's text colour.
QFrame *Make_Frame(QWidget *parent, QFrame::Shape shape, const QRect &geometry) {
    auto *frame = new QFrame(parent);
    frame->setFrameStyle(shape | QFrame::Plain);
    frame->setLineWidth(1);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    frame->setPalette(palette);
    frame->setGeometry(geometry);
    return frame;
}

// The window in slot, made with arguments the first time it is asked for.
template <typename Dialog, typename... Arguments>
Dialog *Made_Once(Dialog *&slot, Arguments &&...arguments) {
    if (!slot)
        slot = new Dialog(std::forward<Arguments>(arguments)...);
    return slot;
}

} // namespace

Main_Window::Main_Window(const QString &app_dir)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      Updater_Wait_Limit_Ms(::Updater_Wait_Limit_Ms) {
    Lang_Strings.clear();

    L_SW_Code = new QLabel(this);
    Style_Grey(L_SW_Code, false, 32);
    L_SW_Code->move(16, 8);
    L_SW_Desc = new QLabel(this);
    Style_Grey(L_SW_Desc, true);
    L_SW_Desc->move(16, 42);
    L_Begin = new QLabel(this);
    Style_Grey(L_Begin, true);
    L_Begin->move(16, 84);
    Frame_Configuration = Make_Frame(this, QFrame::Box, QRect(80, 70, 348, 36));
    L_Configuration = new QLabel(this);
    Style_Grey(L_Configuration, false);
    L_Configuration->setGeometry(87, 75, 336, 13);
    L_Configuration_Line_2 = new QLabel(this);
    Style_Grey(L_Configuration_Line_2, false);
    L_Configuration_Line_2->setGeometry(87, 88, 336, 14);

    Btn_Info = new Styled_Button(this, QStringLiteral(":/pictures/info.svg"), 50);
    Btn_Info->move(516, 8);
    Btn_Options = new Styled_Button(this, QStringLiteral(":/pictures/options.svg"), 50);
    Btn_Options->move(574, 8);
    Btn_Close = new Styled_Button(this, QStringLiteral(":/pictures/close.svg"), 50);
    Btn_Close->move(632, 8);

    for (int n = 0; n < int(L_Step.size()); ++n) {
        L_Step[n] = new QLabel(this);
        Style_Grey(L_Step[n], true);
        L_Step[n]->move(16, 128 + 44 * n);
        L_Step[n]->setVisible(n < 3);
    }
    const auto step_button = [this](int left, int top) {
        auto *button = new Styled_Button(this, true);
        button->setGeometry(left, top, 170, 36);
        return button;
    };
    Btn_New = step_button(80, 112);
    Btn_Open = step_button(258, 112);
    Btn_Communication = step_button(80, 156);
    Btn_Update_Device = step_button(80, 200);

    L_Maker_Link = new Click_Label(this);
    Style_Grey(L_Maker_Link, true);
    L_Maker_Link->setText(QUrl(Maker_Server).host());
    L_Maker_Link->adjustSize();
    // At the top of step 3, moved left only as far as a long address needs.
    L_Maker_Link->move(qMin(565, 694 - 10 - L_Maker_Link->width()), 128 + 44 * 2);
    Line_Below_Buttons =
        Make_Frame(this, QFrame::HLine, QRect(10, Btn_Update_Device->y() + 51, 674, 1));
    L_Update_Link = new QLabel(this);
    L_Update_Link->move(208, 19);
    L_Update_Link->setTextFormat(Qt::RichText);
    L_Update_Link->hide();

    Update_Check_Timer = new QTimer(this);
    Update_Check_Timer->setInterval(First_Check_Ms);

    for (Styled_Button *button : {Btn_New, Btn_Open, Btn_Close, Btn_Info, Btn_Options,
                                  Btn_Communication, Btn_Update_Device})
        connect(button, &QPushButton::clicked, this, [this, button] { Btn_Click(button); });
    connect(Update_Check_Timer, &QTimer::timeout, this, &Main_Window::Update_Check_Due);
    connect(L_Update_Link, &QLabel::linkActivated, this,
            [](const QString &link) { Open_Web_Page(QUrl(link)); });
    connect(L_Maker_Link, &Click_Label::clicked, this,
            [] { Open_Web_Page(Maker_Url(Home_Page_Path)); });

    Start_Core(app_dir);
    Apply_Qt_Texts();
    Apply_Timer_Rule();
    setWindowTitle(App.Window_Title);
    L_SW_Code->setText(App.SW_Code);
    L_SW_Desc->setText(App.SW_Description);
    for (QLabel *label : {L_SW_Code, L_SW_Desc})
        label->adjustSize();
    Show_Active_Configuration();
    Set_Lang();
    setFixedSize(694, Btn_Update_Device->y() + 152);
}

New_Configuration_Dialog *Main_Window::New_Configuration_Window() {
    return Made_Once(Created.New_Configuration, this);
}

Open_Configuration_Dialog *Main_Window::Open_Configuration_Window() {
    return Made_Once(Created.Open_Configuration, this);
}

About_Dialog *Main_Window::About_Window() {
    return Made_Once(Created.About, this);
}

Options_Dialog *Main_Window::Options_Window() {
    return Made_Once(Created.Options, this,
                     Options_Dialog::Main_Window_Hooks{[this] { Change_Language(); },
                                                       [this] {
                                                           Apply_Timer_Rule();
                                                       }});
}

Update_Dialog *Main_Window::Update_Window() {
    return Made_Once(
        Created.Update, this,
        [this](const QString &program, const std::function<void()> &write_job,
               const Updater_Extras &extras) { return Start_Program(program, write_job, extras); });
}

Communication_Dialog *Main_Window::Communication_Window() {
    return Made_Once(Created.Communication, this);
}

void Main_Window::Set_Lang() {
    L_Begin->setText(Lang_Strings.at(0));
    for (int n = 0; n < int(L_Step.size()); ++n)
        L_Step[n]->setText(Lang_Strings.at(1 + n));
    const struct {
        Styled_Button *Button;
        int Caption; // -1: picture only
        int Hint;
    } buttons[] = {
        {Btn_Info, -1, 12},          {Btn_Options, -1, 13}, {Btn_Close, -1, 14},
        {Btn_New, 15, 21},           {Btn_Open, 16, 22},    {Btn_Communication, 20, 23},
        {Btn_Update_Device, 17, 24},
    };
    for (const auto &entry : buttons) {
        if (entry.Caption >= 0)
            entry.Button->setText(Lang_Strings.at(entry.Caption));
        entry.Button->setToolTip(Lang_Strings.at(entry.Hint));
    }
    for (QLabel *label : {L_Begin, L_Step[0], L_Step[1], L_Step[2], L_Step[3], L_Step[4], L_Step[5],
                          L_Step[6], L_Step[7]})
        label->adjustSize();
}

bool Main_Window::Save_Setting() {
    Forget_Missing_Configuration();
    try {
        const QString kept_aside = Save_Settings(App, Settings_File_Path(App));
        if (!kept_aside.isEmpty())
            Show_Warning(Lang_Strings.at(Text_Settings_Kept_Aside).arg(kept_aside));
        return true;
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
        return false;
    }
}

void Main_Window::Show_Active_Configuration() {
    const bool active = !App.Proj_Dir.isEmpty();
    L_Configuration->setText(Lang_Strings.at(active ? 11 : 9));
    if (active) {
        Show_Elided(L_Configuration_Line_2, App.Proj_Name);
    } else {
        L_Configuration_Line_2->setText(Lang_Strings.at(10));
        L_Configuration_Line_2->setToolTip(QString());
    }
}

void Main_Window::Create_New_Configuration() {
    if (New_Configuration_Window()->exec() == QDialog::Accepted)
        Show_Active_Configuration();
}

void Main_Window::Open_Chosen_Configuration() {
    // The dialog's list may have renamed or deleted the active configuration, even when it is
    // cancelled.
    if (Open_Configuration_Window()->exec() == QDialog::Accepted)
        Open_Configuration(Open_Configuration_Window()->Active_Name);
    Show_Active_Configuration();
}

void Main_Window::Update_Device() {
    try {
        // A configuration that may not be sent is not compiled: the dialog names what is wrong,
        // and its update button refuses it.
        if (!Configuration_Refusal(Update_Front::Window)) {
            Compile_Bank();
            Save_Bank();
        }
    } catch (const Core_Error &error) {
        // A stale or missing image must never reach the device unnoticed.
        Show_Standard_Error(error.message());
        return;
    }
    Update_Window()->Form_Type = 1;
    Update_Window()->exec();
}

Update_Outcome Main_Window::Start_Program(const QString &NomeSW,
                                          const std::function<void()> &Write_Job,
                                          const Updater_Extras &extras) {
    // The update dialog drops the user's input meanwhile, so every event is processed here:
    // none is held back to act once the updater has ended.
    return Run_Update_Job(
        NomeSW, Write_Job, Updater_Wait_Limit_Ms,
        [this](const Update_Progress &progress) {
            Update_Window()->Show_Progress(progress);
            QCoreApplication::processEvents();
        },
        extras);
}

void Main_Window::Apply_Qt_Texts() {
    if (Qt_Texts_Installed)
        QCoreApplication::removeTranslator(&Qt_Texts);
    const QString file = Qt_Translation_File(App.Language_Dir, Lang_Locale);
    // Only the file itself: QTranslator would otherwise try shorter names down the path.
    Qt_Texts_Installed = QFileInfo(file).isFile() && Qt_Texts.load(file) &&
                         QCoreApplication::installTranslator(&Qt_Texts);
}

void Main_Window::Change_Language() {
    Apply_Qt_Texts();
    Set_Lang();
    // A window not made yet takes the texts of the moment when it is made.
    if (Created.Update)
        Created.Update->Set_Lang();
    if (Created.New_Configuration)
        Created.New_Configuration->Set_Lang();
    if (Created.Open_Configuration)
        Created.Open_Configuration->Set_Lang();
    if (Created.Options)
        Created.Options->Set_Lang();
    if (Created.Communication)
        Created.Communication->Set_Lang();
}

void Main_Window::Apply_Timer_Rule() {
    if (!Update_Timer_Wanted())
        Update_Check_Timer->stop();
    else if (!Update_Check_Timer->isActive())
        Update_Check_Timer->start();
}

void Main_Window::Update_Check_Due() {
    Update_Check_Timer->stop();
    // A check from the options dialog is waiting for its answer: one request at a time.
    if (Version_Check_Running()) {
        Update_Check_Timer->start(Busy_Retry_Ms);
        return;
    }
    if (Check_Version_Without_Freezing(Version_Server)) {
        L_Update_Link->setText(Download_Page_Link(Lang_Strings.at(19)));
        L_Update_Link->adjustSize();
        L_Update_Link->show();
    } else {
        L_Update_Link->hide();
    }
    Update_Check_Timer->setInterval(Next_Check_Ms);
    Update_Check_Timer->start();
}

void Main_Window::Btn_Click(QObject *Sender) {
    if (Sender == Btn_New) {
        Create_New_Configuration();
    } else if (Sender == Btn_Open) {
        Open_Chosen_Configuration();
    } else if (Sender == Btn_Close) {
        close();
    } else if (Sender == Btn_Info) {
        About_Window()->exec();
    } else if (Sender == Btn_Options) {
        if (Options_Window()->exec() == QDialog::Accepted) {
            Save_Setting();
            Apply_Timer_Rule();
        }
    } else if (App.Proj_Dir.isEmpty()) {
        Show_Error(Lang_Strings.at(18));
    } else if (Sender == Btn_Communication) {
        Communication_Window()->exec();
    } else if (Sender == Btn_Update_Device) {
        Update_Device();
    }
}

void Main_Window::keyPressEvent(QKeyEvent *event) {
    // As on Windows, Enter presses the focused button as Space does (the buttons of the main
    // window are no dialog's default buttons, which alone take Enter in Qt).
    auto *button = qobject_cast<QAbstractButton *>(focusWidget());
    if (button && Is_Enter(*event)) {
        if (!event->isAutoRepeat())
            button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Main_Window::closeEvent(QCloseEvent *event) {
    Save_Setting();
    event->accept();
}
