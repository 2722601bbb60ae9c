#pragma once

#include "parameters/ParGen.h"
#include "widgets/CollapsiblePanel.h"
#include "widgets/ProgramDialog.h"
#include "widgets/StyledButton.h"

#include <QCheckBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <array>
#include <vector>

class QWheelEvent;

// Set Communication: the two Modbus TCP endpoints and the offsets of the active configuration,
// one field per key of its parameter file. Every showing loads the file; OK writes it once all
// rules pass, holding the configuration's lock from reading the file again to replacing it, so
// that a change another program made meanwhile is kept where this one did not edit; Cancel and
// the close box write nothing.
class Communication_Dialog : public Program_Dialog {
    Q_OBJECT

public:
    explicit Communication_Dialog(QWidget *parent);

    void Set_Lang();
    // Runs the rules on the fields. The first that fails is shown and its field marked until
    // it is edited; the focus stays where it is. True when every rule passes.
    bool Check_Fields();
    // Shows, stacks and captions the three panels and chains their fields in Tab order.
    void Order_Tab_Panels();
    // Sizes each panel to hold its fields.
    void Place_Panels();

    // The controls of one endpoint panel, row by row.
    struct Endpoint_Controls {
        QLabel *L_IP;
        std::array<QLineEdit *, 4> E_IP;
        QLabel *L_Mask;
        std::array<QLineEdit *, 4> E_SM;
        QCheckBox *CB_Enable_Gateway;
        std::array<QLineEdit *, 4> E_GAT;
        QLabel *L_Port;
        QLineEdit *E_Port;
    };

    QWidget *P_Title;
    QLabel *L_SW_Code;
    QLabel *L_SW_Desc;
    Collapsible_Group *Panel_Group;
    Collapsible_Panel *CP_Modbus_TCP_Slave;
    Collapsible_Panel *CP_Modbus_TCP_Slave2;
    Collapsible_Panel *CP_Options;
    Endpoint_Controls Slave_1{};
    Endpoint_Controls Slave_2{};
    QLabel *L_Options_Offset_Regs;
    QLineEdit *E_Options_Offset_Regs;
    QLabel *L_Options_Offset_Status;
    QLineEdit *E_Options_Offset_Status;
    QWidget *P_Button;
    Styled_Button *Btn_OK;
    Styled_Button *Btn_Cancel;

    // The endpoint controls by their names.
    QLabel *&L_ModbusTCPSlave_IP = Slave_1.L_IP;
    QLineEdit *&E_ModbusTCPSlave_IP1 = Slave_1.E_IP[0];
    QLineEdit *&E_ModbusTCPSlave_IP2 = Slave_1.E_IP[1];
    QLineEdit *&E_ModbusTCPSlave_IP3 = Slave_1.E_IP[2];
    QLineEdit *&E_ModbusTCPSlave_IP4 = Slave_1.E_IP[3];
    QLabel *&L_ModbusTCPSlave_SM = Slave_1.L_Mask;
    QLineEdit *&E_ModbusTCPSlave_SM1 = Slave_1.E_SM[0];
    QLineEdit *&E_ModbusTCPSlave_SM2 = Slave_1.E_SM[1];
    QLineEdit *&E_ModbusTCPSlave_SM3 = Slave_1.E_SM[2];
    QLineEdit *&E_ModbusTCPSlave_SM4 = Slave_1.E_SM[3];
    QCheckBox *&CB_ModbusTCPSlave_En_GAT = Slave_1.CB_Enable_Gateway;
    QLineEdit *&E_ModbusTCPSlave_GAT1 = Slave_1.E_GAT[0];
    QLineEdit *&E_ModbusTCPSlave_GAT2 = Slave_1.E_GAT[1];
    QLineEdit *&E_ModbusTCPSlave_GAT3 = Slave_1.E_GAT[2];
    QLineEdit *&E_ModbusTCPSlave_GAT4 = Slave_1.E_GAT[3];
    QLabel *&L_ModbusTCPSlave_Port = Slave_1.L_Port;
    QLineEdit *&E_ModbusTCPSlave_Port = Slave_1.E_Port;
    QLabel *&L_ModbusTCPSlave2_IP = Slave_2.L_IP;
    QLineEdit *&E_ModbusTCPSlave2_IP1 = Slave_2.E_IP[0];
    QLineEdit *&E_ModbusTCPSlave2_IP2 = Slave_2.E_IP[1];
    QLineEdit *&E_ModbusTCPSlave2_IP3 = Slave_2.E_IP[2];
    QLineEdit *&E_ModbusTCPSlave2_IP4 = Slave_2.E_IP[3];
    QLabel *&L_ModbusTCPSlave2_SM = Slave_2.L_Mask;
    QLineEdit *&E_ModbusTCPSlave2_SM1 = Slave_2.E_SM[0];
    QLineEdit *&E_ModbusTCPSlave2_SM2 = Slave_2.E_SM[1];
    QLineEdit *&E_ModbusTCPSlave2_SM3 = Slave_2.E_SM[2];
    QLineEdit *&E_ModbusTCPSlave2_SM4 = Slave_2.E_SM[3];
    QCheckBox *&CB_ModbusTCPSlave2_En_GAT = Slave_2.CB_Enable_Gateway;
    QLineEdit *&E_ModbusTCPSlave2_GAT1 = Slave_2.E_GAT[0];
    QLineEdit *&E_ModbusTCPSlave2_GAT2 = Slave_2.E_GAT[1];
    QLineEdit *&E_ModbusTCPSlave2_GAT3 = Slave_2.E_GAT[2];
    QLineEdit *&E_ModbusTCPSlave2_GAT4 = Slave_2.E_GAT[3];
    QLabel *&L_ModbusTCPSlave2_Port = Slave_2.L_Port;
    QLineEdit *&E_ModbusTCPSlave2_Port = Slave_2.E_Port;

    // How long OK waits while another program changes the configuration; tests shorten it.
    int Lock_Wait_Ms;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void FormShow() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void Btn_OKClick();
    // Under the configuration's lock: lays the edits made since the showing over the file as it
    // is now and saves the whole when it passes every rule; true then. Otherwise the fields show
    // that whole and false is returned.
    bool Save_Over_Current();
    // "." in an address byte: the focus moves on by the dialog's table, and the key is dropped.
    void KeyPress(QLineEdit *field);
    // Scrolls the panel group by the system's wheel lines while the pointer is over it; true
    // when the event is handled.
    bool FormMouseWheel(const QWheelEvent *event);
    void FormResize();

    void Build_Endpoint(Collapsible_Panel *panel, const QString &stem, Endpoint_Controls &c);
    QLineEdit *Add_Field(Collapsible_Panel *panel, const QRect &geometry, const QString &name);
    std::array<QLineEdit *, 4> Add_Address(Collapsible_Panel *panel, int row, const QString &name);
    void Set_Endpoint_Lang(const Endpoint_Controls &c, int first_entry);
    ParGen_Params Read_Fields() const;
    void Write_Fields(const ParGen_Params &params);
    void Mark_Field(QLineEdit *field);

    // The field of each key, in the order of ParGen_Keys(): a text field or a check box.
    struct Key_Control {
        QLineEdit *Text;
        QCheckBox *Switch;
    };
    std::vector<Key_Control> Key_Controls;
    // Where "." in an address byte sends the focus; null for the last gateway byte.
    QHash<QObject *, QLineEdit *> Dot_Next;
    QHash<Collapsible_Panel *, QWidgetList> Tab_Stops;
    QLineEdit *Marked = nullptr;
    // The parameters the fields showed when the dialog was shown.
    ParGen_Params Shown;
};
