#include "CommunicationDialog.h"

#include "configurations/ConfigurationLock.h"
#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "parameters/NetworkWarnings.h"
#include "parameters/Validation.h"
#include "platform/CoreError.h"
#include "shell/AppState.h"
#include "shell/Messages.h"
#include "widgets/DialogFrame.h"
#include "widgets/Waiting.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

namespace {

constexpr int Client_Width = 460;
constexpr int Client_Height = 700;
constexpr int Min_Client_Height = 200;

// Rows inside a panel: a caption column, then four address bytes with "." between them, or
// one field as wide as the four.
constexpr int Row_Top = 12;
constexpr int Row_Pitch = 30;
constexpr int Row_Height = 22;
constexpr int Caption_Left = 16;
constexpr int Caption_Width = 118;
constexpr int Field_Left = 140;
constexpr int Byte_Width = 56;
constexpr int Dot_Width = 14;
constexpr int Wide_Width = 4 * Byte_Width + 3 * Dot_Width;

const char *const Mark_Property = "Marked";

const QString Field_Style = QStringLiteral(
    "QLineEdit { background: #FFFFFF; color: #222222; border: 1px solid #B9B6A5;"
    " border-radius: 3px; padding: 0 4px; selection-background-color: #3D6A9E; }"
    "QLineEdit:focus { border: 1px solid #3D6A9E; }"
    "QLineEdit[Marked=\"true\"] { border: 2px solid #C62828; background: #FFF4F4; }");

int Row_Y(int row) {
    return Row_Top + row * Row_Pitch;
}

// A field of a row, by default as wide as the four bytes of an address.
QRect Field_Rect(int row, int left = Field_Left, int width = Wide_Width) {
    return {left, Row_Y(row), width, Row_Height};
}

QLabel *Add_Caption(Collapsible_Panel *panel, int row, const QString &name) {
    auto *label = new QLabel(panel->Body());
    label->setObjectName(name);
    label->setGeometry(Caption_Left, Row_Y(row), Caption_Width, Row_Height);
    return label;
}

void Repolish(QWidget *widget) {
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

} // namespace

Communication_Dialog::Communication_Dialog(QWidget *parent)
    : Program_Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint),
      Lock_Wait_Ms(Configuration_Lock::Wait_Ms) {
    const Dialog_Header header = Make_Dialog_Header(this);
    P_Title = header.P_Title;
    L_SW_Code = header.L_SW_Code;
    L_SW_Desc = header.L_SW_Desc;
    L_SW_Code->adjustSize();

    Panel_Group = new Collapsible_Group(this);
    Panel_Group->setStyleSheet(Field_Style);
    CP_Modbus_TCP_Slave = new Collapsible_Panel(Panel_Group);
    CP_Modbus_TCP_Slave2 = new Collapsible_Panel(Panel_Group);
    CP_Options = new Collapsible_Panel(Panel_Group);
    CP_Modbus_TCP_Slave->Title_Bar()->setObjectName(QStringLiteral("CP_Modbus_TCP_Slave_Title"));
    CP_Modbus_TCP_Slave2->Title_Bar()->setObjectName(QStringLiteral("CP_Modbus_TCP_Slave2_Title"));
    CP_Options->Title_Bar()->setObjectName(QStringLiteral("CP_Options_Title"));
    Build_Endpoint(CP_Modbus_TCP_Slave, QStringLiteral("ModbusTCPSlave"), Slave_1);
    Build_Endpoint(CP_Modbus_TCP_Slave2, QStringLiteral("ModbusTCPSlave2"), Slave_2);
    L_Options_Offset_Regs = Add_Caption(CP_Options, 0, QStringLiteral("L_Options_Offset_Regs"));
    E_Options_Offset_Regs =
        Add_Field(CP_Options, Field_Rect(0), QStringLiteral("E_Options_Offset_Regs"));
    L_Options_Offset_Status = Add_Caption(CP_Options, 1, QStringLiteral("L_Options_Offset_Status"));
    E_Options_Offset_Status =
        Add_Field(CP_Options, Field_Rect(1), QStringLiteral("E_Options_Offset_Status"));
    for (QLineEdit *field : {E_Options_Offset_Regs, E_Options_Offset_Status})
        Key_Controls.push_back({field, nullptr});
    Tab_Stops[CP_Options] = {E_Options_Offset_Regs, E_Options_Offset_Status};
    // The fields were made in the order of the file's keys: each endpoint's address bytes,
    // gateway switch and port, then the two offsets.
    Q_ASSERT(Key_Controls.size() == ParGen_Keys().size());
    // The wheel is handled over the whole group, its scroll bar included.
    Panel_Group->viewport()->installEventFilter(this);
    Panel_Group->verticalScrollBar()->installEventFilter(this);

    P_Button = Make_Button_Bar(this);
    Btn_OK = new Styled_Button(P_Button);
    Btn_OK->setObjectName(QStringLiteral("Btn_OK"));
    Btn_OK->resize(110, 28);
    Btn_Cancel = new Styled_Button(P_Button);
    Btn_Cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    Btn_Cancel->resize(110, 28);
    // Enter in a field confirms as OK does, Esc cancels; Enter on a focused button or panel
    // title presses that one.
    Btn_OK->setDefault(true);
    connect(Btn_OK, &QPushButton::clicked, this, &Communication_Dialog::Btn_OKClick);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Until the first load every address row shows the first endpoint's default address; the
    // ports, offsets and gateway switches show their defaults.
    Write_Fields(Default_ParGen());
    for (const Endpoint_Controls *endpoint : {&Slave_1, &Slave_2}) {
        for (const auto *row : {&endpoint->E_IP, &endpoint->E_SM, &endpoint->E_GAT}) {
            for (std::size_t n = 0; n < row->size(); ++n)
                (*row)[n]->setText(Slave_1.E_IP[n]->text());
        }
    }

    setMinimumSize(Client_Width, Min_Client_Height);
    setMaximumWidth(Client_Width);
    resize(Client_Width, Client_Height);
    Order_Tab_Panels();
    Place_Panels();
    Set_Lang();
    E_ModbusTCPSlave_IP1->setFocus();
}

void Communication_Dialog::Build_Endpoint(Collapsible_Panel *panel, const QString &stem,
                                          Endpoint_Controls &c) {
    const QString field = QStringLiteral("E_") + stem;
    const QString caption = QStringLiteral("L_") + stem;
    c.L_IP = Add_Caption(panel, 0, caption + QStringLiteral("_IP"));
    c.E_IP = Add_Address(panel, 0, field + QStringLiteral("_IP"));
    c.L_Mask = Add_Caption(panel, 1, caption + QStringLiteral("_SM"));
    c.E_SM = Add_Address(panel, 1, field + QStringLiteral("_SM"));
    c.CB_Enable_Gateway = new QCheckBox(panel->Body());
    c.CB_Enable_Gateway->setObjectName(QStringLiteral("CB_") + stem + QStringLiteral("_En_GAT"));
    c.CB_Enable_Gateway->setGeometry(Caption_Left, Row_Y(2), Caption_Width, Row_Height);
    c.E_GAT = Add_Address(panel, 2, field + QStringLiteral("_GAT"));
    c.L_Port = Add_Caption(panel, 3, caption + QStringLiteral("_Port"));
    c.E_Port = Add_Field(panel, Field_Rect(3), field + QStringLiteral("_Port"));

    // "." walks the address bytes, the address, mask and gateway rows one after the other, and
    // stops at the last gateway byte.
    const std::array<QLineEdit *, 12> bytes = {c.E_IP[0],  c.E_IP[1],  c.E_IP[2],  c.E_IP[3],
                                               c.E_SM[0],  c.E_SM[1],  c.E_SM[2],  c.E_SM[3],
                                               c.E_GAT[0], c.E_GAT[1], c.E_GAT[2], c.E_GAT[3]};
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        Dot_Next[bytes[n]] = n + 1 < bytes.size() ? bytes[n + 1] : nullptr;
        bytes[n]->installEventFilter(this);
        Key_Controls.push_back({bytes[n], nullptr});
    }
    Key_Controls.push_back({nullptr, c.CB_Enable_Gateway});
    Key_Controls.push_back({c.E_Port, nullptr});

    QWidgetList &stops = Tab_Stops[panel];
    stops = {c.E_IP.begin(), c.E_IP.end()};
    stops << QWidgetList(c.E_SM.begin(), c.E_SM.end()) << c.CB_Enable_Gateway
          << QWidgetList(c.E_GAT.begin(), c.E_GAT.end()) << c.E_Port;
}

QLineEdit *Communication_Dialog::Add_Field(Collapsible_Panel *panel, const QRect &geometry,
                                           const QString &name) {
    auto *field = new QLineEdit(panel->Body());
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setMaxLength(ParGen_Value_Limit);
    connect(field, &QLineEdit::textEdited, this, [this, field] {
        if (field == Marked)
            Mark_Field(nullptr);
    });
    return field;
}

std::array<QLineEdit *, 4> Communication_Dialog::Add_Address(Collapsible_Panel *panel, int row,
                                                             const QString &name) {
    std::array<QLineEdit *, 4> bytes{};
    for (int n = 0; n < 4; ++n) {
        const int left = Field_Left + n * (Byte_Width + Dot_Width);
        bytes[n] =
            Add_Field(panel, Field_Rect(row, left, Byte_Width), name + QString::number(n + 1));
        bytes[n]->setAlignment(Qt::AlignCenter);
        if (n > 0) {
            auto *dot = new QLabel(QStringLiteral("."), panel->Body());
            dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
            dot->setGeometry(left - Dot_Width, Row_Y(row), Dot_Width, Row_Height - 4);
        }
    }
    return bytes;
}

void Communication_Dialog::Set_Lang() {
    setWindowTitle(Lang_Strings.at(800));
    L_SW_Desc->setText(Lang_Strings.at(801));
    L_SW_Desc->adjustSize();
    Set_Button_Lang(Btn_OK, 802, 804);
    Set_Button_Lang(Btn_Cancel, 803, 805);
    Set_Endpoint_Lang(Slave_1, 807);
    Set_Endpoint_Lang(Slave_2, 859);
    L_Options_Offset_Regs->setText(Lang_Strings.at(837));
    E_Options_Offset_Regs->setToolTip(Lang_Strings.at(838));
    L_Options_Offset_Status->setText(Lang_Strings.at(839));
    E_Options_Offset_Status->setToolTip(Lang_Strings.at(840));
}

// The entries of an endpoint follow its rows: caption, then the hints of its fields; the
// gateway switch has a hint of its own after its caption.
void Communication_Dialog::Set_Endpoint_Lang(const Endpoint_Controls &c, int first_entry) {
    const auto hints = [](const std::array<QLineEdit *, 4> &fields, int first) {
        for (std::size_t n = 0; n < fields.size(); ++n)
            fields[n]->setToolTip(Lang_Strings.at(first + int(n)));
    };
    c.L_IP->setText(Lang_Strings.at(first_entry));
    hints(c.E_IP, first_entry + 1);
    c.L_Mask->setText(Lang_Strings.at(first_entry + 5));
    hints(c.E_SM, first_entry + 6);
    c.CB_Enable_Gateway->setText(Lang_Strings.at(first_entry + 10));
    c.CB_Enable_Gateway->setToolTip(Lang_Strings.at(first_entry + 11));
    hints(c.E_GAT, first_entry + 12);
    c.L_Port->setText(Lang_Strings.at(first_entry + 16));
    c.E_Port->setToolTip(Lang_Strings.at(first_entry + 17));
}

void Communication_Dialog::Order_Tab_Panels() {
    const std::array<std::pair<Collapsible_Panel *, int>, 3> panels = {{
        {CP_Modbus_TCP_Slave, 806},
        {CP_Modbus_TCP_Slave2, 858},
        {CP_Options, 836},
    }};
    QList<Collapsible_Panel *> stack;
    QWidgetList chain;
    for (std::size_t n = 0; n < panels.size(); ++n) {
        const auto [panel, caption] = panels[n];
        panel->Set_Caption(QString::number(n + 1) + QStringLiteral(". ") +
                           Lang_Strings.at(caption));
        stack << panel;
        chain << panel->Title_Bar() << Tab_Stops.value(panel);
    }
    Panel_Group->Stack(stack);
    chain << Btn_OK << Btn_Cancel;
    for (int n = 1; n < chain.size(); ++n)
        QWidget::setTabOrder(chain.at(n - 1), chain.at(n));
}

void Communication_Dialog::Place_Panels() {
    CP_Modbus_TCP_Slave->Fit_Below(Slave_1.E_Port);
    CP_Modbus_TCP_Slave2->Fit_Below(Slave_2.E_Port);
    CP_Options->Fit_Below(E_Options_Offset_Status);
}

ParGen_Params Communication_Dialog::Read_Fields() const {
    ParGen_Params params;
    for (std::size_t n = 0; n < Key_Controls.size(); ++n) {
        const ParGen_Key &key = ParGen_Keys()[n];
        if (key.Text)
            params.*key.Text = Key_Controls[n].Text->text();
        else
            params.*key.Switch = Key_Controls[n].Switch->isChecked();
    }
    return params;
}

void Communication_Dialog::Write_Fields(const ParGen_Params &params) {
    for (std::size_t n = 0; n < Key_Controls.size(); ++n) {
        const ParGen_Key &key = ParGen_Keys()[n];
        if (key.Text) {
            // Typing and pasting stop at the limit; a longer value of the file is shown whole,
            // since cutting it would change it.
            QLineEdit *field = Key_Controls[n].Text;
            field->setMaxLength(qMax(ParGen_Value_Limit, int((params.*key.Text).size())));
            field->setText(params.*key.Text);
        } else
            Key_Controls[n].Switch->setChecked(params.*key.Switch);
    }
}

void Communication_Dialog::Mark_Field(QLineEdit *field) {
    if (Marked) {
        Marked->setProperty(Mark_Property, false);
        Repolish(Marked);
    }
    Marked = field;
    if (Marked) {
        Marked->setProperty(Mark_Property, true);
        Repolish(Marked);
    }
}

bool Communication_Dialog::Check_Fields() {
    Mark_Field(nullptr);
    const ParGen_Rule *failed = Failed_Rule(Read_Fields());
    if (!failed)
        return true;
    Mark_Field(Key_Controls[ParGen_Key_Index(failed->Field)].Text);
    Show_Error(Lang_Strings.at(failed->Message));
    return false;
}

void Communication_Dialog::FormShow() {
    Mark_Field(nullptr);
    try {
        Write_Fields(Load_ParGen(App.ParGen_File));
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
    }
    Shown = Read_Fields();
    // The field that takes the focus as the dialog opens has its text selected, as on a focus
    // entry from the keyboard, so that typing replaces it.
    if (auto *field = qobject_cast<QLineEdit *>(focusWidget()))
        field->selectAll();
}

void Communication_Dialog::Btn_OKClick() {
    if (!Check_Fields())
        return;
    // Values that pass the rules but may not work on a network are saved only when the user
    // says so; the question comes before the configuration is locked.
    const QStringList warnings =
        Network_Warnings(Read_Fields(), Addresses_In_Use(App.Projects_Dir, Active_Folder_Name()));
    if (!warnings.isEmpty() && !Ask_Risky_Question(Network_Warnings_Question(warnings)))
        return;
    QString busy;
    bool saved = false;
    try {
        Configuration_Lock lock(App.Proj_Dir);
        bool taken = false;
        Run_Without_Freezing([&] { taken = lock.Take(Lock_Wait_Ms); });
        if (taken)
            saved = Save_Over_Current();
        else
            busy = lock.Busy_Text();
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
        return;
    }
    // The lock is free again before a message waits for the user.
    if (!busy.isEmpty())
        Show_Error(busy);
    else if (saved)
        accept();
    else
        Check_Fields();
}

bool Communication_Dialog::Save_Over_Current() {
    const ParGen_Params edited = Read_Fields();
    ParGen_Params merged = edited;
    try {
        const ParGen_Params current = Load_ParGen(App.ParGen_File);
        merged = Apply_Changes(current, Shown, edited);
        if (Failed_Rule(merged)) {
            Shown = current;
            Write_Fields(merged);
            return false;
        }
    } catch (const Core_Error &) {
        // A file that cannot be read is replaced by the fields, as it always was.
    }
    Save_ParGen(merged, App.ParGen_File);
    return true;
}

void Communication_Dialog::KeyPress(QLineEdit *field) {
    QLineEdit *next = Dot_Next.value(field);
    if (!next || !next->isVisible() || !next->isEnabled() || !(next->focusPolicy() & Qt::TabFocus))
        return;
    Panel_Group->ensureWidgetVisible(next);
    // As on any focus entry from the keyboard, the text is selected, so typing replaces it.
    next->setFocus(Qt::TabFocusReason);
}

bool Communication_Dialog::FormMouseWheel(const QWheelEvent *event) {
    if (!Panel_Group->rect().contains(
            Panel_Group->mapFromGlobal(event->globalPosition().toPoint())))
        return false;
    // A sideways tilt, and the start or end of a touchpad gesture, turn nothing vertically.
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return true;
    for (int line = 0; line < QApplication::wheelScrollLines(); ++line)
        Panel_Group->Scroll_Line(delta > 0);
    return true;
}

void Communication_Dialog::FormResize() {
    if (width() != Client_Width)
        resize(Client_Width, height());
    Place_Dialog_Frame(this, P_Title, P_Button);
    Panel_Group->setGeometry(0, P_Title->height(), width(), P_Button->y() - P_Title->height());
    Btn_Cancel->move(P_Button->width() - Btn_Cancel->width() - 16, 6);
    Btn_OK->move(Btn_Cancel->x() - Btn_OK->width() - 8, 6);
}

bool Communication_Dialog::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && Dot_Next.contains(watched) &&
        static_cast<QKeyEvent *>(event)->text() == QLatin1String(".")) {
        KeyPress(static_cast<QLineEdit *>(watched));
        return true;
    }
    if (event->type() == QEvent::Wheel)
        return FormMouseWheel(static_cast<QWheelEvent *>(event));
    return QDialog::eventFilter(watched, event);
}

void Communication_Dialog::resizeEvent(QResizeEvent *event) {
    FormResize();
    QDialog::resizeEvent(event);
}
