#pragma once

#include "platform/IcmpEcho.h"
#include "update/EndpointProbe.h"
#include "update/UpdatePlan.h"
#include "update/UpdateRecord.h"
#include "update/UpdaterLaunch.h"
#include "widgets/ProgramDialog.h"
#include "widgets/StyledButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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
    // Shows how long the updater has run; empty hides it.
    void Show_Wait(qint64 elapsed_ms);
    // Shows what a running update waits for: the updater's time, or another update's lock.
    void Show_Progress(const Update_Progress &progress);
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
    QLabel *L_Status;
    QWidget *P_Button;
    QLabel *L_Wait;
    Styled_Button *Btn_Cancel;
    Styled_Button *Btn_Update;

    // How long the check after an update awaits the device while it restarts.
    int Device_Wait_Ms = Device_Restart_Wait_S * 1000;

public slots:
    void reject() override;

protected:
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Disables the address fields, the options and the buttons while an update runs.
    void Set_Busy(bool busy);
    void Record(const Update_Entry &entry);
    // Checks the device at the endpoints just sent, awaiting it while it restarts; the status
    // shows how long. Throws Core_Error when the check cannot run.
    QList<Endpoint_Result> Check_Device();
    // Shows what each endpoint said in the summary's place and keeps it in the entry; the
    // warning to give when one is silent, else an empty text.
    QString Show_Check(const QList<Endpoint_Result> &results, Update_Entry &entry);

    Start_Program_Function Start_Program;
    bool Busy = false;
};
