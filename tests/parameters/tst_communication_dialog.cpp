#include "support/GuiSupport.h"
#include "support/MessageRecorder.h"
#include "support/TestSupport.h"

#include "configurations/ConfigurationLock.h"
#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "parameters/CommunicationDialog.h"
#include "parameters/ParGen.h"
#include "shell/AppState.h"
#include "widgets/ProgramStyle.h"

#include <QDir>
#include <QScrollBar>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWheelEvent>

namespace {

using Shown_Messages = QList<QPair<Message_Kind, QString>>;

// Answers Yes to the question about network warnings without recording it, and passes every
// other message on to the recorder: values the cases type may raise warnings, and most cases
// here are about other things. With Pass_On the question is recorded and answered too.
struct Network_Question_Sink : Message_Sink {
    explicit Network_Question_Sink(Message_Recorder &recorder) : Recorder(recorder) {
        Install_Message_Sink(this);
    }
    bool Show(Message_Kind kind, const QString &text) override {
        if (!Pass_On && kind == Message_Kind::Risky_Question &&
            text.startsWith(Lang_Strings.at(897)))
            return true;
        return Recorder.Show(kind, text);
    }
    Message_Recorder &Recorder;
    bool Pass_On = false;
};

// A started program with the new configuration "Plant" active.
struct Program {
    Program_Folder folder;
    Message_Recorder messages;
    Network_Question_Sink network{messages};
    std::unique_ptr<Main_Window> main = Start_Program(folder.path());
    Communication_Dialog *dialog = main->Communication_Window();

    Program() { Create_Configuration(QStringLiteral("Plant")); }
    ~Program() { main->close(); }
    QByteArray file() const { return Read_Test_File(App.ParGen_File); }
    bool file_exists() const { return QFileInfo::exists(App.ParGen_File); }
};

// Presses Set Communication and runs action while the dialog is shown. A dialog the action
// leaves open is cancelled afterwards, so that a failing check cannot hang the test.
void Open(Program &program, const std::function<void(Communication_Dialog *)> &action) {
    bool opened = false;
    When_Modal([&](QWidget *modal) {
        opened = modal == program.dialog;
        if (opened)
            action(program.dialog);
        static_cast<QDialog *>(modal)->reject();
    });
    QTest::mouseClick(program.main->Btn_Communication, Qt::LeftButton);
    QVERIFY(opened);
}

template <class Control> Control *Find(const Communication_Dialog *dialog, const QString &name) {
    auto *control = dialog->findChild<Control *>(name);
    if (!control)
        qFatal("no control %s", qPrintable(name));
    return control;
}

QString Address(const std::array<QLineEdit *, 4> &bytes) {
    QStringList texts;
    for (const QLineEdit *byte : bytes)
        texts << byte->text();
    return texts.join(QLatin1Char('.'));
}

// Replaces the text of a field as a user does: all selected, then typed over.
void Type_Over(QLineEdit *field, const QString &text) {
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// "name=text" types text into the field; "name=1" or "name=0" sets a check box by a click.
void Edit(const Communication_Dialog *dialog, const QString &edit) {
    const QString name = edit.section(QLatin1Char('='), 0, 0);
    const QString value = edit.section(QLatin1Char('='), 1);
    if (auto *box = dialog->findChild<QCheckBox *>(name)) {
        if (box->isChecked() != (value == QLatin1String("1")))
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QCOMPARE(box->isChecked(), value == QLatin1String("1"));
    } else {
        Type_Over(Find<QLineEdit>(dialog, name), value);
    }
}

// The fields shown with a red frame.
QStringList Red_Framed(const Communication_Dialog *dialog) {
    QStringList names;
    for (QLineEdit *field : dialog->findChildren<QLineEdit *>()) {
        const QImage image = field->grab().toImage();
        const QColor edge = image.pixelColor(0, image.height() / 2);
        if (edge.red() > 150 && edge.green() < 100 && edge.blue() < 100)
            names << field->objectName();
    }
    return names;
}

// The keys of the parameter file with the controls that show them, in file order.
QList<QPair<QString, QString>> Keys_And_Controls() {
    QList<QPair<QString, QString>> pairs;
    const std::pair<const char *, const char *> endpoints[] = {
        {"Modbus_TCP_Slave_", "ModbusTCPSlave"}, {"Modbus_TCP_Slave_2_", "ModbusTCPSlave2"}};
    for (const auto &[key, stem] : endpoints) {
        for (const char *row : {"IP", "SM", "GAT"}) {
            for (int n = 1; n <= 4; ++n)
                pairs.append({QLatin1String(key) + QLatin1String(row) + QString::number(n),
                              QStringLiteral("E_%1_%2%3")
                                  .arg(QLatin1String(stem), QLatin1String(row))
                                  .arg(n)});
        }
        pairs.append({QLatin1String(key) + QStringLiteral("EN_GAT"),
                      QStringLiteral("CB_%1_En_GAT").arg(QLatin1String(stem))});
        pairs.append({QLatin1String(key) + QStringLiteral("Port"),
                      QStringLiteral("E_%1_Port").arg(QLatin1String(stem))});
    }
    pairs.append(
        {QStringLiteral("OPTIONS_OFFSET_REGISTERS"), QStringLiteral("E_Options_Offset_Regs")});
    pairs.append(
        {QStringLiteral("OPTIONS_OFFSET_STATUS"), QStringLiteral("E_Options_Offset_Status")});
    return pairs;
}

// Writes the parameter file as another program would: the defaults with "key=value" changes.
void Save_Changed_Defaults(const QStringList &changes) {
    ParGen_Params params = Default_ParGen();
    for (const QString &change : changes)
        QVERIFY(Set_ParGen_Value(params, *Find_ParGen_Key(change.section(QLatin1Char('='), 0, 0)),
                                 change.section(QLatin1Char('='), 1)));
    Save_ParGen(params, App.ParGen_File);
}

// Where "." in an address byte goes, and whether it is typed elsewhere.
struct Dot_Case {
    QString Field;
    QString Focus_After; // the field itself when the focus stays
    bool Typed;
};

} // namespace

Q_DECLARE_METATYPE(Dot_Case)

class Test_Communication_Dialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void built_at_start_up();
    void tab_order();
    void first_opening_shows_defaults();
    void fields_follow_keys();
    void typing_an_address_with_dots();
    void restore_keeps_what_was_typed();
    void dot_key_data();
    void dot_key();
    void ok_data();
    void ok();
    void write_failure_keeps_dialog_open();
    void network_warnings_asked_before_saving();
    void ok_keeps_changes_made_meanwhile_data();
    void ok_keeps_changes_made_meanwhile();
    void ok_refused_while_another_changes_the_configuration();
    void ok_without_a_lock_file_keeps_dialog_open();
    void pasted_values_write_a_readable_file();
    void cancel_writes_nothing_data();
    void cancel_writes_nothing();
    void keys_data();
    void keys();
    void malformed_file_keeps_fields();
    void width_snaps_back_data();
    void width_snaps_back();
    void wheel_data();
    void wheel();
    void panels_collapse_and_keep_state();
    void language_change();

private:
    int Wheel_Lines = 3;
};

void Test_Communication_Dialog::initTestCase() {
    Apply_Program_Style(*qApp);
    Wheel_Lines = QApplication::wheelScrollLines();
}

void Test_Communication_Dialog::cleanup() {
    QApplication::setWheelScrollLines(Wheel_Lines);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.cbegin(), windows.cend(),
                         [](const QWidget *w) { return w->isVisible(); }));
}

void Test_Communication_Dialog::built_at_start_up() {
    Program program;
    Communication_Dialog *dialog = program.dialog;
    QVERIFY(dialog);
    // Made last of the windows, and hidden until Set Communication.
    QCOMPARE(program.main->findChildren<QDialog *>(Qt::FindDirectChildrenOnly).last(), dialog);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->size(), QSize(460, 700));
    const Qt::WindowFlags flags = dialog->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                       Qt::WindowContextHelpButtonHint)));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Set Communication"));
    QCOMPARE(dialog->L_SW_Code->text(), QStringLiteral("CF20914"));
    QCOMPARE(dialog->L_SW_Desc->text(), QStringLiteral("Set Communication Setting"));
    QCOMPARE(dialog->Btn_OK->text(), QStringLiteral("OK"));
    QCOMPARE(dialog->Btn_Cancel->toolTip(),
             QStringLiteral("Exit and Discard the current configuration"));
    // OK takes Enter from the fields; a focused button takes it itself.
    QVERIFY(dialog->Btn_OK->isDefault() && !dialog->Btn_Cancel->isDefault());
    for (const QPushButton *button : {dialog->Btn_OK, dialog->Btn_Cancel})
        QVERIFY(button->autoDefault());

    QCOMPARE(dialog->CP_Modbus_TCP_Slave->Caption(), QStringLiteral("1. Modbus TCP Slave"));
    QCOMPARE(dialog->CP_Modbus_TCP_Slave2->Caption(), QStringLiteral("2. Modbus TCP Slave"));
    QCOMPARE(dialog->CP_Options->Caption(), QStringLiteral("3. Options"));

    // The texts the fields hold until the first load.
    for (const Communication_Dialog::Endpoint_Controls *endpoint :
         {&dialog->Slave_1, &dialog->Slave_2}) {
        for (const auto &row : {endpoint->E_IP, endpoint->E_SM, endpoint->E_GAT})
            QCOMPARE(Address(row), QStringLiteral("192.168.0.5"));
        QCOMPARE(endpoint->E_Port->text(), QStringLiteral("502"));
        QVERIFY(!endpoint->CB_Enable_Gateway->isChecked());
    }
    QCOMPARE(dialog->E_Options_Offset_Regs->text(), QStringLiteral("0"));
    QCOMPARE(dialog->E_Options_Offset_Status->text(), QStringLiteral("0"));
    QCOMPARE(dialog->E_ModbusTCPSlave2_GAT3->toolTip(),
             QStringLiteral("Insert Third byte of Default Gateway"));

    Open(program, [&](Communication_Dialog *shown) {
        // Three panels stacked from the top without gaps, each ending 12 px below its last
        // field.
        const QList<std::pair<Collapsible_Panel *, QWidget *>> panels = {
            {shown->CP_Modbus_TCP_Slave, shown->E_ModbusTCPSlave_Port},
            {shown->CP_Modbus_TCP_Slave2, shown->E_ModbusTCPSlave2_Port},
            {shown->CP_Options, shown->E_Options_Offset_Status}};
        int top = 0;
        for (const auto &[panel, last] : panels) {
            QCOMPARE(panel->y(), top);
            QCOMPARE(panel->height(), last->mapTo(panel, QPoint(0, last->height())).y() + 12);
            top += panel->height();
        }
        QVERIFY(top <= shown->Panel_Group->viewport()->height());
    });
    QVERIFY(program.messages.Shown.isEmpty());
}

void Test_Communication_Dialog::tab_order() {
    QStringList expected;
    for (const char *stem : {"ModbusTCPSlave", "ModbusTCPSlave2"}) {
        const QString field = QStringLiteral("E_") + QLatin1String(stem);
        if (!expected.isEmpty()) // the first title is reached last, as the chain closes
            expected << QStringLiteral("CP_Modbus_TCP_Slave2_Title");
        for (const char *row : {"_IP", "_SM"}) {
            for (int n = 1; n <= 4; ++n)
                expected << field + QLatin1String(row) + QString::number(n);
        }
        expected << QStringLiteral("CB_") + QLatin1String(stem) + QStringLiteral("_En_GAT");
        for (int n = 1; n <= 4; ++n)
            expected << field + QStringLiteral("_GAT") + QString::number(n);
        expected << field + QStringLiteral("_Port");
    }
    // Each panel's title is a Tab stop before its fields, so that it folds from the keyboard.
    expected << QStringLiteral("CP_Options_Title") << QStringLiteral("E_Options_Offset_Regs")
             << QStringLiteral("E_Options_Offset_Status") << QStringLiteral("Btn_OK")
             << QStringLiteral("Btn_Cancel") << QStringLiteral("CP_Modbus_TCP_Slave_Title")
             << expected.first();

    Program program;
    QStringList visited;
    Open(program, [&](Communication_Dialog *dialog) {
        dialog->E_ModbusTCPSlave_IP1->setFocus(Qt::TabFocusReason);
        visited << QApplication::focusWidget()->objectName();
        while (visited.size() < expected.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
    });
    QCOMPARE(visited, expected);
}

void Test_Communication_Dialog::first_opening_shows_defaults() {
    Program program;
    QVERIFY(program.main->Btn_Communication->isVisible());
    bool modal = false;
    Open(program, [&](Communication_Dialog *dialog) {
        modal = dialog->isModal() && QApplication::activeModalWidget() == dialog;
        QCOMPARE(Address(dialog->Slave_1.E_IP), QStringLiteral("192.168.0.5"));
        QCOMPARE(Address(dialog->Slave_2.E_IP), QStringLiteral("192.168.0.6"));
        for (const Communication_Dialog::Endpoint_Controls *endpoint :
             {&dialog->Slave_1, &dialog->Slave_2}) {
            QCOMPARE(Address(endpoint->E_SM), QStringLiteral("255.255.255.0"));
            QCOMPARE(Address(endpoint->E_GAT), QStringLiteral("192.168.0.1"));
            QVERIFY(!endpoint->CB_Enable_Gateway->isChecked());
            QCOMPARE(endpoint->E_Port->text(), QStringLiteral("502"));
        }
        QCOMPARE(dialog->E_Options_Offset_Regs->text(), QStringLiteral("0"));
        QCOMPARE(dialog->E_Options_Offset_Status->text(), QStringLiteral("0"));
        // The gateway switch leaves its fields editable either way.
        for (int n = 0; n < 2; ++n) {
            QTest::mouseClick(dialog->CB_ModbusTCPSlave_En_GAT, Qt::LeftButton, {},
                              QPoint(6, dialog->CB_ModbusTCPSlave_En_GAT->height() / 2));
            QCOMPARE(dialog->CB_ModbusTCPSlave_En_GAT->isChecked(), n == 0);
            for (const QLineEdit *byte : dialog->Slave_1.E_GAT)
                QVERIFY(byte->isEnabled() && !byte->isReadOnly());
        }
        QTest::mouseClick(dialog->Btn_Cancel, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    QVERIFY(modal);
    QVERIFY(!program.file_exists());
    QVERIFY(program.messages.Shown.isEmpty());
}

void Test_Communication_Dialog::fields_follow_keys() {
    Program program;
    // A distinct value for every key; one of 40000 characters, which a field must hold whole.
    const QString long_value = QString(39997, QLatin1Char('0')) + QStringLiteral("123");
    const auto pairs = Keys_And_Controls();
    QByteArray xml = "<Par_Gen>";
    QHash<QString, QString> shown;
    for (int n = 0; n < pairs.size(); ++n) {
        const auto &[key, control] = pairs.at(n);
        QString value = QString::number(10 + n);
        if (control.startsWith(QLatin1String("CB_")))
            value = key.contains(QLatin1String("_2_")) ? QStringLiteral("0") : QStringLiteral("1");
        if (n == pairs.size() - 1)
            value = long_value;
        xml += "<" + key.toUtf8() + ">" + value.toUtf8() + "</" + key.toUtf8() + ">";
        shown.insert(control, value);
    }
    xml += "</Par_Gen><!--SW_VERSION = 1.000-->";
    Write_Test_File(App.ParGen_File, xml);

    Open(program, [&](Communication_Dialog *dialog) {
        for (const auto &[key, control] : pairs) {
            if (auto *box = dialog->findChild<QCheckBox *>(control))
                QCOMPARE(box->isChecked(), shown.value(control) == QLatin1String("1"));
            else
                QCOMPARE(Find<QLineEdit>(dialog, control)->text(), shown.value(control));
        }
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    // Written back key by key, in the same order and form.
    QCOMPARE(program.file().trimmed(), xml);
    QVERIFY(program.messages.Shown.isEmpty());
}

void Test_Communication_Dialog::typing_an_address_with_dots() {
    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        // The dialog opens with the first address byte focused and its text selected.
        QCOMPARE(QApplication::focusWidget(), dialog->E_ModbusTCPSlave_IP1);
        QCOMPARE(dialog->E_ModbusTCPSlave_IP1->selectedText(), QStringLiteral("192"));
        const auto type = [](const QString &keys) {
            for (const QChar key : keys)
                QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
        };
        type(QStringLiteral("192.168.0.10"));
        QCOMPARE(QApplication::focusWidget(), dialog->E_ModbusTCPSlave_IP4);
        dialog->E_ModbusTCPSlave2_IP1->setFocus(Qt::TabFocusReason);
        type(QStringLiteral("10.20.30.40"));
        QCOMPARE(QApplication::focusWidget(), dialog->E_ModbusTCPSlave2_IP4);
        QCOMPARE(Address(dialog->Slave_1.E_IP), QStringLiteral("192.168.0.10"));
        QCOMPARE(Address(dialog->Slave_2.E_IP), QStringLiteral("10.20.30.40"));
        QCOMPARE(Address(dialog->Slave_1.E_SM), QStringLiteral("255.255.255.0"));
        for (const QLineEdit *field : dialog->findChildren<QLineEdit *>())
            QVERIFY2(!field->text().contains(QLatin1Char('.')), qPrintable(field->objectName()));
    });
}

void Test_Communication_Dialog::restore_keeps_what_was_typed() {
    Program program;
    Write_Test_File(App.ParGen_File,
                    "<Par_Gen><Modbus_TCP_Slave_IP4>77</Modbus_TCP_Slave_IP4></Par_Gen>");
    Open(program, [&](Communication_Dialog *dialog) {
        Type_Over(dialog->E_ModbusTCPSlave_IP4, QStringLiteral("99"));
        Edit(dialog, QStringLiteral("CB_ModbusTCPSlave2_En_GAT=1"));
        QVERIFY(Minimise_And_Restore(dialog) > 0);
        // The file is not loaded again over the edits.
        QCOMPARE(dialog->E_ModbusTCPSlave_IP4->text(), QStringLiteral("99"));
        QVERIFY(dialog->CB_ModbusTCPSlave2_En_GAT->isChecked());
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(Load_ParGen(App.ParGen_File).Modbus_TCP_Slave_IP4, QStringLiteral("99"));
    QVERIFY(program.messages.Shown.isEmpty());
}

void Test_Communication_Dialog::dot_key_data() {
    QTest::addColumn<Dot_Case>("dot");
    const auto row = [](const char *name, const char *field, const char *after, bool typed) {
        QTest::newRow(name) << Dot_Case{QLatin1String(field), QLatin1String(after), typed};
    };
    row("IP2 to IP3", "E_ModbusTCPSlave_IP2", "E_ModbusTCPSlave_IP3", false);
    row("IP4 to SM1", "E_ModbusTCPSlave_IP4", "E_ModbusTCPSlave_SM1", false);
    row("SM4 to GAT1 while the gateway is off", "E_ModbusTCPSlave_SM4", "E_ModbusTCPSlave_GAT1",
        false);
    row("GAT3 to GAT4", "E_ModbusTCPSlave2_GAT3", "E_ModbusTCPSlave2_GAT4", false);
    row("endpoint 2 IP4 to its own SM1", "E_ModbusTCPSlave2_IP4", "E_ModbusTCPSlave2_SM1", false);
    row("GAT4 only drops it", "E_ModbusTCPSlave_GAT4", "E_ModbusTCPSlave_GAT4", false);
    row("endpoint 2 GAT4 only drops it", "E_ModbusTCPSlave2_GAT4", "E_ModbusTCPSlave2_GAT4", false);
    row("port types it", "E_ModbusTCPSlave_Port", "E_ModbusTCPSlave_Port", true);
    row("offset types it", "E_Options_Offset_Status", "E_Options_Offset_Status", true);
}

void Test_Communication_Dialog::dot_key() {
    QFETCH(Dot_Case, dot);
    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        auto *field = Find<QLineEdit>(dialog, dot.Field);
        auto *after = Find<QLineEdit>(dialog, dot.Focus_After);
        const QString before = field->text();
        field->setFocus(Qt::MouseFocusReason);
        field->end(false);
        QTest::keyClick(field, '.');
        QCOMPARE(QApplication::focusWidget(), after);
        QCOMPARE(field->text(), dot.Typed ? before + QLatin1Char('.') : before);
        if (after != field)
            QCOMPARE(after->selectedText(), after->text());
    });
    QVERIFY(program.messages.Shown.isEmpty());
}

void Test_Communication_Dialog::ok_data() {
    // Edits made before the first OK; then, for each OK that fails, the field that is marked
    // and the message, followed by the text that corrects it ("field|message|correction").
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("failures");
    QTest::newRow("port 10000") << QStringList{QStringLiteral("E_ModbusTCPSlave_Port=10000")}
                                << QStringList{QStringLiteral(
                                       "E_ModbusTCPSlave_Port|Error Modbus TCP Slave!! Port must "
                                       "be between 0 and 65535, and different from 10000|10001")};
    QTest::newRow("endpoint 2 byte before offset")
        << QStringList{QStringLiteral("E_Options_Offset_Regs=61536"),
                       QStringLiteral("E_ModbusTCPSlave2_IP3=256")}
        << QStringList{QStringLiteral("E_ModbusTCPSlave2_IP3|Error Modbus TCP Slave 2!! IP "
                                      "Address 3 must be between 0 and 255|3"),
                       QStringLiteral("E_Options_Offset_Regs|Error Options!! Offset Registers "
                                      "must be between 0 and 61535|61535")};
    QTest::newRow("endpoint 1 port before endpoint 2 address")
        << QStringList{QStringLiteral("E_ModbusTCPSlave2_IP1="),
                       QStringLiteral("E_ModbusTCPSlave_Port=65536")}
        << QStringList{QStringLiteral("E_ModbusTCPSlave_Port|Error Modbus TCP Slave!! Port must "
                                      "be between 0 and 65535, and different from 10000|65535"),
                       QStringLiteral("E_ModbusTCPSlave2_IP1|Error Modbus TCP Slave 2!! IP "
                                      "Address 1 must be between 0 and 255|0")};
    QTest::newRow("gateway letters while the gateway is off")
        << QStringList{QStringLiteral("E_ModbusTCPSlave_GAT1=ab"),
                       QStringLiteral("E_ModbusTCPSlave_GAT4=x y")}
        << QStringList{};
    QTest::newRow("gateway letters while the gateway is on")
        << QStringList{QStringLiteral("CB_ModbusTCPSlave2_En_GAT=1"),
                       QStringLiteral("E_ModbusTCPSlave2_GAT2=ab")}
        << QStringList{QStringLiteral("E_ModbusTCPSlave2_GAT2|Error Modbus TCP Slave 2!! GATEWAY "
                                      "IP 2 must be between 0 and 255|254")};
    QTest::newRow("byte with a trailing blank")
        << QStringList{QStringLiteral("E_ModbusTCPSlave_SM2=255 ")}
        << QStringList{QStringLiteral("E_ModbusTCPSlave_SM2|Error Modbus TCP Slave!! SUBNET Mask "
                                      "2 must be between 0 and 255| 255")};
}

void Test_Communication_Dialog::ok() {
    QFETCH(QStringList, edits);
    QFETCH(QStringList, failures);
    Program program;
    QHash<QString, QString> final_texts;
    Open(program, [&](Communication_Dialog *dialog) {
        for (const QString &edit : edits) {
            Edit(dialog, edit);
            final_texts.insert(edit.section(QLatin1Char('='), 0, 0),
                               edit.section(QLatin1Char('='), 1));
        }
        Shown_Messages expected;
        for (const QString &failure : failures) {
            const QStringList parts = failure.split(QLatin1Char('|'));
            auto *field = Find<QLineEdit>(dialog, parts.at(0));
            const QString hint = field->toolTip();
            QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
            expected.append({Message_Kind::Error, parts.at(1)});
            QCOMPARE(program.messages.Shown, expected);
            QVERIFY(dialog->isVisible());
            QVERIFY(!program.file_exists());
            // The failed field is marked where it stands; the focus stays where the click put it.
            QCOMPARE(QApplication::focusWidget(), dialog->Btn_OK);
            QCOMPARE(Red_Framed(dialog), QStringList{parts.at(0)});
            QCOMPARE(field->toolTip(), hint);
            Type_Over(field, parts.at(2));
            QCOMPARE(Red_Framed(dialog), QStringList());
            final_texts.insert(parts.at(0), parts.at(2));
        }
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(program.messages.Shown.size(), failures.size());
    QVERIFY(program.file_exists());

    // The next opening shows the texts as they were typed.
    Open(program, [&](Communication_Dialog *dialog) {
        for (auto it = final_texts.cbegin(); it != final_texts.cend(); ++it) {
            if (auto *box = dialog->findChild<QCheckBox *>(it.key()))
                QCOMPARE(box->isChecked(), it.value() == QLatin1String("1"));
            else
                QCOMPARE(Find<QLineEdit>(dialog, it.key())->text(), it.value());
        }
    });
    QCOMPARE(program.messages.Shown.size(), failures.size());
}

void Test_Communication_Dialog::network_warnings_asked_before_saving() {
    Program program;
    program.network.Pass_On = true;
    // Another configuration already uses 192.168.0.9; Plant's endpoint 1 takes it, and its
    // endpoint 2 the broadcast address of its subnet.
    QVERIFY(QDir(program.folder.path()).mkpath(QStringLiteral("PROJECTS/Hall")));
    ParGen_Params hall = Default_ParGen();
    hall.Modbus_TCP_Slave_IP4 = QStringLiteral("9");
    hall.Modbus_TCP_Slave_2_IP3 = QStringLiteral("1");
    Save_ParGen(hall, program.folder.file(QStringLiteral("PROJECTS/Hall/ParGen.xml")));
    const QString question =
        QStringLiteral("These values pass every rule but may not work on a network:\n"
                       "Warning! Modbus TCP Slave 2: the address 192.168.0.255 is the broadcast "
                       "address of its subnet\n"
                       "Warning! Both endpoints are on the subnet 192.168.0.0\n"
                       "Warning! Modbus TCP Slave: the address 192.168.0.9 is also used by the "
                       "configuration Hall\n\n"
                       "Save anyway?");
    for (const bool yes : {false, true}) {
        program.messages.Shown.clear();
        program.messages.Answers = {yes};
        Open(program, [&](Communication_Dialog *dialog) {
            Edit(dialog, QStringLiteral("E_ModbusTCPSlave_IP4=9"));
            Edit(dialog, QStringLiteral("E_ModbusTCPSlave2_IP4=255"));
            QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
            // No keeps the dialog open with what was typed, and writes nothing.
            QCOMPARE(dialog->isVisible(), !yes);
        });
        QCOMPARE(program.messages.Shown,
                 (Shown_Messages{{Message_Kind::Risky_Question, question}}));
        QCOMPARE(program.file_exists(), yes);
    }
    QCOMPARE(Load_ParGen(App.ParGen_File).Modbus_TCP_Slave_2_IP4, QStringLiteral("255"));
}

void Test_Communication_Dialog::write_failure_keeps_dialog_open() {
    SKIP_UNLESS_READ_ONLY_FOLDERS();
    Program program;
    Write_Test_File(App.ParGen_File,
                    "<Par_Gen><Modbus_TCP_Slave_IP4>77</Modbus_TCP_Slave_IP4></Par_Gen>");
    const QByteArray before = program.file();
    Open(program, [&](Communication_Dialog *dialog) {
        Type_Over(dialog->E_ModbusTCPSlave_IP4, QStringLiteral("78"));
        {
            // The configuration's folder alone cannot be written; its lock, beside it in
            // PROJECTS, can be made.
            QFile::setPermissions(App.Projects_Dir,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                      QFileDevice::WriteOther | QFileDevice::ExeOther);
            Read_Only_Folder guard(App.Proj_Dir);
            QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        }
        QVERIFY(dialog->isVisible());
        QCOMPARE(program.messages.Shown.size(), 1);
        QCOMPARE(program.messages.Shown.first().first, Message_Kind::Standard_Error);
        QVERIFY2(program.messages.Shown.first().second.contains(QLatin1String("Permission denied")),
                 qPrintable(program.messages.Shown.first().second));
        QCOMPARE(program.file(), before);
        QCOMPARE(dialog->E_ModbusTCPSlave_IP4->text(), QStringLiteral("78"));

        // Once the folder can be written again, the same OK saves and closes.
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(Load_ParGen(App.ParGen_File).Modbus_TCP_Slave_IP4, QStringLiteral("78"));
    QCOMPARE(program.messages.Shown.size(), 1);
}

void Test_Communication_Dialog::ok_keeps_changes_made_meanwhile_data() {
    // While the dialog is shown, another program (the command-line tool, a second window)
    // changes the file; then the edits are made and OK pressed, and pressed once more after
    // the correction when the first OK is refused.
    QTest::addColumn<QStringList>("meanwhile"); // key=value written meanwhile
    QTest::addColumn<QStringList>("edits");     // control=text typed in the dialog
    QTest::addColumn<QString>("message");       // of the first OK; empty when it saves
    QTest::addColumn<QStringList>("correction");
    QTest::addColumn<QStringList>("saved"); // key=value the file holds in the end

    QTest::newRow("another key") << QStringList{QStringLiteral("Modbus_TCP_Slave_IP4=77")}
                                 << QStringList{QStringLiteral("E_ModbusTCPSlave_Port=1502")}
                                 << QString() << QStringList()
                                 << QStringList{QStringLiteral("Modbus_TCP_Slave_IP4=77"),
                                                QStringLiteral("Modbus_TCP_Slave_Port=1502")};
    QTest::newRow("the same key: the edit made here wins")
        << QStringList{QStringLiteral("Modbus_TCP_Slave_IP4=77")}
        << QStringList{QStringLiteral("E_ModbusTCPSlave_IP4=78")} << QString() << QStringList()
        << QStringList{QStringLiteral("Modbus_TCP_Slave_IP4=78")};
    // Letters in a gateway byte pass while the gateway is off; the other program switched it
    // on, so the whole is refused and shown as it would be saved.
    QTest::newRow("together they break a rule")
        << QStringList{QStringLiteral("Modbus_TCP_Slave_EN_GAT=1")}
        << QStringList{QStringLiteral("E_ModbusTCPSlave_GAT1=ab")}
        << "Error Modbus TCP Slave!! GATEWAY IP 1 must be between 0 and 255"
        << QStringList{QStringLiteral("E_ModbusTCPSlave_GAT1=10")}
        << QStringList{QStringLiteral("Modbus_TCP_Slave_EN_GAT=1"),
                       QStringLiteral("Modbus_TCP_Slave_GAT1=10")};
}

void Test_Communication_Dialog::ok_keeps_changes_made_meanwhile() {
    QFETCH(QStringList, meanwhile);
    QFETCH(QStringList, edits);
    QFETCH(QString, message);
    QFETCH(QStringList, correction);
    QFETCH(QStringList, saved);

    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        Save_Changed_Defaults(meanwhile);
        const QByteArray written_meanwhile = program.file();
        for (const QString &edit : edits)
            Edit(dialog, edit);
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        if (message.isEmpty()) {
            QVERIFY(!dialog->isVisible());
            return;
        }
        QCOMPARE(program.messages.Shown, (Shown_Messages{{Message_Kind::Error, message}}));
        QVERIFY(dialog->isVisible());
        QCOMPARE(program.file(), written_meanwhile);
        QVERIFY(dialog->CB_ModbusTCPSlave_En_GAT->isChecked());
        for (const QString &edit : correction)
            Edit(dialog, edit);
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    ParGen_Params expected = Default_ParGen();
    for (const QString &change : saved)
        Set_ParGen_Value(expected, *Find_ParGen_Key(change.section(QLatin1Char('='), 0, 0)),
                         change.section(QLatin1Char('='), 1));
    QVERIFY(Load_ParGen(App.ParGen_File) == expected);
    QCOMPARE(program.messages.Shown.size(), message.isEmpty() ? 0 : 1);
}

void Test_Communication_Dialog::ok_refused_while_another_changes_the_configuration() {
    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        dialog->Lock_Wait_Ms = 100;
        Type_Over(dialog->E_ModbusTCPSlave_IP4, QStringLiteral("78"));
        {
            Configuration_Lock other(App.Proj_Dir);
            QVERIFY(other.Take(0));
            QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        }
        QVERIFY(dialog->isVisible());
        QCOMPARE(program.messages.Shown.size(), 1);
        const auto &[kind, text] = program.messages.Shown.first();
        QCOMPARE(kind, Message_Kind::Error);
        // It names the configuration and the process that holds it: this test.
        QVERIFY2(text.contains(QLatin1String("Plant")) &&
                     text.contains(QString::number(QCoreApplication::applicationPid())),
                 qPrintable(text));
        QVERIFY(!program.file_exists());

        // Once the other change is done, the same OK saves.
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(Load_ParGen(App.ParGen_File).Modbus_TCP_Slave_IP4, QStringLiteral("78"));
}

void Test_Communication_Dialog::ok_without_a_lock_file_keeps_dialog_open() {
    SKIP_UNLESS_READ_ONLY_FOLDERS();
    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        Type_Over(dialog->E_ModbusTCPSlave_IP4, QStringLiteral("78"));
        {
            // The lock is taken on a worker thread, so that the windows keep painting; its
            // failure reaches the dialog all the same.
            Read_Only_Folder guard(App.Projects_Dir);
            QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        }
        QVERIFY(dialog->isVisible());
        QCOMPARE(program.messages.Shown,
                 (Shown_Messages{{Message_Kind::Standard_Error,
                                  QStringLiteral("Cannot create %1: its folder may not be "
                                                 "written")
                                      .arg(Configuration_Lock_Path(App.Proj_Dir))}}));
        QVERIFY(!program.file_exists());
    });
}

void Test_Communication_Dialog::pasted_values_write_a_readable_file() {
    // Ten values that pass every rule (gateway bytes while the gateway is off, offsets with
    // leading zeros), pasted 120,000 characters long.
    const QStringList fields{
        QStringLiteral("E_ModbusTCPSlave_GAT1"),  QStringLiteral("E_ModbusTCPSlave_GAT2"),
        QStringLiteral("E_ModbusTCPSlave_GAT3"),  QStringLiteral("E_ModbusTCPSlave_GAT4"),
        QStringLiteral("E_ModbusTCPSlave2_GAT1"), QStringLiteral("E_ModbusTCPSlave2_GAT2"),
        QStringLiteral("E_ModbusTCPSlave2_GAT3"), QStringLiteral("E_ModbusTCPSlave2_GAT4"),
        QStringLiteral("E_Options_Offset_Regs"),  QStringLiteral("E_Options_Offset_Status")};
    const QString pasted(120000, QLatin1Char('0'));
    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        for (const QString &name : fields) {
            auto *field = Find<QLineEdit>(dialog, name);
            field->setFocus(Qt::TabFocusReason);
            field->selectAll();
            field->insert(pasted);
        }
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(program.messages.Shown, Shown_Messages());
    const ParGen_Params saved = Load_ParGen(App.ParGen_File);
    QCOMPARE(saved.OPTIONS_OFFSET_STATUS, QString(ParGen_Value_Limit, QLatin1Char('0')));
    QCOMPARE(saved.Modbus_TCP_Slave_2_GAT4, QString(ParGen_Value_Limit, QLatin1Char('0')));
}

void Test_Communication_Dialog::cancel_writes_nothing_data() {
    QTest::addColumn<bool>("close_box");
    QTest::addColumn<bool>("with_file");
    QTest::newRow("Cancel, no file yet") << false << false;
    QTest::newRow("Cancel") << false << true;
    QTest::newRow("close box") << true << true;
}

void Test_Communication_Dialog::cancel_writes_nothing() {
    QFETCH(bool, close_box);
    QFETCH(bool, with_file);
    Program program;
    if (with_file)
        Write_Test_File(App.ParGen_File,
                        "<Par_Gen><Modbus_TCP_Slave_IP4>77</Modbus_TCP_Slave_IP4>"
                        "<Modbus_TCP_Slave_EN_GAT>1</Modbus_TCP_Slave_EN_GAT></Par_Gen>");
    const QByteArray before = program.file();
    const QString shown_ip4 = with_file ? QStringLiteral("77") : QStringLiteral("5");
    Open(program, [&](Communication_Dialog *dialog) {
        QCOMPARE(dialog->E_ModbusTCPSlave_IP4->text(), shown_ip4);
        Type_Over(dialog->E_ModbusTCPSlave_IP4, QStringLiteral("99"));
        Edit(dialog, QStringLiteral("CB_ModbusTCPSlave_En_GAT=") +
                         (with_file ? QStringLiteral("0") : QStringLiteral("1")));
        if (close_box)
            dialog->close();
        else
            QTest::mouseClick(dialog->Btn_Cancel, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(program.file_exists(), with_file);
    QCOMPARE(program.file(), before);
    Open(program, [&](Communication_Dialog *dialog) {
        QCOMPARE(dialog->E_ModbusTCPSlave_IP4->text(), shown_ip4);
        QCOMPARE(dialog->CB_ModbusTCPSlave_En_GAT->isChecked(), with_file);
    });
    QVERIFY(program.messages.Shown.isEmpty());
}

void Test_Communication_Dialog::keys_data() {
    QTest::addColumn<QString>("offset");   // typed into Offset Registers first, when not empty
    QTest::addColumn<QStringList>("keys"); // from the first address byte
    QTest::addColumn<QString>("outcome");
    QTest::newRow("Enter in a field confirms") << "" << Keys("Return") << "closed, saved";
    QTest::newRow("keypad Enter confirms") << "" << Keys("Enter") << "closed, saved";
    QTest::newRow("Enter with a value out of range names it")
        << "99999" << Keys("Return") << "open, 1 message";
    QTest::newRow("Esc cancels") << "" << Keys("Esc") << "closed";
    QTest::newRow("Shift+Tab to Cancel, Enter cancels")
        << "" << Keys("Shift+Tab, Shift+Tab, Return") << "closed";
    QTest::newRow("Shift+Tab to the panel's title, Space folds it")
        << "" << Keys("Shift+Tab, Space") << "open, first panel folded";
    QTest::newRow("Enter on the title unfolds it again, closing nothing")
        << "" << Keys("Shift+Tab, Space, Return") << "open";
}

// Every key does what the focused control shows: Enter in a field is OK, Esc is Cancel, and a
// focused button or panel title takes Enter itself.
void Test_Communication_Dialog::keys() {
    QFETCH(QString, offset);
    QFETCH(QStringList, keys);
    Program program;
    QString outcome;
    Open(program, [&](Communication_Dialog *dialog) {
        if (!offset.isEmpty())
            Type_Over(dialog->E_Options_Offset_Regs, offset);
        dialog->E_ModbusTCPSlave_IP1->setFocus(Qt::TabFocusReason);
        Press_Keys(keys);
        // The keys run from the event loop: give it time for each, and a few more.
        QTest::qWait(30 * (int(keys.size()) + 4));
        outcome = QLatin1String(dialog->isVisible() ? "open" : "closed");
        if (program.file_exists())
            outcome += QStringLiteral(", saved");
        if (dialog->CP_Modbus_TCP_Slave->Collapsed())
            outcome += QStringLiteral(", first panel folded");
        if (!program.messages.Shown.isEmpty())
            outcome += QStringLiteral(", %1 message").arg(program.messages.Shown.size());
        dialog->CP_Modbus_TCP_Slave->Set_Collapsed(false);
    });
    QTEST(outcome, "outcome");
}

void Test_Communication_Dialog::malformed_file_keeps_fields() {
    Program program;
    Write_Test_File(App.ParGen_File, "<Par_Gen><Modbus_TCP_Slave_IP4>77</Par_Gen>");
    // The first opening keeps the texts the fields were made with.
    Open(program, [&](Communication_Dialog *dialog) {
        QCOMPARE(Address(dialog->Slave_1.E_SM), QStringLiteral("192.168.0.5"));
        QCOMPARE(Address(dialog->Slave_2.E_IP), QStringLiteral("192.168.0.5"));
    });
    QCOMPARE(program.messages.Shown.size(), 1);
    QCOMPARE(program.messages.Shown.first().first, Message_Kind::Standard_Error);
    const QString reason = program.messages.Shown.first().second;
    QVERIFY2(reason.contains(App.ParGen_File) && reason.contains(QLatin1String("line 1")),
             qPrintable(reason));

    // A later one keeps the texts the dialog had when it last closed, cancelled edits included.
    Write_Test_File(App.ParGen_File,
                    "<Par_Gen><Modbus_TCP_Slave_IP4>77</Modbus_TCP_Slave_IP4></Par_Gen>");
    Open(program, [&](Communication_Dialog *dialog) {
        QCOMPARE(dialog->E_ModbusTCPSlave_IP4->text(), QStringLiteral("77"));
        Type_Over(dialog->E_ModbusTCPSlave_IP4, QStringLiteral("88"));
    });
    Write_Test_File(App.ParGen_File, "<Par_Gen>");
    Open(program, [&](Communication_Dialog *dialog) {
        QCOMPARE(dialog->E_ModbusTCPSlave_IP4->text(), QStringLiteral("88"));
        QCOMPARE(Address(dialog->Slave_1.E_SM), QStringLiteral("255.255.255.0"));
    });
    QCOMPARE(program.messages.Shown.size(), 2);
    QCOMPARE(program.messages.Shown.last().first, Message_Kind::Standard_Error);
    QCOMPARE(program.file(), QByteArray("<Par_Gen>"));
}

void Test_Communication_Dialog::width_snaps_back_data() {
    QTest::addColumn<QSize>("asked");
    QTest::newRow("wider and lower") << QSize(700, 500);
    QTest::newRow("narrower and higher") << QSize(300, 800);
}

void Test_Communication_Dialog::width_snaps_back() {
    QFETCH(QSize, asked);
    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        dialog->resize(asked);
        QTRY_COMPARE(dialog->size(), QSize(460, asked.height()));
        // The header stays on top, the button bar at the bottom with the buttons at its right
        // end, and the panels fill the space between.
        QCOMPARE(dialog->P_Title->geometry(), QRect(0, 0, 460, 69));
        QCOMPARE(dialog->P_Button->geometry(), QRect(0, asked.height() - 40, 460, 40));
        QCOMPARE(dialog->Panel_Group->geometry(), QRect(0, 69, 460, asked.height() - 109));
        QVERIFY(dialog->Btn_Cancel->geometry().right() > 460 - 30);
        QVERIFY(dialog->Btn_OK->geometry().right() < dialog->Btn_Cancel->x());
    });
    // The height is kept for the next opening.
    Open(program, [&](Communication_Dialog *dialog) {
        QCOMPARE(dialog->size(), QSize(460, asked.height()));
    });
}

void Test_Communication_Dialog::wheel_data() {
    QTest::addColumn<QString>("over"); // a control's name
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<int>("lines");    // the system setting
    QTest::addColumn<int>("scrolled"); // lines, downwards positive
    const QPoint down(0, -120);
    const QPoint up(0, 120);
    QTest::newRow("header") << "P_Title" << down << 3 << 0;
    QTest::newRow("button bar") << "Btn_Cancel" << up << 3 << 0;
    QTest::newRow("field, down") << "E_ModbusTCPSlave2_IP1" << down << 3 << 3;
    QTest::newRow("field, up") << "E_ModbusTCPSlave2_IP1" << up << 3 << -3;
    QTest::newRow("caption, one setting line") << "L_ModbusTCPSlave2_SM" << down << 1 << 1;
    QTest::newRow("three notches in one event")
        << "E_ModbusTCPSlave2_Port" << QPoint(0, -360) << 3 << 3;
    QTest::newRow("a fraction of a notch") << "E_ModbusTCPSlave2_Port" << QPoint(0, 15) << 2 << -2;
    QTest::newRow("sideways tilt") << "E_ModbusTCPSlave2_IP1" << QPoint(-120, 0) << 3 << 0;
}

void Test_Communication_Dialog::wheel() {
    QFETCH(QString, over);
    QFETCH(QPoint, angle);
    QFETCH(int, lines);
    QFETCH(int, scrolled);
    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        dialog->resize(460, 320);
        QScrollBar *bar = dialog->Panel_Group->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 150);
        bar->setValue(100);
        QApplication::setWheelScrollLines(lines);

        // Delivered as the pointer would: to the innermost control at the centre of the named one.
        const QWidget *named = Find<QWidget>(dialog, over);
        const QPoint point = named->mapTo(dialog, named->rect().center());
        QWidget *target = dialog->childAt(point);
        QVERIFY(target == named || named->isAncestorOf(target));
        const QPoint local = target->mapFrom(dialog, point);
        const QPoint global = target->mapToGlobal(local);
        QWheelEvent event(local, global, QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        // As from the window system (sendEvent would not pass it on to the parents).
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(target, &event);
        QCOMPARE(bar->value(), 100 + scrolled * bar->singleStep());
    });
}

void Test_Communication_Dialog::panels_collapse_and_keep_state() {
    Program program;
    Open(program, [&](Communication_Dialog *dialog) {
        const int title = dialog->Panel_Group->Title_Height();
        QTest::mouseClick(dialog->CP_Modbus_TCP_Slave->Title_Bar(), Qt::LeftButton);
        QVERIFY(dialog->CP_Modbus_TCP_Slave->Collapsed());
        QVERIFY(!dialog->E_ModbusTCPSlave_IP1->isVisible());
        QTRY_COMPARE(dialog->CP_Modbus_TCP_Slave2->y(), title);
        QTest::mouseClick(dialog->CP_Modbus_TCP_Slave->Title_Bar(), Qt::LeftButton);
        QVERIFY(!dialog->CP_Modbus_TCP_Slave->Collapsed());
        QVERIFY(dialog->E_ModbusTCPSlave_IP1->isVisible());

        // "." scrolls the field it moves to into view.
        dialog->resize(460, 200);
        QScrollBar *bar = dialog->Panel_Group->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(0);
        dialog->E_ModbusTCPSlave_SM4->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(dialog->E_ModbusTCPSlave_SM4, '.');
        QCOMPARE(QApplication::focusWidget(), dialog->E_ModbusTCPSlave_GAT1);
        const QRect shown = dialog->Panel_Group->viewport()->rect();
        QVERIFY(shown.contains(QRect(
            dialog->E_ModbusTCPSlave_GAT1->mapTo(dialog->Panel_Group->viewport(), QPoint(0, 0)),
            dialog->E_ModbusTCPSlave_GAT1->size())));

        dialog->Panel_Group->ensureWidgetVisible(dialog->CP_Options->Title_Bar());
        const int expanded_range = bar->maximum();
        QTest::mouseClick(dialog->CP_Options->Title_Bar(), Qt::LeftButton);
        QVERIFY(dialog->CP_Options->Collapsed());
        QTRY_VERIFY(bar->maximum() < expanded_range);
        bar->setValue(bar->maximum() / 2);
        QTest::mouseClick(dialog->Btn_Cancel, Qt::LeftButton);
    });
    int scroll = 0;
    Open(program, [&](Communication_Dialog *dialog) {
        QVERIFY(dialog->CP_Options->Collapsed());
        QVERIFY(!dialog->CP_Modbus_TCP_Slave->Collapsed());
        QVERIFY(!dialog->E_Options_Offset_Regs->isVisible());
        scroll = dialog->Panel_Group->verticalScrollBar()->value();
        QCOMPARE(scroll, dialog->Panel_Group->verticalScrollBar()->maximum() / 2);
    });
    QVERIFY(scroll > 0);
}

void Test_Communication_Dialog::language_change() {
    Program program;
    QDir(program.folder.path()).mkpath(QStringLiteral("LANGUAGE"));
    QByteArray lines;
    for (int n = 800; n < 890; ++n)
        lines += "STR" + QByteArray::number(n) + " = T" + QByteArray::number(n) + "\n";
    Write_Test_File(program.folder.file(QStringLiteral("LANGUAGE/Test.lng")), lines);
    App.Language_Name = QStringLiteral("Test");
    Load_Language();
    program.main->Change_Language();
    const Communication_Dialog *dialog = program.dialog;

    // name -> "caption|hint" as entries; 0 for none.
    QHash<QString, QString> expected;
    const auto entry = [](int caption, int hint) {
        return (caption ? QStringLiteral("T%1").arg(caption) : QString()) + QLatin1Char('|') +
               (hint ? QStringLiteral("T%1").arg(hint) : QString());
    };
    expected.insert(QStringLiteral("Btn_OK"), entry(802, 804));
    expected.insert(QStringLiteral("Btn_Cancel"), entry(803, 805));
    const struct {
        const char *Stem;
        int IP, SM, Gateway, Port;
    } endpoints[] = {{"ModbusTCPSlave", 807, 812, 817, 823},
                     {"ModbusTCPSlave2", 859, 864, 869, 875}};
    for (const auto &e : endpoints) {
        const QString stem = QLatin1String(e.Stem);
        expected.insert(QStringLiteral("L_%1_IP").arg(stem), entry(e.IP, 0));
        expected.insert(QStringLiteral("L_%1_SM").arg(stem), entry(e.SM, 0));
        expected.insert(QStringLiteral("CB_%1_En_GAT").arg(stem), entry(e.Gateway, e.Gateway + 1));
        expected.insert(QStringLiteral("L_%1_Port").arg(stem), entry(e.Port, 0));
        expected.insert(QStringLiteral("E_%1_Port").arg(stem), entry(0, e.Port + 1));
        for (int n = 1; n <= 4; ++n) {
            expected.insert(QStringLiteral("E_%1_IP%2").arg(stem).arg(n), entry(0, e.IP + n));
            expected.insert(QStringLiteral("E_%1_SM%2").arg(stem).arg(n), entry(0, e.SM + n));
            expected.insert(QStringLiteral("E_%1_GAT%2").arg(stem).arg(n),
                            entry(0, e.Gateway + 1 + n));
        }
    }
    expected.insert(QStringLiteral("L_Options_Offset_Regs"), entry(837, 0));
    expected.insert(QStringLiteral("E_Options_Offset_Regs"), entry(0, 838));
    expected.insert(QStringLiteral("L_Options_Offset_Status"), entry(839, 0));
    expected.insert(QStringLiteral("E_Options_Offset_Status"), entry(0, 840));

    // Every named control with a caption or a hint, as the dialog shows it now.
    QHash<QString, QString> shown;
    for (const QWidget *control : dialog->findChildren<QWidget *>()) {
        QString caption;
        if (const auto *label = qobject_cast<const QLabel *>(control))
            caption = label->text();
        else if (const auto *button = qobject_cast<const QAbstractButton *>(control))
            caption = button->text();
        if (!control->objectName().isEmpty() &&
            (!caption.isEmpty() || !control->toolTip().isEmpty()))
            shown.insert(control->objectName(), caption + QLatin1Char('|') + control->toolTip());
    }
    QCOMPARE(shown, expected);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("T800"));
    QCOMPARE(dialog->L_SW_Desc->text(), QStringLiteral("T801"));
    QCOMPARE(dialog->CP_Modbus_TCP_Slave->Caption(), QStringLiteral("1. Modbus TCP Slave"));
    QCOMPARE(dialog->CP_Modbus_TCP_Slave2->Caption(), QStringLiteral("2. Modbus TCP Slave"));
    QCOMPARE(dialog->CP_Options->Caption(), QStringLiteral("3. Options"));
    // The messages of the rules come in the new language too.
    Open(program, [&](Communication_Dialog *dialog) {
        Type_Over(dialog->E_Options_Offset_Status, QStringLiteral("-1"));
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
    });
    QCOMPARE(program.messages.Shown,
             (Shown_Messages{{Message_Kind::Error, QStringLiteral("T857")}}));
}

QTEST_MAIN(Test_Communication_Dialog)
#include "tst_communication_dialog.moc"
