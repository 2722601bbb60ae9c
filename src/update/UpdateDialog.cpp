#include "UpdateDialog.h"

#include "image/Bank.h"
#include "image/BankReport.h"
#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "shell/Messages.h"
#include "update/JobFile.h"
#include "update/ModbusCheck.h"
#include "update/Probe.h"
#include "update/SearchRangeDialog.h"
#include "update/UpdatePlan.h"
#include "update/UpdaterLaunch.h"
#include "widgets/DialogFrame.h"
#include "widgets/Keys.h"
#include "widgets/Waiting.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QTimer>

namespace {

constexpr int Header_Height = 69;
constexpr int Address_Height = 49;
constexpr int Options_Height = 72;
constexpr int Summary_Height = 100;
constexpr int Check_Height = 34;
constexpr int Status_Height = 92;
constexpr int Button_Height = 40;
constexpr int Client_Width = 449;

QWidget *Make_Panel(QWidget *parent, int top, int height) {
    auto *panel = new QWidget(parent);
    panel->setGeometry(0, top, Client_Width, height);
    return panel;
}

// How each state of an update looks in the status area.
Status_Area::Tone Tone_Of(Update_State state) {
    switch (state) {
    case Update_State::Running:
        return Status_Area::Tone::Busy;
    case Update_State::Succeeded:
        return Status_Area::Tone::Good;
    case Update_State::Device_Silent:
    case Update_State::Wait_Ran_Out:
    case Update_State::Check_Failed:
        return Status_Area::Tone::Warning;
    case Update_State::Failed:
        return Status_Area::Tone::Bad;
    case Update_State::Cancelled:
        return Status_Area::Tone::Neutral;
    case Update_State::Idle:
        break;
    }
    return Status_Area::Tone::None;
}

// Processes window messages for 10 ms: the probe's wait between two looks for an answer.
void Wait_Step() {
    QEventLoop loop;
    QTimer::singleShot(Ping_Probe::Step_Ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The image the update sends, as it lies in the configuration; empty when there is none.
QByteArray Image_File() {
    try {
        return Read_Input_File(Bank_File_Path(App.Proj_Dir), Bank_Read_Limit);
    } catch (const Core_Error &) {
        return QByteArray();
    }
}

} // namespace

Update_Dialog::Update_Dialog(QWidget *parent, Start_Program_Function start_program)
    : Program_Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint),
      Ping(Make_Icmp_Echo()), Start_Program(std::move(start_program)) {
    const Dialog_Header header = Make_Dialog_Header(this);
    P_Title = header.P_Title;
    L_SW_Code = header.L_SW_Code;
    L_SW_Desc = header.L_SW_Desc;

    P_IP_Address = Make_Panel(this, Header_Height, Address_Height);
    L_IP_Address = new QLabel(P_IP_Address);
    L_IP_Address->move(16, 6);
    for (int i = 0; i < 4; ++i) {
        E_IP[i] = new QLineEdit(QStringLiteral("0"), P_IP_Address);
        E_IP[i]->setGeometry(16 + 52 * i, 22, 40, 22);
        E_IP[i]->setAlignment(Qt::AlignCenter);
        E_IP[i]->installEventFilter(this);
        if (i > 0) {
            auto *dot = new QLabel(QStringLiteral("."), P_IP_Address);
            dot->move(16 + 52 * i - 8, 26);
        }
    }
    Btn_Search_Range = new Styled_Button(P_IP_Address);
    Btn_Search_Range->setGeometry(16 + 52 * 4, 21, 100, 24);

    P_Options = Make_Panel(this, Header_Height + Address_Height, Options_Height);
    L_Update_Option = new QLabel(P_Options);
    L_Update_Option->move(16, 4);
    CB_Update_Options = new QComboBox(P_Options);
    CB_Update_Options->setEditable(false);
    CB_Update_Options->setGeometry(16, 20, 240, 24);
    CB_Update_Option_Read_Back = new QCheckBox(P_Options);
    CB_Update_Option_Read_Back->move(16, 48);
    CB_Update_Option_Read_Back->setChecked(true);

    // What is sent stays in view; what the device said after the update comes below it.
    P_Summary = Make_Panel(this, Header_Height + Address_Height + Options_Height,
                           Summary_Height + Check_Height + Status_Height);
    L_Summary = new QLabel(P_Summary);
    L_Summary->setGeometry(16, 2, Client_Width - 32, Summary_Height - 4);
    L_Summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    L_Summary->setWordWrap(true);
    L_Summary->setTextFormat(Qt::PlainText);
    L_Check = new QLabel(P_Summary);
    L_Check->setGeometry(16, Summary_Height, Client_Width - 32, Check_Height);
    L_Check->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    L_Check->setTextFormat(Qt::PlainText);
    P_Status = new Status_Area(P_Summary);
    P_Status->setGeometry(8, Summary_Height + Check_Height, Client_Width - 16, Status_Height - 6);
    L_Status = P_Status->L_Detail;
    L_Wait = P_Status->L_Elapsed;
    Clock_Tick.setInterval(250);
    connect(&Clock_Tick, &QTimer::timeout, this, [this] { Show_Wait(Update_Clock.elapsed()); });

    P_Button = Make_Button_Bar(this);
    Btn_Cancel = new Styled_Button(P_Button);
    Btn_Cancel->setGeometry(Client_Width - 16 - 170 - 8 - 100, 6, 100, 28);
    Btn_Update = new Styled_Button(P_Button);
    Btn_Update->setGeometry(Client_Width - 16 - 170, 6, 170, 28);

    connect(Btn_Cancel, &QPushButton::clicked, this, &Update_Dialog::Btn_CancelClick);
    connect(Btn_Update, &QPushButton::clicked, this, &Update_Dialog::Btn_UpdateClick);
    connect(CB_Update_Options, &QComboBox::currentIndexChanged, this, [this] {
        if (isVisible()) {
            Clear_Outcome();
            Show_Summary();
        }
    });
    for (QLineEdit *field : E_IP)
        connect(field, &QLineEdit::textChanged, this, &Update_Dialog::Clear_Outcome);
    connect(Btn_Search_Range, &QPushButton::clicked, this, &Update_Dialog::Btn_Search_RangeClick);
    Set_Lang();
}

void Update_Dialog::Set_Lang() {
    setWindowTitle(Lang_Strings.at(602));
    L_SW_Desc->setText(Lang_Strings.at(603));
    L_IP_Address->setText(Lang_Strings.at(606));
    for (int i = 0; i < 4; ++i)
        E_IP[i]->setToolTip(Lang_Strings.at(621 + i));
    L_Update_Option->setText(Lang_Strings.at(614));
    CB_Update_Options->clear();
    CB_Update_Options->addItems({Lang_Strings.at(615), Lang_Strings.at(616), Lang_Strings.at(617)});
    CB_Update_Options->setCurrentIndex(0);
    CB_Update_Options->setToolTip(Lang_Strings.at(632));
    CB_Update_Option_Read_Back->setText(Lang_Strings.at(618));
    CB_Update_Option_Read_Back->setToolTip(Lang_Strings.at(633));
    Set_Button_Lang(Btn_Cancel, 619, 634);
    Set_Button_Lang(Btn_Update, 620, 635);
    Set_Button_Lang(Btn_Search_Range, 610, 766);
    for (QLabel *label : {L_SW_Desc, L_IP_Address, L_Update_Option})
        label->adjustSize();
    CB_Update_Option_Read_Back->adjustSize();
}

void Update_Dialog::FormShow() {
    Set_Lang();
    L_SW_Code->setText(App.SW_Code);
    L_SW_Code->adjustSize();
    // Update over Ethernet: the address panel and the options panel stacked under the header.
    setFixedSize(Client_Width, Header_Height + Address_Height + Options_Height + Summary_Height +
                                   Check_Height + Status_Height + Button_Height);
    Place_Dialog_Frame(this, P_Title, P_Button);
    setTabOrder(E_IP[3], Btn_Search_Range);
    setTabOrder(Btn_Search_Range, CB_Update_Options);
    setTabOrder(CB_Update_Options, CB_Update_Option_Read_Back);
    setTabOrder(CB_Update_Option_Read_Back, Btn_Cancel);
    setTabOrder(Btn_Cancel, Btn_Update);
    std::array<QString, 4> parts;
    if (!App.Last_IP_Address.isEmpty() && Split_IP_Address(App.Last_IP_Address, parts)) {
        for (int i = 0; i < 4; ++i)
            E_IP[i]->setText(parts[i]);
    }
    CB_Update_Options->setCurrentIndex(App.Last_Update_Option);
    CB_Update_Option_Read_Back->setChecked(App.Last_Read_Back);
    Clear_Outcome();
    Show_Summary();
    E_IP[0]->setFocus(Qt::TabFocusReason);
}

void Update_Dialog::Show_Summary() {
    std::optional<QString> refusal;
    try {
        refusal = Configuration_Refusal(Update_Front::Window);
    } catch (const Core_Error &error) {
        refusal = error.message();
    }
    QStringList lines = Update_Summary(App.Proj_Name, refusal ? QByteArray() : Image_File(),
                                       CB_Update_Options->currentIndex());
    if (refusal)
        lines.insert(1, *refusal);
    L_Summary->setText(lines.join(QLatin1Char('\n')));
}

void Update_Dialog::Btn_Search_RangeClick() {
    Search_Range_Dialog search(this);
    search.Proposed_Range = Range_Around(Address_Text());
    std::array<QString, 4> parts;
    if (search.exec() == QDialog::Accepted && Split_IP_Address(search.Picked_Address, parts)) {
        for (int i = 0; i < 4; ++i)
            E_IP[i]->setText(parts[i]);
    }
}

QString Update_Dialog::Address_Text() const {
    return E_IP[0]->text() + QLatin1Char('.') + E_IP[1]->text() + QLatin1Char('.') +
           E_IP[2]->text() + QLatin1Char('.') + E_IP[3]->text();
}

bool Update_Dialog::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->text() == QLatin1String(".")) {
        for (int i = 0; i < 3; ++i) {
            if (watched == E_IP[i] && E_IP[i + 1]->isEnabled())
                E_IP[i + 1]->setFocus(Qt::TabFocusReason);
        }
        return true; // a "." never enters an address field
    }
    return QDialog::eventFilter(watched, event);
}

bool Update_Dialog::Send_Ping(const QString &address) {
    QElapsedTimer clock;
    clock.start();
    const auto step = [this, &clock, &address] {
        Show_Status(Running_Status(Lang_Strings.at(660).arg(address).arg(clock.elapsed() / 1000)));
        Wait_Step();
    };
    Ping_Probe probe(*Ping, step, [&clock] { return quint32(clock.elapsed()); });
    const bool reachable = probe.Send_Ping(address);
    ping_res = probe.ping_res;
    if (!reachable && ping_res != 2)
        // The system's reason, and where to look when it is the network's answer.
        Probe_Failure =
            Lang_Strings.at(637) +
            (probe.Error.isEmpty() ? QString() : QLatin1Char('\n') + Escape_Controls(probe.Error)) +
            (probe.Permission_Missing ? QString() : QLatin1Char('\n') + Lang_Strings.at(797));
    return reachable;
}

void Update_Dialog::Write_Job(const QString &address) {
    Write_Update_Job({address, CB_Update_Options->currentIndex(),
                      CB_Update_Option_Read_Back->isChecked(), App.Master_Dir, App.Proj_Dir,
                      Join_Path(App.App_Dir, Updater_File_Name)},
                     Join_Path(App.App_Dir, Job_File_Name));
}

void Update_Dialog::Record(const Update_Entry &entry) {
    try {
        Append_Update_Record(App.Proj_Dir, entry);
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
    }
}

void Update_Dialog::Set_Busy(bool busy) {
    Busy = busy;
    for (QWidget *control : std::initializer_list<QWidget *>{
             E_IP[0], E_IP[1], E_IP[2], E_IP[3], CB_Update_Options, Btn_Search_Range,
             CB_Update_Option_Read_Back, Btn_Cancel, Btn_Update})
        control->setEnabled(!busy);
    if (busy) {
        Update_Clock.start();
        Clock_Tick.start();
        Show_Wait(0);
    } else {
        Clock_Tick.stop();
        Btn_Update->setFocus(Qt::OtherFocusReason);
    }
}

void Update_Dialog::Set_Cancellable(bool cancellable) {
    Btn_Cancel->setEnabled(cancellable);
}

void Update_Dialog::Btn_CancelClick() {
    if (!Busy) {
        reject();
    } else if (Btn_Cancel->isEnabled()) {
        // Only a wait ends here; the running update records that it was left.
        Cancel_Requested = true;
        emit Cancel_Pressed();
    }
}

void Update_Dialog::Clear_Outcome() {
    if (Busy)
        return;
    Show_Status({});
    L_Check->clear();
    L_Check->setToolTip(QString());
    Show_Wait(-1);
}

void Update_Dialog::Show_Status(const Update_Status &status) {
    // The probe and the waits call this many times a second: relay only what changed.
    if (L_Status->text() == status.Detail && P_Status->L_Headline->text() == status.Headline &&
        P_Status->Shown_Tone() == Tone_Of(status.State))
        return;
    P_Status->Set(Tone_Of(status.State), status.Headline, status.Detail);
}

void Update_Dialog::Btn_UpdateClick() {
    if (Busy)
        return; // a probe or an updater is running already
    // What is remembered and sent is what the fields held at the press.
    const QString address = Address_Text();
    Update_Entry entry =
        New_Update_Entry(QStringLiteral("window"), address, CB_Update_Options->currentIndex(),
                         CB_Update_Option_Read_Back->isChecked());
    QElapsedTimer clock;
    clock.start();
    Clear_Outcome();
    // Nothing reaches the device unseen: every check runs before the probe, and the image is
    // compiled again from the parameters that passed them.
    try {
        if (const std::optional<QString> refusal = Device_Address_Refusal(address)) {
            entry.Outcome = Update_Result::Address_Refused;
            entry.Reason = *refusal;
            Record(entry);
            Show_Error(*refusal);
            return;
        }
        if (const std::optional<QString> refusal =
                Update_Refusal(entry.Option, Update_Front::Window)) {
            entry.Outcome = Update_Result::Refused;
            entry.Reason = *refusal;
            Record(entry);
            Show_Status(Ended_Status(entry, {}));
            Show_Error(*refusal);
            return;
        }
        Compile_Bank();
        Save_Bank();
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
        return;
    }
    Show_Summary();
    entry.Image = Image_File();
    if (Sends_Firmware(entry.Option))
        entry.Firmware_Path = Firmware_Path();

    Update_Outcome outcome;
    bool reachable = false;
    bool job_not_written = false;
    QString start_record_failure;
    Probe_Failure.clear();
    Cancel_Requested = false;
    // A start line, so that an update whose program is killed meanwhile leaves a trace.
    Updater_Extras extras;
    extras.Output_Log = Join_Path(App.Proj_Dir, Updater_Log_File_Name);
    extras.Started = [&entry, &start_record_failure](qint64 pid) {
        try {
            Record_Updater_Start(App.Proj_Dir, entry, pid);
        } catch (const Core_Error &error) {
            start_record_failure = error.message();
        }
    };
    extras.Lock_Wait_Cancelled = [this] { return Wait_Cancelled(); };
    {
        // One update per press: what the user clicks or types while it runs is dropped, but
        // for Cancel while it may end a wait.
        const Input_Drop drop(Btn_Cancel);
        Set_Busy(true);
        const auto idle = qScopeGuard([this] { Set_Busy(false); });
        reachable = Send_Ping(address);
        if (reachable) {
            App.Last_IP_Address = address;
            App.Last_Update_Option = entry.Option;
            App.Last_Read_Back = entry.Read_Back;
            try {
                outcome = Start_Program(
                    Join_Path(App.App_Dir, Updater_File_Name),
                    [this, &address] { Write_Job(address); }, extras);
            } catch (const Core_Error &error) {
                // The job file could not be written: the updater was not started.
                entry.Outcome = Update_Result::Not_Started;
                entry.Reason = error.message();
                job_not_written = true;
            }
            Set_Cancellable(false);
            if (outcome.Result == Update_Run::Updater_Ended && outcome.Exit_Code == 0 &&
                App.Check_After_Update && Sends_Configuration(entry.Option)) {
                try {
                    Check_Device(entry);
                } catch (const Core_Error &error) {
                    entry.Reason = Lang_Strings.at(780).arg(error.message());
                }
            }
        }
    }
    if (!reachable) {
        entry.Outcome = ping_res == 2 ? Update_Result::Device_Silent : Update_Result::Probe_Failed;
        entry.Reason = Probe_Failure;
    } else if (entry.Outcome.isEmpty()) {
        switch (outcome.Result) {
        case Update_Run::Updater_Ended: {
            entry.Outcome = Update_Result::Updater_Ended;
            entry.Exit_Code = outcome.Exit_Code;
            break;
        }
        case Update_Run::Wait_Ran_Out:
            entry.Outcome = Update_Result::Wait_Ran_Out;
            break;
        case Update_Run::Folder_Busy:
            entry.Outcome = Update_Result::Lock_Busy;
            entry.Reason = outcome.Reason;
            break;
        case Update_Run::Cancelled:
            entry.Outcome = Update_Result::Cancelled;
            entry.Reason = Lang_Strings.at(688).arg(outcome.Reason);
            break;
        case Update_Run::Not_Started:
            entry.Outcome = Update_Result::Not_Started;
            entry.Reason = outcome.Reason;
            break;
        }
    }
    entry.Elapsed_Ms = clock.elapsed();
    Show_Wait(entry.Elapsed_Ms);
    Record(entry);
    const Update_Status status = Ended_Status(entry, outcome);
    Show_Status(status);
    if (!start_record_failure.isEmpty())
        Show_Standard_Error(start_record_failure);
    // Messages come once input is taken again, so that they can be answered; those that the
    // status area shows in full need none.
    if (entry.Outcome == Update_Result::Device_Silent)
        Show_Warning(status.Detail);
    else if (entry.Outcome == Update_Result::Probe_Failed)
        Show_Error(entry.Reason);
    else if (job_not_written)
        Show_Standard_Error(entry.Reason);
    // The user must hear of an update that could not run: another update kept the program
    // folder all the while, or the updater could not be started.
    else if (entry.Outcome == Update_Result::Not_Started ||
             entry.Outcome == Update_Result::Lock_Busy)
        Show_Error(entry.Reason);
}

void Update_Dialog::Check_Device(Update_Entry &entry) {
    Device_Check check;
    check.Start(Sent_Endpoints(), After_Update_Check(Device_Wait_Ms));
    QElapsedTimer clock;
    clock.start();
    const auto show = [this, &clock] {
        Show_Status(Running_Status(Lang_Strings.at(777).arg(clock.elapsed() / 1000)));
    };
    show();
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, show);
    tick.start(1000);
    // Cancel may leave the check: the device was sent its update already.
    Set_Cancellable(true);
    if (check.Running()) {
        QEventLoop loop;
        connect(&check, &Device_Check::Finished, &loop, &QEventLoop::quit);
        connect(this, &Update_Dialog::Cancel_Pressed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    Set_Cancellable(false);
    entry.Check_Cancelled = check.Running();
    const QStringList names = Configuration_Endpoint_Names();
    entry.Device_Check = Check_Results_Json(check.Results(), names);
    Set_Elided_Lines(L_Check, Check_Result_Lines(check.Results(), names));
}

void Update_Dialog::Show_Wait(qint64 elapsed_ms) {
    if (elapsed_ms < 0)
        L_Wait->clear();
    else
        L_Wait->setText(Minutes_And_Seconds(elapsed_ms));
}

void Update_Dialog::Show_Progress(const Update_Progress &progress) {
    // Another update's lock may be left; the updater, once it runs, may not be stopped.
    Set_Cancellable(progress.Waiting_For_Lock);
    Show_Status(progress.Waiting_For_Lock ? Running_Status(Update_Progress_Text(progress))
                                          : Updater_Running_Status());
    Show_Wait(Update_Clock.elapsed());
}

void Update_Dialog::keyPressEvent(QKeyEvent *event) {
    // A focused button took Enter itself; anywhere else it does nothing, lest an address field
    // start an update or the search.
    if (Is_Enter(*event))
        return;
    Program_Dialog::keyPressEvent(event);
}

void Update_Dialog::reject() {
    // Cancel, Esc and the close box do nothing while an update runs.
    if (!Busy)
        QDialog::reject();
}

void Update_Dialog::closeEvent(QCloseEvent *event) {
    if (Busy)
        event->ignore();
    else
        Program_Dialog::closeEvent(event);
}
