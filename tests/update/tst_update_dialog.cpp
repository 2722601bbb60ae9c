#include "support/CliRun.h"
#include "support/GuiSupport.h"
#include "support/MessageRecorder.h"
#include "support/ScriptedEcho.h"
#include "support/TestSupport.h"
#ifdef MODBUS_SERVER_SCRIPT
#include "support/ModbusServer.h"
#endif

#include "image/Bank.h"
#include "language/LangStrings.h"
#include "parameters/ParGen.h"
#include "shell/AppState.h"
#include "update/JobFile.h"
#include "update/ModbusCheck.h"
#include "update/UpdateDialog.h"
#include "update/UpdateLock.h"
#include "update/UpdateRecord.h"
#include "update/UpdaterLaunch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QTest>

namespace {

QElapsedTimer &Clock() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock;
}

// A program folder with one configuration whose parameters were confirmed, remembered so that
// it is active at start-up, the firmware, and the stand-in updater beside the program.
struct Update_Fixture {
    Program_Folder Program;
    Message_Recorder Messages;
    std::unique_ptr<Main_Window> Main;
    Scripted_Echo *Echo = nullptr;

    explicit Update_Fixture(const QString &script = QStringLiteral("RR"), bool updater = true) {
        QDir(Program.path()).mkpath(QStringLiteral("PROJECTS/Plant/bin"));
        QDir(Program.path()).mkpath(QStringLiteral("MASTER"));
        Save_ParGen(Default_ParGen(), Program.file(QStringLiteral("PROJECTS/Plant/ParGen.xml")));
        Write_Test_File(Program.file(QStringLiteral("MASTER/sim20914.sim")), "FIRM");
        Write_Test_File(Program.file(Settings_File_Name),
                        "<Conf_Settings><lastproj><projectname>Plant</projectname></lastproj>"
                        "<lastinternet><check_after_update>0</check_after_update></lastinternet>"
                        "</Conf_Settings>");
        if (updater) {
            QFile::copy(QStringLiteral(STAND_IN_UPDATER), Program.file(Updater_File_Name));
            QFile::setPermissions(Program.file(Updater_File_Name),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        Main = Start_Program(Program.path());
        auto echo =
            std::make_unique<Scripted_Echo>(script, [] { return quint32(Clock().elapsed()); });
        Echo = echo.get();
        Main->Update_Window()->Ping = std::move(echo);
    }
    ~Update_Fixture() { Main->close(); }

    QString Record() const {
        return QString::fromUtf8(
            Read_Test_File(Program.file(QStringLiteral("updater_record.txt"))));
    }

    // The outcomes the configuration's record of updates holds, in order.
    QStringList Outcomes() const {
        QStringList outcomes;
        for (const QJsonObject &entry :
             Parse_Update_History(Read_Test_File(Program.file(QStringLiteral("PROJECTS/Plant/") +
                                                              Update_Record_File_Name)))
                 .Entries)
            outcomes << entry.value(QStringLiteral("outcome")).toString();
        return outcomes;
    }

    // Opens the update dialog from the main window, runs action in it and closes it.
    void In_Dialog(const std::function<void(Update_Dialog *)> &action) {
        When_Modal([action](QWidget *dialog) {
            auto *update_dialog = qobject_cast<Update_Dialog *>(dialog);
            QVERIFY(update_dialog);
            action(update_dialog);
            if (update_dialog->isVisible())
                QTest::mouseClick(update_dialog->Btn_Cancel, Qt::LeftButton);
        });
        QTest::mouseClick(Main->Btn_Update_Device, Qt::LeftButton);
    }
};

// Types text key by key into whichever field has the focus, as a user would.
void Type_Address(Update_Dialog *update_dialog, const QString &text) {
    update_dialog->E_IP[0]->setFocus(Qt::TabFocusReason);
    for (QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

// Puts the address into the four fields as the dialog would show it.
void Set_Address(Update_Dialog *update_dialog, const std::array<const char *, 4> &bytes) {
    for (int i = 0; i < 4; ++i)
        update_dialog->E_IP[i]->setText(QLatin1String(bytes[i]));
}

// What the status area says at a glance: its colour's name and its headline.
QString Glance(const Update_Dialog *update_dialog) {
    static const char *const names[] = {"none", "busy", "good", "warning", "bad", "neutral"};
    return QLatin1String(names[int(update_dialog->P_Status->Shown_Tone())]) + QStringLiteral(": ") +
           update_dialog->P_Status->L_Headline->text();
}

// Presses Execute, and Cancel as soon as the update offers it.
struct Cancelled_Update {
    QString Offered;       // the status when Cancel was enabled: "detail|glance"
    qint64 Waited_Ms = -1; // from the press to the end of the update
    QString End;           // the status at the end: "glance|detail"
};
Cancelled_Update Update_And_Cancel(Update_Dialog *update_dialog) {
    Cancelled_Update result;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, update_dialog, [&] {
        if (!update_dialog->Btn_Cancel->isEnabled() || !result.Offered.isEmpty())
            return;
        result.Offered = update_dialog->L_Status->text() + QLatin1Char('|') + Glance(update_dialog);
        QTest::mouseClick(update_dialog->Btn_Cancel, Qt::LeftButton);
    });
    watch.start();
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
    result.Waited_Ms = clock.elapsed();
    result.End = Glance(update_dialog) + QLatin1Char('|') + update_dialog->L_Status->text();
    return result;
}

// True when Update Device opened the update dialog (closed again at once).
bool Update_Device_Opens_Dialog(Main_Window *main) {
    bool opened = false;
    QTimer guard;
    guard.setInterval(20);
    QObject::connect(&guard, &QTimer::timeout, [&opened] {
        if (auto *dialog = QApplication::activeModalWidget()) {
            opened = true;
            dialog->close();
        }
    });
    guard.start();
    QTest::mouseClick(main->Btn_Update_Device, Qt::LeftButton);
    return opened;
}

} // namespace

class Test_Update_Dialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void texts_and_first_showing();
    void shown_address_data();
    void shown_address();
    void dot_moves_focus();
    void restore_keeps_what_was_typed();
    void update_runs_updater_data();
    void update_runs_updater();
    void updater_outliving_the_limit_is_left_running();
    void record_written_before_the_message();
    void refused_before_probe_data();
    void refused_before_probe();
    void updater_failure_is_named();
    void read_only_program_folder();
    void address_taken_when_update_is_pressed();
    void elapsed_time_clear_of_the_controls();
    void failed_probe_data();
    void failed_probe();
    void address_of_no_device();
    void second_press_and_cancel_during_update();
    void update_device_stops_on_image_errors();
    void device_checked_after_update_data();
    void device_checked_after_update();
    void update_waits_for_command_line_update_then_gives_up();
    void cancel_leaves_the_wait_for_another_update();
    void cancel_leaves_the_check_after_the_update();
    void keys_data();
    void keys();
    void command_line_update_gives_up_while_window_updates();
};

void Test_Update_Dialog::texts_and_first_showing() {
    Update_Fixture fixture;
    fixture.In_Dialog([](Update_Dialog *update_dialog) {
        QCOMPARE(update_dialog->size(), QSize(449, 456));
        // What an update would send, before it is pressed.
        const QStringList summary = update_dialog->L_Summary->text().split(QLatin1Char('\n'));
        QCOMPARE(summary.size(), 6);
        QCOMPARE(summary.at(0), QStringLiteral("Configuration: Plant"));
        QVERIFY(summary.at(1).startsWith(QLatin1String("Image checksum: 0x")));
        QCOMPARE(summary.at(2), QStringLiteral("Modbus TCP Slave: 192.168.0.5, port 502"));
        QCOMPARE(summary.at(3), QStringLiteral("Modbus TCP Slave 2: 192.168.0.6, port 502"));
        QCOMPARE(summary.at(4), QStringLiteral("Offset Registers: 0, Offset Status: 0"));
        QVERIFY(summary.at(5).startsWith(QLatin1String("Firmware: sim20914.sim, 4 bytes, ")));
        // Each option lists what it sends, and nothing else.
        update_dialog->CB_Update_Options->setCurrentIndex(2);
        QCOMPARE(update_dialog->L_Summary->text().split(QLatin1Char('\n')).mid(4),
                 (QStringList{QStringLiteral("Offset Registers: 0, Offset Status: 0"),
                              QStringLiteral("Firmware: not sent")}));
        update_dialog->CB_Update_Options->setCurrentIndex(1);
        const QStringList firmware = update_dialog->L_Summary->text().split(QLatin1Char('\n'));
        QCOMPARE(firmware.size(), 3);
        QCOMPARE(firmware.at(1), QStringLiteral("Configuration: not sent"));
        QVERIFY(firmware.at(2).startsWith(QLatin1String("Firmware: sim20914.sim, 4 bytes, ")));
        update_dialog->CB_Update_Options->setCurrentIndex(0);
        QCOMPARE(update_dialog->windowTitle(), QStringLiteral("Update Device by Ethernet (UDP)"));
        QCOMPARE(update_dialog->L_SW_Code->text(), QStringLiteral("CF20914"));
        QCOMPARE(update_dialog->L_SW_Desc->text(),
                 QStringLiteral("Update Device Using the Ethernet Port"));
        QCOMPARE(update_dialog->E_IP[3]->toolTip(),
                 QStringLiteral("Insert fourth byte of IP Address"));
        QCOMPARE(update_dialog->CB_Update_Options->count(), 3);
        QCOMPARE(update_dialog->CB_Update_Options->currentText(),
                 QStringLiteral("Firmware + Configuration"));
        QVERIFY(update_dialog->CB_Update_Option_Read_Back->isChecked());
        QCOMPARE(update_dialog->Btn_Update->text(), QStringLiteral("Execute Update Firmware"));
        QCOMPARE(update_dialog->Btn_Cancel->toolTip(),
                 QStringLiteral("Exit without to do the Update"));
        QVERIFY(update_dialog->E_IP[0]->hasFocus());
        QCOMPARE(update_dialog->Address_Text(), QStringLiteral("192.168.2.205"));
    });
    // Update Device wrote the image before the dialog opened.
    QCOMPARE(
        Read_Test_File(fixture.Program.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin"))).size(),
        Bank_Size);
    QVERIFY2(fixture.Messages.Shown.isEmpty(), qPrintable(fixture.Messages.Texts()));
}

void Test_Update_Dialog::shown_address_data() {
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("shown");
    QTest::newRow("four parts") << "10.1.2.3"
                                << "10.1.2.3";
    QTest::newRow("blanks around the dots") << " 10 . 0 . 0 . 1 "
                                            << "10.0.0.1";
    QTest::newRow("three parts keep the fields") << "10.1.2"
                                                 << "7.7.7.7";
    QTest::newRow("a part above 255 keeps the fields") << "10.1.2.256"
                                                       << "7.7.7.7";
    QTest::newRow("empty keeps the fields") << ""
                                            << "7.7.7.7";
}

void Test_Update_Dialog::shown_address() {
    QFETCH(QString, remembered);
    Update_Fixture fixture;
    for (QLineEdit *field : fixture.Main->Update_Window()->E_IP)
        field->setText(QStringLiteral("7"));
    App.Last_IP_Address = remembered;
    QString shown;
    fixture.In_Dialog(
        [&shown](Update_Dialog *update_dialog) { shown = update_dialog->Address_Text(); });
    QTEST(shown, "shown");
}

void Test_Update_Dialog::dot_moves_focus() {
    Update_Fixture fixture;
    fixture.In_Dialog([](Update_Dialog *update_dialog) {
        Type_Address(update_dialog, QStringLiteral("10.20.30.40."));
        QCOMPARE(update_dialog->Address_Text(), QStringLiteral("10.20.30.40"));
        QVERIFY(update_dialog->E_IP[3]->hasFocus());
        for (QLineEdit *field : update_dialog->E_IP)
            QVERIFY(!field->text().contains(QLatin1Char('.')));
    });
}

void Test_Update_Dialog::restore_keeps_what_was_typed() {
    Update_Fixture fixture;
    fixture.In_Dialog([](Update_Dialog *update_dialog) {
        Type_Address(update_dialog, QStringLiteral("10.1.2.3"));
        update_dialog->CB_Update_Options->setCurrentIndex(2);
        update_dialog->CB_Update_Option_Read_Back->setChecked(false);
        update_dialog->move(update_dialog->pos() + QPoint(30, 20));
        const QPoint moved = update_dialog->pos();
        QVERIFY(Minimise_And_Restore(update_dialog) > 0);
        // Nothing of the showing steps runs again: not the remembered address and choices, not
        // the centring.
        QCOMPARE(update_dialog->Address_Text(), QStringLiteral("10.1.2.3"));
        QCOMPARE(update_dialog->CB_Update_Options->currentIndex(), 2);
        QVERIFY(!update_dialog->CB_Update_Option_Read_Back->isChecked());
        QCOMPARE(update_dialog->pos(), moved);
    });
    // The program's own next showing still puts back what was remembered.
    QString shown;
    fixture.In_Dialog(
        [&shown](Update_Dialog *update_dialog) { shown = update_dialog->Address_Text(); });
    QCOMPARE(shown, QStringLiteral("192.168.2.205"));
}

void Test_Update_Dialog::update_runs_updater_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("read_back");
    QTest::newRow("firmware and configuration, read back") << 0 << true;
    QTest::newRow("firmware, no read back") << 1 << false;
    QTest::newRow("configuration, no read back") << 2 << false;
}

void Test_Update_Dialog::update_runs_updater() {
    QFETCH(int, option);
    QFETCH(bool, read_back);
    Update_Fixture fixture;
    bool still_open = false;
    QString status, glance, after_edit;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        Type_Address(update_dialog, QStringLiteral("192.168.000.010"));
        update_dialog->CB_Update_Options->setCurrentIndex(option);
        update_dialog->CB_Update_Option_Read_Back->setChecked(read_back);
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
        still_open = update_dialog->isVisible();
        status = update_dialog->L_Status->text();
        glance = Glance(update_dialog) + QLatin1Char(' ') + update_dialog->L_Wait->text();
        // A new address is another update: what the last one did no longer stands there.
        QTest::keyClicks(update_dialog->E_IP[3], QStringLiteral("1"));
        after_edit =
            Glance(update_dialog) + update_dialog->L_Status->text() + update_dialog->L_Wait->text();
    });
    QVERIFY(still_open);
    QCOMPARE(glance, QStringLiteral("good: Update done 0:00"));
    QCOMPARE(after_edit, QStringLiteral("none: "));
    QVERIFY2(fixture.Messages.Shown.isEmpty(), qPrintable(fixture.Messages.Texts()));
    QCOMPARE(status, QStringLiteral("Ethernet_Update.exe ended after 0:00 with exit code 0."));
    QCOMPARE(fixture.Outcomes(), QStringList{QStringLiteral("updater ended")});
    // The record's start line came first, naming the updater's process and its log, which holds
    // what the updater wrote.
    const QList<QByteArray> lines =
        Read_Test_File(
            fixture.Program.file(QStringLiteral("PROJECTS/Plant/") + Update_Record_File_Name))
            .split('\n');
    QCOMPARE(lines.size(), 3);
    const QJsonObject start = QJsonDocument::fromJson(lines.at(0)).object();
    const QJsonObject end = QJsonDocument::fromJson(lines.at(1)).object();
    QCOMPARE(start.value(QLatin1String("outcome")).toString(), Update_Result::Updater_Started);
    QVERIFY(start.value(QLatin1String("updater_pid")).toInteger() > 0);
    QCOMPARE(end.value(QLatin1String("run")), start.value(QLatin1String("run")));
#ifndef Q_OS_WIN // the updater's output goes to a log on Linux only
    QCOMPARE(end.value(QLatin1String("updater_log")).toString(), Updater_Log_File_Name);
    QCOMPARE(Read_Test_File(fixture.Program.file(QStringLiteral("PROJECTS/Plant/updater.log"))),
             QByteArray("stand-in: out\nstand-in: err\n"));
#endif
    QCOMPARE(fixture.Echo->Sent.size(), 2);
    // Probed as the decimal address it is, while the requests and the job carry it as typed.
    QCOMPARE(fixture.Echo->Hosts.first(), QStringLiteral("192.168.0.10"));
    QCOMPARE(fixture.Echo->Sent.first(), QByteArray("192.168.000.010"));
    QCOMPARE(App.Last_IP_Address, QStringLiteral("192.168.000.010"));
    QCOMPARE(App.Last_Update_Option, option);
    QCOMPARE(App.Last_Read_Back, read_back);

    const QByteArray job = Read_Test_File(fixture.Program.file(Job_File_Name));
    QCOMPARE(job, Build_Update_Job({QStringLiteral("192.168.000.010"),
                                    option,
                                    read_back,
                                    App.Master_Dir,
                                    App.Proj_Dir,
                                    {}})
                      .toString(-1)
                      .toUtf8());
    const QString record = fixture.Record();
    QCOMPARE(record, QStringLiteral("args=0\ncwd=%1\njob=%2\nended\n")
                         .arg(QDir::currentPath(), QString::fromUtf8(job)));

    // The next showing offers the same choices.
    int shown_option = -1;
    bool shown_read_back = !read_back;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        shown_option = update_dialog->CB_Update_Options->currentIndex();
        shown_read_back = update_dialog->CB_Update_Option_Read_Back->isChecked();
    });
    QCOMPARE(shown_option, option);
    QCOMPARE(shown_read_back, read_back);
}

// The record holds the outcome before a message about it is shown: a message box left open, or a
// program killed meanwhile, cannot change it.
void Test_Update_Dialog::record_written_before_the_message() {
    Update_Fixture fixture;
    struct Outcome_Reader : Message_Recorder {
        const Update_Fixture *Fixture = nullptr;
        QStringList Recorded;
        bool Show(Message_Kind kind, const QString &text) override {
            Recorded = Fixture->Outcomes();
            return Message_Recorder::Show(kind, text);
        }
    } reader;
    reader.Fixture = &fixture;
    // Another update holds the program folder longer than this one waits.
    Update_Lock held(fixture.Program.path());
    QCOMPARE(held.Take(0, {}), Update_Lock::Take_Result::Taken);
    fixture.Main->Updater_Wait_Limit_Ms = 200;
    fixture.In_Dialog([](Update_Dialog *update_dialog) {
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
    });
    QCOMPARE(reader.Shown.size(), 1);
    QCOMPARE(reader.Recorded, QStringList{Update_Result::Lock_Busy});
}

void Test_Update_Dialog::updater_outliving_the_limit_is_left_running() {
    Update_Fixture fixture;
    // The updater runs until the test lets it end, so the dialog can only be back because the
    // wait gave up. It is let go whatever happens, so that no test leaves it behind.
    Write_Test_File(fixture.Program.file(QStringLiteral("updater_delay_ms")), "hold");
    const auto release = [&] {
        Write_Test_File(fixture.Program.file(QStringLiteral("updater_release")), "");
    };
    auto released_anyway = qScopeGuard(release);
    fixture.Main->Updater_Wait_Limit_Ms = 200;
    QString status, glance;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
        status = update_dialog->L_Status->text();
        glance = Glance(update_dialog);
    });
    QCOMPARE(glance, QStringLiteral("warning: Wait ran out"));
    QTRY_VERIFY(fixture.Record().startsWith(QLatin1String("args=0")));
    QVERIFY(!fixture.Record().contains(QLatin1String("ended")));
    QCOMPARE(status, QStringLiteral("Ethernet_Update.exe still runs after 0:00; the program "
                                    "folder stays locked until it ends."));
    QCOMPARE(fixture.Outcomes(), QStringList{QStringLiteral("wait ran out")});
    // Not stopped: it ends by itself once released.
    release();
    QTRY_VERIFY_WITH_TIMEOUT(fixture.Record().contains(QLatin1String("ended")), 30000);
    QVERIFY2(fixture.Messages.Shown.isEmpty(), qPrintable(fixture.Messages.Texts()));
}

void Test_Update_Dialog::refused_before_probe_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("parameters never confirmed")
        << "no parameter file"
        << "The communication settings of this configuration were never confirmed: confirm Set "
           "Communication first.";
    QTest::newRow("a rule fails")
        << "port 10000"
        << "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000";
    QTest::newRow("firmware missing") << "no firmware"
                                      << "The firmware file %1 is missing, empty or not a file";
    QTest::newRow("updater missing") << "no updater"
                                     << "The updater %1 is missing or cannot be started";
}

// Nothing reaches the device unseen: every check runs before the probe, names the problem in
// an error, and leaves the image, the job and the updater alone; the refusal is recorded.
void Test_Update_Dialog::refused_before_probe() {
    QFETCH(QString, setup);
    QFETCH(QString, message);
    Update_Fixture fixture(QStringLiteral("RR"), setup != QLatin1String("no updater"));
    const QString par_gen = fixture.Program.file(QStringLiteral("PROJECTS/Plant/ParGen.xml"));
    const QString firmware = fixture.Program.file(QStringLiteral("MASTER/sim20914.sim"));
    if (setup == QLatin1String("no parameter file")) {
        QFile::remove(par_gen);
    } else if (setup == QLatin1String("port 10000")) {
        ParGen_Params params = Default_ParGen();
        params.Modbus_TCP_Slave_Port = QStringLiteral("10000");
        Save_ParGen(params, par_gen);
    } else if (setup == QLatin1String("no firmware")) {
        QFile::remove(firmware);
    }
    message = message.arg(QDir::toNativeSeparators(setup == QLatin1String("no firmware")
                                                       ? firmware
                                                       : fixture.Program.file(Updater_File_Name)));
    const QString image = fixture.Program.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin"));
    QString summary;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        summary = update_dialog->L_Summary->text();
        Write_Test_File(image, "old image");
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
    });
    QCOMPARE(fixture.Messages.Shown.size(), 1);
    QCOMPARE(fixture.Messages.Shown.first().first, Message_Kind::Error);
    QVERIFY2(fixture.Messages.Shown.first().second.startsWith(message),
             qPrintable(fixture.Messages.Shown.first().second));
    // A configuration that may not be sent says so before the press, too.
    if (setup != QLatin1String("updater missing") && setup != QLatin1String("no updater"))
        QVERIFY2(summary.contains(message.left(20)), qPrintable(summary));
    QVERIFY(fixture.Echo->Sent.isEmpty());
    QCOMPARE(Read_Test_File(image), QByteArray("old image"));
    QVERIFY(!QFileInfo::exists(fixture.Program.file(Job_File_Name)));
    QCOMPARE(fixture.Record(), QString());
    QCOMPARE(fixture.Outcomes(), QStringList{QStringLiteral("refused")});
}

void Test_Update_Dialog::updater_failure_is_named() {
    Update_Fixture fixture;
    Write_Test_File(fixture.Program.file(QStringLiteral("updater_exit_code")), "3");
    QString status, glance;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
        status = update_dialog->L_Status->text();
        glance = Glance(update_dialog);
    });
    QCOMPARE(status,
             QStringLiteral("Ethernet_Update.exe reported a failure after 0:00: exit code 3."));
    QCOMPARE(glance, QStringLiteral("bad: Update failed"));
    QCOMPARE(fixture.Outcomes(), QStringList{QStringLiteral("updater ended")});
}

void Test_Update_Dialog::read_only_program_folder() {
    SKIP_UNLESS_READ_ONLY_FOLDERS();
    Update_Fixture fixture;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        Type_Address(update_dialog, QStringLiteral("10.9.8.7"));
        update_dialog->CB_Update_Options->setCurrentIndex(2);
        Read_Only_Folder guard(fixture.Program.path());
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
    });
    QCOMPARE(fixture.Messages.Shown.size(), 1);
    QCOMPARE(fixture.Messages.Shown.first().first, Message_Kind::Standard_Error);
    // The image the update would send is written first, before anything is probed.
    QVERIFY2(fixture.Messages.Shown.first().second.contains(QLatin1String("bank.bin")),
             qPrintable(fixture.Messages.Shown.first().second));
    QVERIFY(fixture.Echo->Sent.isEmpty());
    QVERIFY(!QFileInfo::exists(fixture.Program.file(Job_File_Name)));
    QCOMPARE(fixture.Record(), QString()); // the updater was not started
    QCOMPARE(App.Last_IP_Address, QStringLiteral("192.168.2.205"));
}

void Test_Update_Dialog::address_taken_when_update_is_pressed() {
    Update_Fixture fixture;
    QStringList probing;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        Type_Address(update_dialog, QStringLiteral("10.1.2.3"));
        // While the probe waits the fields take nothing: what is typed meanwhile is dropped.
        fixture.Echo->On_Send = [update_dialog, &probing] {
            probing << update_dialog->L_Status->text();
            QVERIFY(!update_dialog->E_IP[3]->isEnabled() &&
                    !update_dialog->Btn_Update->isEnabled());
            QTest::keyClicks(update_dialog->E_IP[3], QStringLiteral("9"));
        };
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
        QCOMPARE(update_dialog->Address_Text(), QStringLiteral("10.1.2.3"));
        QVERIFY(update_dialog->E_IP[3]->isEnabled() && update_dialog->Btn_Update->hasFocus());
    });
    QCOMPARE(fixture.Echo->Hosts, QStringList(2, QStringLiteral("10.1.2.3")));
    // The status line names the address and counts the seconds.
    QVERIFY2(probing.last().startsWith(QLatin1String("Probing 10.1.2.3 ... ")) &&
                 probing.last().endsWith(QLatin1String(" s")),
             qPrintable(probing.join(QLatin1Char('|'))));
    QCOMPARE(App.Last_IP_Address, QStringLiteral("10.1.2.3"));
    QCOMPARE(
        Read_Test_File(fixture.Program.file(Job_File_Name)),
        Build_Update_Job({QStringLiteral("10.1.2.3"), 0, true, App.Master_Dir, App.Proj_Dir, {}})
            .toString(-1)
            .toUtf8());
    QVERIFY2(fixture.Messages.Shown.isEmpty(), qPrintable(fixture.Messages.Texts()));
}

void Test_Update_Dialog::elapsed_time_clear_of_the_controls() {
    Update_Fixture fixture;
    fixture.In_Dialog([](Update_Dialog *update_dialog) {
        const auto place = [update_dialog](const QWidget *widget) {
            return QRect(widget->mapTo(update_dialog, QPoint(0, 0)), widget->size());
        };
        // The longest wait shows the widest clock.
        update_dialog->Show_Wait(Updater_Wait_Limit_Ms);
        const QLabel *line = update_dialog->L_Wait;
        QVERIFY(line->isVisible());
        QVERIFY(update_dialog->rect().contains(place(line)));
        const QWidgetList controls = {
            update_dialog->L_SW_Code,         update_dialog->L_SW_Desc,
            update_dialog->L_IP_Address,      update_dialog->E_IP[0],
            update_dialog->E_IP[1],           update_dialog->E_IP[2],
            update_dialog->E_IP[3],           update_dialog->L_Update_Option,
            update_dialog->CB_Update_Options, update_dialog->CB_Update_Option_Read_Back,
            update_dialog->Btn_Cancel,        update_dialog->Btn_Update};
        for (int n = 0; n < controls.size(); ++n)
            QVERIFY2(!place(line).intersects(place(controls.at(n))),
                     qPrintable(QStringLiteral("control %1 of the list").arg(n)));
        // The whole text fits: nothing of it is cut off.
        const int flags = int(line->alignment()) | (line->wordWrap() ? Qt::TextWordWrap : 0);
        const QRect room = line->contentsRect();
        const QRect needed = line->fontMetrics().boundingRect(room, flags, line->text());
        QVERIFY2(room.contains(needed), qPrintable(line->text()));
    });
}

void Test_Update_Dialog::failed_probe_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("glance");
    QTest::newRow("silent device")
        << "S" << int(Message_Kind::Warning) << "Device Not Found! ab.cd.ef.gh"
        << "warning: Device Not Found!";
    QTest::newRow("host that cannot be resolved")
        << "E" << int(Message_Kind::Error)
        << "Error!!! Check the Ip Address\nCannot resolve ab.cd.ef.gh: Name or service not "
           "known\nCheck that this computer's own address and subnet mask put it on the "
           "device's network."
        << "bad: Update failed";
    QTest::newRow("no permission for ICMP")
        << "P" << int(Message_Kind::Error)
        << "Error!!! Check the Ip Address\nICMP echo needs permission."
        << "bad: Update failed";
}

void Test_Update_Dialog::failed_probe() {
    QFETCH(QString, script);
    Update_Fixture fixture(script);
    App.Last_Update_Option = 1;
    QString shown_again, glance;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        Type_Address(update_dialog, QStringLiteral("ab.cd.ef.gh"));
        update_dialog->CB_Update_Options->setCurrentIndex(2);
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
        glance = Glance(update_dialog);
    });
    QTEST(glance, "glance");
    QCOMPARE(fixture.Messages.Shown.size(), 1);
    QTEST(int(fixture.Messages.Shown.first().first), "kind");
    QTEST(fixture.Messages.Shown.first().second, "message");
    QCOMPARE(App.Last_IP_Address, QStringLiteral("192.168.2.205"));
    QCOMPARE(App.Last_Update_Option, 1);
    QVERIFY(!QFileInfo::exists(fixture.Program.file(Job_File_Name)));
    QCOMPARE(fixture.Record(), QString());
    // Reopened, the dialog shows the address that last worked, not the one typed.
    fixture.In_Dialog(
        [&](Update_Dialog *update_dialog) { shown_again = update_dialog->Address_Text(); });
    QCOMPARE(shown_again, QStringLiteral("192.168.2.205"));
}

// An address that names no single device is refused before any probe, and the record says so.
void Test_Update_Dialog::address_of_no_device() {
    Update_Fixture fixture{QString()};
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        Type_Address(update_dialog, QStringLiteral("255.255.255.255"));
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
    });
    QCOMPARE(fixture.Messages.Shown.size(), 1);
    QCOMPARE(fixture.Messages.Shown.first().second,
             QStringLiteral("255.255.255.255 is not the address of a device: 255.255.255.255 "
                            "reaches every device of the network, not one"));
    QVERIFY(!QFileInfo::exists(fixture.Program.file(Job_File_Name)));
    QCOMPARE(fixture.Record(), QString());
    QCOMPARE(fixture.Outcomes(), QStringList{Update_Result::Address_Refused});
}

void Test_Update_Dialog::second_press_and_cancel_during_update() {
    Update_Fixture fixture;
    Write_Test_File(fixture.Program.file(QStringLiteral("updater_delay_ms")), "hold");
    auto released_anyway = qScopeGuard([&fixture] {
        Write_Test_File(fixture.Program.file(QStringLiteral("updater_release")), "");
    });
    bool disabled_while_running = false;
    QString why_no_cancel;
    bool open_after_press = false;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        // While the updater runs, the user presses Execute again, with the mouse, Space and
        // Enter, presses Esc and closes the window; then the updater ends.
        QTimer watch;
        watch.setInterval(10);
        connect(&watch, &QTimer::timeout, update_dialog, [&] {
            if (fixture.Record().isEmpty())
                return;
            watch.stop();
            disabled_while_running = !update_dialog->Btn_Update->isEnabled() &&
                                     !update_dialog->CB_Update_Options->isEnabled() &&
                                     !update_dialog->E_IP[0]->isEnabled() &&
                                     !update_dialog->Btn_Cancel->isEnabled();
            // Cancel may not stop the updater, and the status says why.
            why_no_cancel = update_dialog->L_Status->text();
            QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
            QTest::keyClick(update_dialog->Btn_Update, Qt::Key_Space);
            QTest::keyClick(update_dialog->Btn_Update, Qt::Key_Return);
            QTest::keyClick(update_dialog, Qt::Key_Escape);
            update_dialog->Btn_UpdateClick();
            update_dialog->reject();
            update_dialog->close();
            Write_Test_File(fixture.Program.file(QStringLiteral("updater_release")), "");
        });
        watch.start();
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
        // Nothing that arrived meanwhile acts now.
        QTest::qWait(50);
        open_after_press = update_dialog->isVisible();
    });
    QVERIFY(disabled_while_running);
    QVERIFY2(why_no_cancel.startsWith(QLatin1String("Ethernet_Update.exe is running. Cancel stays "
                                                    "off until it ends")),
             qPrintable(why_no_cancel));
    QVERIFY(open_after_press);
    QCOMPARE(fixture.Echo->Sent.size(), 2);
    QCOMPARE(fixture.Record().count(QLatin1String("args=0")), 1);
    QVERIFY(fixture.Record().contains(QLatin1String("ended")));
    QCOMPARE(fixture.Outcomes(), QStringList{QStringLiteral("updater ended")});
}

void Test_Update_Dialog::update_device_stops_on_image_errors() {
    Update_Fixture fixture;
    const QString bank = fixture.Program.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin"));
    Write_Test_File(bank, "old image");

    Write_Test_File(App.ParGen_File, "<Par_Gen><Modbus_TCP_Slave_IP1>1</Par_Gen>");
    QVERIFY(!Update_Device_Opens_Dialog(fixture.Main.get()));
    QCOMPARE(fixture.Messages.Shown.size(), 1);
    QCOMPARE(fixture.Messages.Shown.first().first, Message_Kind::Standard_Error);
    QVERIFY(fixture.Messages.Shown.first().second.contains(QLatin1String("line 1")));
    QCOMPARE(Read_Test_File(bank), QByteArray("old image"));

    fixture.Messages.Shown.clear();
    Save_ParGen(Default_ParGen(), App.ParGen_File);
    SKIP_UNLESS_READ_ONLY_FOLDERS();
    {
        Read_Only_Folder guard(fixture.Program.file(QStringLiteral("PROJECTS/Plant/bin")));
        QVERIFY(!Update_Device_Opens_Dialog(fixture.Main.get()));
    }
    QCOMPARE(fixture.Messages.Shown.size(), 1);
    QVERIFY(fixture.Messages.Shown.first().second.contains(QLatin1String("bank.bin")));
    QCOMPARE(Read_Test_File(bank), QByteArray("old image"));
}

void Test_Update_Dialog::update_waits_for_command_line_update_then_gives_up() {
    Update_Fixture fixture;
    Write_Test_File(fixture.Program.file(QStringLiteral("updater_delay_ms")), "3000");
    QProcess cli;
    if (const auto ended = Start_Holding_Update(
            cli,
            {QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
             QStringLiteral("127.0.0.2"), QStringLiteral("--program-dir"), fixture.Program.path()},
            [&fixture] { return !fixture.Record().isEmpty(); })) {
        if (!Icmp_Allowed(*ended))
            QSKIP("this user may not open an ICMP socket");
        QFAIL(qPrintable(ended->Err));
    }
    const qint64 cli_pid = cli.processId();

    fixture.Main->Updater_Wait_Limit_Ms = 300;
    QString waiting;
    fixture.In_Dialog([&waiting](Update_Dialog *update_dialog) {
        Set_Address(update_dialog, {"10", "1", "2", "3"});
        // What the window says while it waits for the other update's lock.
        QTimer watch;
        watch.setInterval(20);
        connect(&watch, &QTimer::timeout, update_dialog, [&] {
            if (update_dialog->L_Status->text().startsWith(QLatin1String("Waiting")))
                waiting = update_dialog->L_Status->text();
        });
        watch.start();
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
    });
    QVERIFY2(waiting.startsWith(QStringLiteral("Waiting for another update to end: cf20914-cli, "
                                               "process %1, updater process ")
                                    .arg(cli_pid)),
             qPrintable(waiting));
    QCOMPARE(fixture.Messages.Shown.size(), 1);
    QCOMPARE(fixture.Messages.Shown.first().first, Message_Kind::Error);
    const QString holder = QStringLiteral("(cf20914-cli, process %1").arg(cli_pid);
    QVERIFY2(fixture.Messages.Shown.first().second.startsWith(
                 QLatin1String("Another update from this program folder is running ")) &&
                 fixture.Messages.Shown.first().second.contains(holder),
             qPrintable(fixture.Messages.Shown.first().second));
    // The job the running updater reads is still the command line's, and no second updater ran.
    QVERIFY(
        Read_Test_File(fixture.Program.file(Job_File_Name)).contains("<IP_Address_Dev>127.0.0.2<"));
    QCOMPARE(fixture.Record().count(QLatin1String("args=0")), 1);

    const Cli_Result result = Finish_Cli(cli);
    QCOMPARE(result.Exit, 0);
    QVERIFY2(!result.Err.contains(QLatin1String("cf20914-cli:")), qPrintable(result.Err));
}

// Another update of the program folder holds its lock: Cancel leaves the wait at once, nothing
// is written or started, and the record says the wait was cancelled.
void Test_Update_Dialog::cancel_leaves_the_wait_for_another_update() {
    Update_Fixture fixture;
    Write_Test_File(fixture.Program.file(Update_Lock_File_Name), Lock_File_Text(This_Process()));
    fixture.Main->Updater_Wait_Limit_Ms = 60000;
    Cancelled_Update update;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        update = Update_And_Cancel(update_dialog);
        QVERIFY(update_dialog->isVisible()); // Cancel left the wait, not the dialog
    });
    QVERIFY2(update.Offered.startsWith(QLatin1String("Waiting for another update to end: ")) &&
                 update.Offered.endsWith(QLatin1String("|busy: Update running")),
             qPrintable(update.Offered));
    QVERIFY2(update.Waited_Ms < 30000, qPrintable(QString::number(update.Waited_Ms)));
    QVERIFY2(update.End.startsWith(QLatin1String("neutral: Cancelled|The wait for another update "
                                                 "was cancelled; nothing was sent.")),
             qPrintable(update.End));
    QCOMPARE(fixture.Outcomes(), QStringList{QStringLiteral("cancelled")});
    QCOMPARE(fixture.Record(), QString());
    QVERIFY(!QFileInfo::exists(fixture.Program.file(Job_File_Name)));
    QVERIFY2(fixture.Messages.Shown.isEmpty(), qPrintable(fixture.Messages.Texts()));
}

// The updater ended and the device does not answer yet: Cancel leaves the check, which the
// record marks as cancelled with what each endpoint said last.
void Test_Update_Dialog::cancel_leaves_the_check_after_the_update() {
#ifndef MODBUS_SERVER_SCRIPT
    QSKIP("the Modbus module and its test servers are not part of this build");
#else
    const Held_Port closed_1(false);
    const Held_Port closed_2(false);
    Update_Fixture fixture;
    Save_ParGen(Loopback_Par_Gen(closed_1.port(), closed_2.port()),
                fixture.Program.file(QStringLiteral("PROJECTS/Plant/ParGen.xml")));
    App.Check_After_Update = true;
    Cancelled_Update update;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        update_dialog->Device_Wait_Ms = 60000;
        Set_Address(update_dialog, {"127", "0", "0", "1"});
        update_dialog->CB_Update_Options->setCurrentIndex(Update_Configuration);
        update = Update_And_Cancel(update_dialog);
    });
    QVERIFY2(
        update.Offered.startsWith(QLatin1String("Checking the device at the addresses just sent")),
        qPrintable(update.Offered));
    QVERIFY2(update.Waited_Ms < 30000, qPrintable(QString::number(update.Waited_Ms)));
    QVERIFY2(update.End.startsWith(QLatin1String("neutral: Cancelled|")), qPrintable(update.End));
    const QList<QJsonObject> entries =
        Parse_Update_History(Read_Test_File(fixture.Program.file(QStringLiteral("PROJECTS/Plant/") +
                                                                 Update_Record_File_Name)))
            .Entries;
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().value(QLatin1String("outcome")).toString(),
             QStringLiteral("updater ended"));
    QVERIFY(entries.first().value(QLatin1String("device_check_cancelled")).toBool());
    QCOMPARE(entries.first().value(QLatin1String("device_check")).toArray().size(), 2);
#endif
}

void Test_Update_Dialog::keys_data() {
    QTest::addColumn<QStringList>("keys"); // from the first address field
    QTest::addColumn<bool>("open");        // the dialog is still open
    QTest::addColumn<int>("probes");       // echo requests sent
    QTest::newRow("Enter in an address field starts nothing") << Keys("Return") << true << 0;
    QTest::newRow("Tab to Cancel, Enter closes")
        << Keys("Tab, Tab, Tab, Tab, Tab, Tab, Tab, Return") << false << 0;
    QTest::newRow("Tab to Cancel, Space closes")
        << Keys("Tab, Tab, Tab, Tab, Tab, Tab, Tab, Space") << false << 0;
    QTest::newRow("Tab to Execute, Enter updates")
        << Keys("Tab, Tab, Tab, Tab, Tab, Tab, Tab, Tab, Return") << true << 2;
    QTest::newRow("Esc closes") << Keys("Esc") << false << 0;
}

void Test_Update_Dialog::keys() {
    QFETCH(QStringList, keys);
    Update_Fixture fixture;
    bool open = false;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        QVERIFY(update_dialog->E_IP[0]->hasFocus());
        Press_Keys(keys);
        // The keys run from the event loop; the last has acted once the loop has run on.
        QTest::qWait(30 * (int(keys.size()) + 4));
        QTRY_VERIFY(update_dialog->Btn_Update->isEnabled() || !update_dialog->isVisible());
        open = update_dialog->isVisible();
    });
    QTEST(open, "open");
    QTEST(int(fixture.Echo->Sent.size()), "probes");
}

void Test_Update_Dialog::command_line_update_gives_up_while_window_updates() {
    Update_Fixture fixture;
    Write_Test_File(fixture.Program.file(QStringLiteral("updater_delay_ms")), "2000");
    Cli_Result cli;
    // While the window waits for its updater, a command-line update of the same program folder
    // is started and waits at most a second.
    QTimer watch;
    watch.setInterval(20);
    connect(&watch, &QTimer::timeout, &watch, [&] {
        if (fixture.Record().isEmpty())
            return;
        watch.stop();
        cli = Run_Cli({QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                       QStringLiteral("127.0.0.3"), QStringLiteral("--wait"), QStringLiteral("1"),
                       QStringLiteral("--program-dir"), fixture.Program.path()});
    });
    fixture.In_Dialog([&watch](Update_Dialog *update_dialog) {
        Set_Address(update_dialog, {"10", "1", "2", "3"});
        watch.start();
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
    });
    if (!Icmp_Allowed(cli))
        QSKIP("this user may not open an ICMP socket");
    QCOMPARE(cli.Exit, 5);
    const QString holder = QStringLiteral("cf20914-cli: Another update from this program folder is "
                                          "running (%1, process %2")
                               .arg(QCoreApplication::applicationName())
                               .arg(QCoreApplication::applicationPid());
    // The tool's one line of its own follows the summary of what it would have sent.
    QVERIFY2(cli.Err.section(QLatin1Char('\n'), -2).startsWith(holder), qPrintable(cli.Err));
    QVERIFY2(fixture.Messages.Shown.isEmpty(), qPrintable(fixture.Messages.Texts()));
    QVERIFY(
        Read_Test_File(fixture.Program.file(Job_File_Name)).contains("<IP_Address_Dev>10.1.2.3<"));
    QVERIFY(fixture.Record().endsWith(QLatin1String("ended\n")));
    QVERIFY(!QFileInfo::exists(fixture.Program.file(Update_Lock_File_Name)));
}

void Test_Update_Dialog::initTestCase() {
#ifdef MODBUS_MODULE
    Set_Modbus_Module_File(QStringLiteral(MODBUS_MODULE));
#endif
}

void Test_Update_Dialog::device_checked_after_update_data() {
    QTest::addColumn<bool>("second_closed");
    QTest::addColumn<bool>("check_on");
    // The servers listen only some seconds after the start, like a device that restarts after
    // the updater ended: the check awaits them.
    QTest::newRow("the device comes up after the updater ended") << false << true;
    QTest::newRow("endpoint 2 never answers") << true << true;
    QTest::newRow("the check turned off") << true << false;
}

// After an updater that ended with exit code 0, both endpoints just sent are checked; what they
// say stands in the summary's place, a silent one is warned of, and the record keeps it.
void Test_Update_Dialog::device_checked_after_update() {
#ifndef MODBUS_SERVER_SCRIPT
    QSKIP("the Modbus module and its test servers are not part of this build");
#else
    QFETCH(bool, second_closed);
    QFETCH(bool, check_on);
    Modbus_Servers servers({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1")},
                           second_closed ? 0 : 2000);
    QVERIFY2(servers.failure().isEmpty(), qPrintable(servers.failure()));
    const Held_Port closed(false);
    const quint16 port_2 = second_closed ? closed.port() : servers.ports().at(1);
    Update_Fixture fixture;
    Save_ParGen(Loopback_Par_Gen(servers.ports().at(0), port_2),
                fixture.Program.file(QStringLiteral("PROJECTS/Plant/ParGen.xml")));
    App.Check_After_Update = check_on;
    QString summary, status, results, glance;
    fixture.In_Dialog([&](Update_Dialog *update_dialog) {
        update_dialog->Device_Wait_Ms = second_closed ? 1500 : 30000;
        Set_Address(update_dialog, {"127", "0", "0", "1"});
        update_dialog->CB_Update_Options->setCurrentIndex(Update_Configuration);
        QTest::mouseClick(update_dialog->Btn_Update, Qt::LeftButton);
        summary = update_dialog->L_Summary->text();
        status = update_dialog->L_Status->text();
        // Each line as the label shows it, or whole in its tooltip where one was shortened.
        results = update_dialog->L_Check->toolTip().isEmpty() ? update_dialog->L_Check->text()
                                                              : update_dialog->L_Check->toolTip();
        glance = Glance(update_dialog);
    });
    // What was sent stays in view, beside what the device said.
    QVERIFY2(summary.startsWith(QLatin1String("Configuration: Plant")), qPrintable(summary));
    const QString ended = QStringLiteral("Ethernet_Update.exe ended after 0:00 with exit code 0.");
    const QList<QJsonObject> entries =
        Parse_Update_History(Read_Test_File(fixture.Program.file(QStringLiteral("PROJECTS/Plant/") +
                                                                 Update_Record_File_Name)))
            .Entries;
    QCOMPARE(entries.size(), 1);
    const QJsonArray check = entries.first().value(QLatin1String("device_check")).toArray();
    // The status area tells the outcome; no box waits for an answer.
    QVERIFY2(fixture.Messages.Shown.isEmpty(), qPrintable(fixture.Messages.Texts()));
    if (!check_on) {
        QVERIFY(check.isEmpty());
        QCOMPARE(status, ended);
        QCOMPARE(glance, QStringLiteral("good: Update done"));
        QCOMPARE(results, QString());
        return;
    }
    QCOMPARE(status,
             ended + QLatin1Char('\n') +
                 (second_closed
                      ? QStringLiteral("The device answers at 1 of the 2 endpoints just sent.")
                      : QStringLiteral("The device answers at both endpoints just sent.")));
    QCOMPARE(glance, second_closed ? QStringLiteral("warning: Device check failed")
                                   : QStringLiteral("good: Update done"));
    const QString answers =
        QStringLiteral("Modbus TCP Slave: 127.0.0.1:%1 answers: vendor Velmor, product GW20914, "
                       "revision 1.2, register 0 holds 1000")
            .arg(servers.ports().at(0));
    const QStringList lines = results.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), answers);
    QVERIFY2(lines.at(1).startsWith(
                 second_closed
                     ? QStringLiteral("Modbus TCP Slave 2: 127.0.0.1:%1 refuses").arg(port_2)
                     : QStringLiteral("Modbus TCP Slave 2: 127.0.0.1:%1 answers").arg(port_2)),
             qPrintable(lines.at(1)));
    QCOMPARE(check.size(), 2);
    QCOMPARE(check.at(1).toObject().value(QLatin1String("state")).toString(),
             second_closed ? QStringLiteral("refused") : QStringLiteral("answers"));
#endif
}

QTEST_MAIN(Test_Update_Dialog)
#include "tst_update_dialog.moc"
