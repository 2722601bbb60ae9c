#include "SearchRangeDialog.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "shell/AppState.h"
#include "shell/Messages.h"
#include "update/ModbusCheck.h"
#include "widgets/DialogFrame.h"

#include "shell/Conversions.h"

#include <QHeaderView>
#include <QIntValidator>

namespace {

constexpr int Header_Height = 69;
constexpr int Button_Height = 40;
constexpr int Client_Width = 520;
constexpr int Client_Height = 360;

// What a device says it is, in one line; for a host that accepts a connection without a Modbus
// answer, that.
QString Identification_Text(const Endpoint_Result &result) {
    if (!result.answers())
        return Lang_Strings.at(798);
    if (!result.Identification)
        return {};
    const Device_Identification &identity = *result.Identification;
    QStringList parts;
    for (const QString &part : {identity.Vendor, identity.Product, identity.Revision})
        if (!part.isEmpty())
            parts << part;
    return Escape_Controls(parts.join(QLatin1Char(' ')));
}

} // namespace

Search_Range_Dialog::Search_Range_Dialog(QWidget *parent)
    : Program_Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint),
      Scan(new Range_Scan(this)) {
    const Dialog_Header header = Make_Dialog_Header(this);
    P_Title = header.P_Title;
    L_SW_Code = header.L_SW_Code;
    L_SW_Desc = header.L_SW_Desc;

    L_Range = new QLabel(this);
    L_Range->move(16, Header_Height + 8);
    E_Range = new QLineEdit(this);
    E_Range->setGeometry(16, Header_Height + 26, 180, 24);
    L_Port = new QLabel(this);
    L_Port->move(206, Header_Height + 8);
    E_Port = new QLineEdit(this);
    E_Port->setGeometry(206, Header_Height + 26, 64, 24);
    E_Port->setValidator(new QIntValidator(1, 65535, E_Port));
    E_Port->setMaxLength(5);
    Btn_Search = new Styled_Button(this);
    Btn_Search->setGeometry(280, Header_Height + 24, 120, 28);
    // Enter in the range or the port searches; on a focused button it presses that one.
    Btn_Search->setDefault(true);
    L_Status = new QLabel(this);
    L_Status->setGeometry(16, Header_Height + 58, Client_Width - 32, 18);
    LV_Devices = new QTreeWidget(this);
    LV_Devices->setGeometry(16, Header_Height + 80, Client_Width - 32,
                            Client_Height - Header_Height - Button_Height - 92);
    LV_Devices->setRootIsDecorated(false);
    LV_Devices->setColumnCount(2);
    LV_Devices->setColumnWidth(0, 130);
    LV_Devices->header()->setStretchLastSection(true);

    P_Button = Make_Button_Bar(this);
    Btn_Close = new Styled_Button(P_Button);
    Btn_Close->setGeometry(Client_Width - 16 - 150 - 8 - 100, 6, 100, 28);
    Btn_Use = new Styled_Button(P_Button);
    Btn_Use->setGeometry(Client_Width - 16 - 150, 6, 150, 28);

    connect(Btn_Search, &QPushButton::clicked, this, &Search_Range_Dialog::Btn_SearchClick);
    connect(Btn_Close, &QPushButton::clicked, this, &Search_Range_Dialog::reject);
    connect(Btn_Use, &QPushButton::clicked, this, &Search_Range_Dialog::Btn_UseClick);
    connect(LV_Devices, &QTreeWidget::itemDoubleClicked, this, &Search_Range_Dialog::Btn_UseClick);
    connect(LV_Devices, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { Btn_Use->setEnabled(current != nullptr); });
    connect(Scan, &Range_Scan::Progress, this, [this](int looked_at, int total) {
        L_Status->setText(Lang_Strings.at(769).arg(looked_at).arg(total));
    });
    connect(Scan, &Range_Scan::Finished, this, &Search_Range_Dialog::Show_Found);

    setFixedSize(Client_Width, Client_Height);
    Place_Dialog_Frame(this, P_Title, P_Button);
    Set_Lang();
}

Search_Range_Dialog::~Search_Range_Dialog() = default;

void Search_Range_Dialog::Set_Lang() {
    setWindowTitle(Lang_Strings.at(765));
    L_SW_Desc->setText(Lang_Strings.at(765));
    L_Range->setText(Lang_Strings.at(767));
    E_Range->setToolTip(Lang_Strings.at(768));
    L_Port->setText(Lang_Strings.at(823));
    E_Port->setToolTip(Lang_Strings.at(799));
    Set_Button_Lang(Btn_Search, 610, 766);
    LV_Devices->setHeaderLabels({Lang_Strings.at(611), Lang_Strings.at(772)});
    Set_Button_Lang(Btn_Close, 775, 775);
    Set_Button_Lang(Btn_Use, 773, 774);
    for (QLabel *label : {L_SW_Desc, L_Range, L_Port})
        label->adjustSize();
}

void Search_Range_Dialog::FormShow() {
    Set_Lang();
    L_SW_Code->setText(App.SW_Code);
    L_SW_Code->adjustSize();
    E_Range->setText(Proposed_Range);
    E_Port->setText(QString::number(Port));
    L_Status->clear();
    LV_Devices->clear();
    Btn_Use->setEnabled(false);
    Picked_Address.clear();
    E_Range->setFocus(Qt::TabFocusReason);
}

void Search_Range_Dialog::Btn_SearchClick() {
    if (Scan->Running())
        return;
    const Scan_Range range = Parse_Scan_Range(E_Range->text());
    if (!range.Error.isEmpty()) {
        Show_Error(range.Error);
        E_Range->setFocus(Qt::OtherFocusReason);
        return;
    }
    const std::optional<int> port = Decimal_Int(E_Port->text());
    if (!port || *port < 1 || *port > 65535) {
        Show_Error(Lang_Strings.at(799));
        E_Port->setFocus(Qt::OtherFocusReason);
        return;
    }
    Port = quint16(*port);
    try {
        Scan->Start(range, Port, Timeout_Ms);
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
        return;
    }
    LV_Devices->clear();
    Btn_Use->setEnabled(false);
    Btn_Search->setEnabled(false);
    L_Status->setText(Lang_Strings.at(769).arg(0).arg(range.Count));
}

void Search_Range_Dialog::Show_Found(const QList<Endpoint_Result> &found) {
    Btn_Search->setEnabled(true);
    QTreeWidgetItem *first_answering = nullptr;
    int answering = 0;
    for (const Endpoint_Result &result : found) {
        auto *item =
            new QTreeWidgetItem(LV_Devices, {result.Endpoint.Address, Identification_Text(result)});
        if (!result.answers()) {
            // Shown, greyed, so that the user knows something is there; not a device to pick.
            item->setFlags(Qt::NoItemFlags);
            continue;
        }
        ++answering;
        if (!first_answering)
            first_answering = item;
    }
    L_Status->setText(answering == 0 ? Lang_Strings.at(771) : Lang_Strings.at(770).arg(answering));
    if (first_answering) {
        LV_Devices->setCurrentItem(first_answering);
        LV_Devices->setFocus(Qt::OtherFocusReason);
    }
}

void Search_Range_Dialog::Btn_UseClick() {
    const QTreeWidgetItem *item = LV_Devices->currentItem();
    if (!item)
        return;
    Picked_Address = item->text(0);
    Scan->Stop();
    accept();
}

void Search_Range_Dialog::reject() {
    Scan->Stop();
    Program_Dialog::reject();
}
