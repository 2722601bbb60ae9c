#include "UBoot.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Comon.h"
#include "shell/Messages.h"
#include "update/JobFile.h"
#include "update/ModbusCheck.h"
#include "update/Probe.h"
#include "update/USearchRange.h"
#include "update/UpdaterLaunch.h"
#include "widgets/DialogFrame.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

namespace {

constexpr int Header_Height = 69;
constexpr int Address_Height = 49;
constexpr int Options_Height = 72;
constexpr int Button_Height = 40;
constexpr int Client_Width = 449;

QWidget *Make_Panel(QWidget *parent, int top, int height) {
    auto *panel = new QWidget(parent);
    panel->setGeometry(0, top, Client_Width, height);
    return panel;
}

// Processes window messages for 10 ms: the probe's wait between two looks for an answer.
void Wait_Step() {
    QEventLoop loop;
    QTimer::singleShot(Ping_Probe::Step_Ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

TFBoot::TFBoot(QWidget *parent, Start_Program_Function start_program)
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
    L_Wait = new QLabel(P_Options);
    L_Wait->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    P_Button = Make_Button_Bar(this);
    Btn_Cancel = new Styled_Button(P_Button);
    Btn_Cancel->setGeometry(Client_Width - 16 - 170 - 8 - 100, 6, 100, 28);
    Btn_Update = new Styled_Button(P_Button);
    Btn_Update->setGeometry(Client_Width - 16 - 170, 6, 170, 28);

    connect(Btn_Cancel, &QPushButton::clicked, this, &TFBoot::reject);
    connect(Btn_Update, &QPushButton::clicked, this, &TFBoot::Btn_UpdateClick);
    connect(Btn_Search_Range, &QPushButton::clicked, this, &TFBoot::Btn_Search_RangeClick);
    Set_Lang();
}

void TFBoot::Set_Lang() {
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
    // The updater's running time stands beside Read Back, right-aligned above the update
    // button: the button bar has no room for it left of the buttons.
    const QRect read_back = CB_Update_Option_Read_Back->geometry();
    const int wait_left = read_back.right() + 16;
    L_Wait->setGeometry(wait_left, read_back.y(), Client_Width - 16 - wait_left,
                        read_back.height());
}

void TFBoot::FormShow() {
    Set_Lang();
    L_SW_Code->setText(App.SW_Code);
    L_SW_Code->adjustSize();
    // Update over Ethernet: the address panel and the options panel stacked under the header.
    setFixedSize(Client_Width, Header_Height + Address_Height + Options_Height + Button_Height);
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
    Show_Wait(-1);
    E_IP[0]->setFocus(Qt::TabFocusReason);
}

void TFBoot::Btn_Search_RangeClick() {
    TFSearch_Range search(this);
    search.Proposed_Range = Range_Around(Address_Text());
    std::array<QString, 4> parts;
    if (search.exec() == QDialog::Accepted && Split_IP_Address(search.Picked_Address, parts)) {
        for (int i = 0; i < 4; ++i)
            E_IP[i]->setText(parts[i]);
    }
}

QString TFBoot::Address_Text() const {
    return E_IP[0]->text() + QLatin1Char('.') + E_IP[1]->text() + QLatin1Char('.') +
           E_IP[2]->text() + QLatin1Char('.') + E_IP[3]->text();
}

bool TFBoot::eventFilter(QObject *watched, QEvent *event) {
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

bool TFBoot::Send_Ping(const QString &address) {
    QElapsedTimer clock;
    clock.start();
    Ping_Probe probe(*Ping, Wait_Step, [&clock] { return quint32(clock.elapsed()); });
    const bool reachable = probe.Send_Ping(address);
    ping_res = probe.ping_res;
    if (!reachable && ping_res == 2)
        Show_Warning(Lang_Strings.at(636));
    else if (!reachable)
        Show_Error(probe.Permission_Missing ? Lang_Strings.at(637) + QLatin1Char('\n') + probe.Error
                                            : Lang_Strings.at(637));
    return reachable;
}

void TFBoot::Compile_XML_Parameter(const QString &address) {
    Write_Update_Job({address, CB_Update_Options->currentIndex(),
                      CB_Update_Option_Read_Back->isChecked(), App.Master_Dir, App.Proj_Dir},
                     Join_Path(App.App_Dir, Job_File_Name));
}

void TFBoot::Btn_UpdateClick() {
    if (Busy)
        return; // a probe or an updater is running already
    Busy = true;
    // The fields stay editable while the probe waits; what is remembered and sent to the
    // updater must be the address that answered.
    const QString address = Address_Text();
    if (Send_Ping(address)) {
        App.Last_IP_Address = address;
        App.Last_Update_Option = CB_Update_Options->currentIndex();
        App.Last_Read_Back = CB_Update_Option_Read_Back->isChecked();
        try {
            Start_Program(Join_Path(App.App_Dir, Updater_File_Name),
                          [this, &address] { Compile_XML_Parameter(address); });
        } catch (const Core_Error &error) {
            Show_Standard_Error(error.message());
        }
        Show_Wait(-1);
    }
    Busy = false;
    if (Cancel_Pending) {
        Cancel_Pending = false;
        reject();
    }
}

void TFBoot::Show_Wait(qint64 elapsed_ms) {
    if (elapsed_ms < 0) {
        L_Wait->clear();
        return;
    }
    L_Wait->setText(Updater_Wait_Text(elapsed_ms));
}

void TFBoot::reject() {
    // Cancel during an update takes effect when the update sequence has finished.
    if (Busy) {
        Cancel_Pending = true;
        return;
    }
    QDialog::reject();
}
