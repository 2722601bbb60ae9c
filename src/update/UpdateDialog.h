#pragma once

#include "platform/IcmpEcho.h"
#include "update/EndpointProbe.h"
#include "update/UpdatePlan.h"
#include "update/UpdateRecord.h"
#include "update/UpdateStatus.h"
#include "update/UpdaterLaunch.h"
#include "widgets/ProgramDialog.h"
#include "widgets/StatusArea.h"
#include "widgets/StyledButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

// Update Device by Ethernet: the device address, what to send and whether it is read back. The
// update button probes the device, writes the job file and runs the updater.
class Update_Dialog : public Program_Dialog {
    Q_OBJECT

public:
    // Writes the job with write_job, launches the updater with extras and waits for it: the main
    // window's Start_Program, which keeps the two together against other updates of the program
    // folder.
    using Start_Program_Function =
        std::function<Update_Outcome(const QString &program, const std::function<void()> &write_job,
                                     const Updater_Extras &extras)>;
    Update_Dialog(QWidget *parent, Start_Program_Function start_program);

    void Set_Lang();
    void Btn_UpdateClick();
    // The probe of address, naming it and counting the seconds in the status line. A device
    // that stays silent is named there; any other failure leaves its text in Probe_Failure.
    bool Send_Ping(const QString &address);
    // Writes the job file for address with the options chosen in the dialog.
    void Write_Job(const QString &address);
    // The four address fields joined with ".", each text as typed.
    QString Address_Text() const;
    // Shows how long the update has run, through every step; below 0 clears it.
    void Show_Wait(qint64 elapsed_ms);
    // Shows what a running update waits for: its updater, or another update's lock, which
    // Cancel may leave.
    void Show_Progress(const Update_Progress &progress);
    // Shows status in the status area: its picture, colour, headline and detail.
    void Show_Status(const Update_Status &status);
    // True once Cancel was pressed during a wait that it may end.
    bool Wait_Cancelled() const { return Cancel_Requested; }
    // Shows what an update will send with the option chosen now.
    void Show_Summary();
    // Asks for a range around the address in the fields, searches it for devices that answer
    // Modbus TCP, and fills the fields with the one picked.
    void Btn_Search_RangeClick();

    int Form_Type = 1;
    int ping_res = 0;
    QString Probe_Failure;
    // The ICMP client of the probe; tests put a scripted one here.
    std::unique_ptr<Icmp_Echo> Ping;

    QWidget *P_Title;
    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    QWidget *P_IP_Address;
    QLabel *L_IP_Address;
    std::array<QLineEdit *, 4> E_IP;
    Styled_Button *Btn_Search_Range;
    QWidget *P_Options;
    QLabel *L_Update_Option;
    QComboBox *CB_Update_Options;
    QCheckBox *CB_Update_Option_Read_Back;
    QWidget *P_Summary;
    QLabel *L_Summary;
    // What each endpoint said in the check after an update, below the summary of what was sent.
    QLabel *L_Check;
    Status_Area *P_Status;
    QLabel *L_Status; // the status area's detail
    QLabel *L_Wait;   // the status area's clock
    QWidget *P_Button;
    Styled_Button *Btn_Cancel;
    Styled_Button *Btn_Update;

    // How long the check after an update awaits the device while it restarts.
    int Device_Wait_Ms = Device_Restart_Wait_S * 1000;

public slots:
    void reject() override;

signals:
    void Cancel_Pressed();

protected:
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Enter acts only on a focused button: in an address field it starts nothing.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Disables the address fields, the options and the buttons while an update runs.
    void Set_Busy(bool busy);
    // Cancel may end the wait now (another update's lock, the check after the update), or not
    // (the probe, the updater itself).
    void Set_Cancellable(bool cancellable);
    void Btn_CancelClick();
    // After an update, a new address or option clears what the status area says of it.
    void Clear_Outcome();
    void Record(const Update_Entry &entry);
    // Checks the device at the endpoints just sent, awaiting it while it restarts, until Cancel
    // ends it; the status shows how long. Keeps the results in entry. Throws Core_Error when the
    // check cannot run.
    void Check_Device(Update_Entry &entry);

    Start_Program_Function Start_Program;
    bool Busy = false;
    bool Cancel_Requested = false;
    QElapsedTimer Update_Clock;
    QTimer Clock_Tick;
};
