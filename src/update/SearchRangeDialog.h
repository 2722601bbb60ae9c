#pragma once

#include "update/EndpointProbe.h"
#include "widgets/ProgramDialog.h"
#include "widgets/StyledButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

class Range_Scan;

// Search Devices: asks for an IPv4 range and a port, lists the hosts in it that answer Modbus TCP
// with what they say they are (and, greyed, those that accept a connection without a Modbus
// answer), and hands back the address the user picks. The search runs while the
// dialog stays usable; closing the dialog stops it.
class Search_Range_Dialog : public Program_Dialog {
    Q_OBJECT

public:
    explicit Search_Range_Dialog(QWidget *parent);
    ~Search_Range_Dialog() override;

    void Set_Lang();
    void Btn_SearchClick();
    void Btn_UseClick();

    // The range in the field when the dialog is shown.
    QString Proposed_Range;
    // The address picked; set when the dialog is accepted.
    QString Picked_Address;
    quint16 Port = 502; // the port in the field when the dialog is shown; the one searched after
    int Timeout_Ms = 500;

    QWidget *P_Title;
    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    QLabel *L_Range;
    QLineEdit *E_Range;
    QLabel *L_Port;
    QLineEdit *E_Port;
    Styled_Button *Btn_Search;
    QLabel *L_Status;
    QTreeWidget *LV_Devices;
    QWidget *P_Button;
    Styled_Button *Btn_Close;
    Styled_Button *Btn_Use;

public slots:
    void reject() override;

protected:
    void FormShow() override;

private:
    void Show_Found(const QList<Endpoint_Result> &found);
    Range_Scan *Scan;
};
