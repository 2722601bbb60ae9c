// Many devices from one list (provision), the network warnings of set and validate, and the
// commands that manage configurations as a whole: copy, rename, delete, export, import.

// The expected texts are written as plain literals, as a user reads them.
#undef QT_NO_CAST_FROM_ASCII

#include "support/CliProgram.h"
#include "support/PrivateNetwork.h"

#include "app/WindowMarker.h"
#include "configurations/ConfigurationLock.h"
#include "update/UpdateLock.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

// The configurations below PROJECTS, hidden entries too.
// What PROJECTS holds, hidden entries included; the folder of the locks shows by the locks
// left in it.
QStringList Projects(const Cli_Program &program) {
    const QDir projects(program.file(QStringLiteral("PROJECTS")));
    const auto entries = [](const QDir &folder) {
        return folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    };
    QStringList listed = entries(projects);
    listed.removeOne(Configuration_Locks_Folder);
    for (const QString &lock : entries(QDir(projects.filePath(Configuration_Locks_Folder))))
        listed << Configuration_Locks_Folder + QLatin1Char('/') + lock;
    return listed;
}

// The lines of text that begin with prefix, without it.
QStringList Lines_After(const QString &text, const QString &prefix) {
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            lines << line.mid(prefix.size());
    }
    return lines;
}

// The devices a dry run plans, as "LINE NAME".
QStringList Planned(const Cli_Result &result) {
    QStringList devices;
    static const QRegularExpression plan(QStringLiteral("^line (\\d+): (.*): (create|exists), "));
    for (const QString &line : result.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = plan.match(line);
        if (match.hasMatch())
            devices << match.captured(1) + QLatin1Char(' ') + match.captured(2);
    }
    return devices;
}

// The summary's rows after its header, the columns split at runs of blanks.
QList<QStringList> Summary(const Cli_Result &result) {
    QList<QStringList> rows;
    const QStringList lines = result.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto header = std::find_if(lines.begin(), lines.end(), [](const QString &line) {
        return line.startsWith(QLatin1String("device "));
    });
    for (auto line = header == lines.end() ? header : header + 1; line != lines.end(); ++line)
        rows << line->split(QRegularExpression(QStringLiteral(" {2,}")));
    return rows;
}

const QString Port_Rule = QStringLiteral(
    "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000");

} // namespace

class Tst_Cli_Provision : public QObject {
    Q_OBJECT

private slots:
    void listShapes_data();
    void listShapes();
    void provisionKeepsGoingPastSilentDevice();
    void provisionExistingConfigurationAndReport();

    void warningsOfSetAndValidate();

    void copyConfiguration();
    void renameConfiguration_data();
    void renameConfiguration();
    void deleteConfiguration();
    void changesWaitForTheConfigurationsLock_data();
    void changesWaitForTheConfigurationsLock();
    void exportAndImport();
    void importRefusals_data();
    void importRefusals();
};

void Tst_Cli_Provision::listShapes_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QStringList>("expected"); // planned devices, or the errors' beginnings

    QTest::newRow("plain") << QByteArray("name,address\nA,10.0.0.2\nB,10.0.0.3\n") << 0
                           << QStringList{"2 A", "3 B"};
    // A spreadsheet's export: a byte-order mark and CR LF, where "0\r" once failed its rule.
    QTest::newRow("byte-order mark and CR LF")
        << QByteArray("\xEF\xBB\xBFname,address,offset_registers\r\nA,10.0.0.2,0\r\nB,10.0.0.3,"
                      "0\r\n")
        << 0 << QStringList{"2 A", "3 B"};
    QTest::newRow("no line end after the last line")
        << QByteArray("name,address\nA,10.0.0.2\nB,10.0.0.3") << 0 << QStringList{"2 A", "3 B"};
    QTest::newRow("blank lines, the last one too")
        << QByteArray("name,address\n\nA,10.0.0.2\n  \r\nB,10.0.0.3\n\n") << 0
        << QStringList{"3 A", "5 B"};
    QTest::newRow("comment lines")
        << QByteArray("# the hall's devices\nname,address\n#A,10.0.0.2\n  # B\nC,10.0.0.4\n") << 0
        << QStringList{"5 C"};
    // Windows allows no quotes in a folder name.
    QTest::newRow("quoted name with comma and quotes")
        << QByteArray("name,address\n\"Hall \"\"A\"\", east\", 10.0.0.2 \n") << int(On_Windows)
        << QStringList{On_Windows
                           ? "line 2: name 'Hall \"A\", east' is not a valid configuration name"
                           : "2 Hall \"A\", east"};
    QTest::newRow("quoted field over two lines")
        << QByteArray("name,address\nA,\"10.0.0.2\"\n\"B\",10.0.0.3\n") << 0
        << QStringList{"2 A", "3 B"};
    QTest::newRow("unknown column") << QByteArray("name,adress\nA,10.0.0.2\n") << 1
                                    << QStringList{"line 1: unknown column 'adress'"};
    QTest::newRow("no name column") << QByteArray("address\n10.0.0.2\n") << 1
                                    << QStringList{"line 1: the header has no column 'name'"};
    QTest::newRow("two columns for one key")
        << QByteArray("name,address,Modbus_TCP_Slave_IP4\nA,10.0.0.2,7\n") << 1
        << QStringList{"line 1: columns 'address' and 'Modbus_TCP_Slave_IP4' both set "
                       "Modbus_TCP_Slave_IP4"};
    QTest::newRow("duplicate name, other case")
        << QByteArray("name,address\nHall,10.0.0.2\nHALL,10.0.0.3\n") << 1
        << QStringList{"line 3: name 'HALL' is given on line 2 already"};
    QTest::newRow("bad value") << QByteArray("name,port\nA,10000\n") << 1
                               << QStringList{"line 2: " + Port_Rule};
    QTest::newRow("two faults in two rows")
        << QByteArray("name,address,port\nA,10.0.0.2,70000\nB,10.0.0.3,502\nC,10.0.0,502\n") << 1
        << QStringList{"line 2: " + Port_Rule,
                       "line 4: address '10.0.0' is not four decimal bytes"};
    QTest::newRow("name leading outside") << QByteArray("name\n../MASTER\n") << 1
                                          << QStringList{"line 2: name '../MASTER' is not a "
                                                         "valid configuration name"};
    QTest::newRow("fields missing") << QByteArray("name,address,port\nA,10.0.0.2\n") << 1
                                    << QStringList{"line 2: 2 fields where the header has 3"};
    QTest::newRow("quote left open") << QByteArray("name,address\n\"A,10.0.0.2\n") << 1
                                     << QStringList{"line 2: a quote is left open"};
    QTest::newRow("switch not 1 or 0")
        << QByteArray("name,Modbus_TCP_Slave_EN_GAT\nA,yes\n") << 1
        << QStringList{"line 2: Modbus_TCP_Slave_EN_GAT takes 1 or 0"};
    QTest::newRow("reach not an address") << QByteArray("name,reach\nA,gateway.local\n") << 1
                                          << QStringList{"line 2: reach 'gateway.local' is not "
                                                         "an address of four decimal bytes"};
    QTest::newRow("header only") << QByteArray("name,address\n") << 1
                                 << QStringList{"line 1: the list names no device"};
}

void Tst_Cli_Provision::listShapes() {
    QFETCH(QByteArray, csv);
    QFETCH(int, exit);
    QFETCH(QStringList, expected);
    const Cli_Program program;
    Write_Test_File(program.file(QStringLiteral("devices.csv")), csv);
    const Cli_Result result =
        program.Run({QStringLiteral("provision"), program.file(QStringLiteral("devices.csv")),
                     QStringLiteral("--dry-run")});
    QCOMPARE(result.Exit, exit);
    if (exit == 0) {
        QCOMPARE(Planned(result), expected);
    } else {
        QStringList errors = Lines_After(result.Err, QStringLiteral("cf20914-cli: "));
        errors.removeIf(
            [](const QString &line) { return line.startsWith(QLatin1String("warning: ")); });
        QCOMPARE(errors.size(), expected.size() + 1);
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(errors.at(i).startsWith(expected.at(i)), qPrintable(errors.at(i)));
        QCOMPARE(errors.last(), QStringLiteral("nothing was changed"));
        QCOMPARE(result.Out, QString());
    }
    QCOMPARE(Projects(program), QStringList());
}

void Tst_Cli_Provision::provisionKeepsGoingPastSilentDevice() {
    const Cli_Program program;
    program.Add_Updater();
    // Factory addresses in, site addresses out: each device is reached at the address it
    // answers at now and gets its site addresses, which are never contacted.
    Write_Test_File(program.file(QStringLiteral("devices.csv")),
                    "name,reach,address,address2,port,option\r\n"
                    "Line1,127.0.0.2,10.0.0.11,10.0.1.11,502,2\r\n"
                    "Line2,127.0.0.3,10.0.0.12,10.0.1.12,1502,2\r\n"
                    "Line3,127.0.0.4,10.0.0.13,10.0.1.13,2502,2\r\n");
    // The first and the third device answer on loopback; the second lies behind a link where
    // nobody answers.
    Private_Network network = Loopback_Holding_Only(QStringLiteral("127.0.0.2"));
    network.Ip_Commands << QStringLiteral("addr add 127.0.0.4/32 dev lo")
                        << QStringLiteral("link add cf0 type veth peer name cf1")
                        << QStringLiteral("link set cf0 up") << QStringLiteral("link set cf1 up")
                        << QStringLiteral("route add 127.0.0.3/32 dev cf0");
    Cli_Result stopping;
    Cli_Result going_on;
    const QString failure = network.Run([&] {
        stopping =
            program.Run({QStringLiteral("provision"), program.file(QStringLiteral("devices.csv"))});
        going_on =
            program.Run({QStringLiteral("provision"), program.file(QStringLiteral("devices.csv")),
                         QStringLiteral("--keep-going"), QStringLiteral("--report"),
                         program.file(QStringLiteral("report.json"))});
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));

    // Without --keep-going the run stops at the silent device; the configuration made for it
    // goes again, and the third is not begun.
    QCOMPARE(stopping.Exit, 3);
    QCOMPARE(Summary(stopping), (QList<QStringList>{{"Line1", "2", "update", "ok", "0"},
                                                    {"Line2", "3", "update", "failed", "3"},
                                                    {"Line3", "4", "-", "not run"}}));
    QVERIFY2(stopping.Err.contains(QLatin1String("Device Not Found! 127.0.0.3")),
             qPrintable(stopping.Err));

    QCOMPARE(going_on.Exit, 3);
    QCOMPARE(Summary(going_on), (QList<QStringList>{{"Line1", "2", "update", "ok", "0"},
                                                    {"Line2", "3", "update", "failed", "3"},
                                                    {"Line3", "4", "update", "ok", "0"}}));
    QCOMPARE(Projects(program), (QStringList{"Line1", "Line3"}));
    QCOMPARE(Load_ParGen(program.Par_Gen_Path(QStringLiteral("Line3"))).Modbus_TCP_Slave_IP4,
             QStringLiteral("13"));
    // Each update went through the update's own path: its record names the address reached.
    const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Line3"));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.front().value(QStringLiteral("address")).toString(),
             QStringLiteral("127.0.0.4"));
    QVERIFY2(program.Record().contains(QLatin1String("127.0.0.4")), qPrintable(program.Record()));

    const QJsonArray report =
        QJsonDocument::fromJson(Read_Test_File(program.file(QStringLiteral("report.json"))))
            .array();
    QCOMPARE(report.size(), 3);
    const QJsonObject silent = report.at(1).toObject();
    QCOMPARE(silent.value(QStringLiteral("device")).toString(), QStringLiteral("Line2"));
    QCOMPARE(silent.value(QStringLiteral("step")).toString(), QStringLiteral("update"));
    QCOMPARE(silent.value(QStringLiteral("result")).toString(), QStringLiteral("failed"));
    QCOMPARE(silent.value(QStringLiteral("exit_code")).toInt(), 3);
}

void Tst_Cli_Provision::provisionExistingConfigurationAndReport() {
    const Cli_Program program;
    // An existing configuration keeps the values the list leaves empty; its device is reached at
    // its new address; the updater fails for it and for a new one, and the report says so in
    // CSV.
    program.Add_Configuration(
        QStringLiteral("Hall"),
        Saved_Par_Gen({{QStringLiteral("OPTIONS_OFFSET_STATUS"), QStringLiteral("77")},
                       {QStringLiteral("Modbus_TCP_Slave_2_IP3"), QStringLiteral("1")}}));
    program.Add_Updater();
    Write_Test_File(program.file(QStringLiteral("updater_exit_code")), "9");
    Write_Test_File(program.file(QStringLiteral("devices.csv")),
                    "name,address,offset_status,option\nHall,127.0.0.2,,2\nAnnex,127.0.0.2,,2\n");
    Cli_Result result;
    const QString failure = Loopback_Holding_Only(QStringLiteral("127.0.0.2")).Run([&] {
        result =
            program.Run({QStringLiteral("provision"), program.file(QStringLiteral("devices.csv")),
                         QStringLiteral("--keep-going"), QStringLiteral("--report"),
                         program.file(QStringLiteral("report.csv"))});
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    const ParGen_Params saved = Load_ParGen(program.Par_Gen_Path(QStringLiteral("Hall")));
    QCOMPARE(saved.Modbus_TCP_Slave_IP1, QStringLiteral("127"));
    QCOMPARE(saved.OPTIONS_OFFSET_STATUS, QStringLiteral("77"));
    QCOMPARE(Summary(result), (QList<QStringList>{{"Hall", "2", "update", "failed", "7"},
                                                  {"Annex", "3", "update", "failed", "7"}}));
    QCOMPARE(result.Exit, 7);
    QCOMPARE(Read_Test_File(program.file(QStringLiteral("report.csv"))),
             QByteArray("device,line,step,result,exit_code,reason\r\n"
                        "Hall,2,update,failed,7,the update ended with exit code 7\r\n"
                        "Annex,3,update,failed,7,the update ended with exit code 7\r\n"));
    // A configuration that was there before stays when its device fails; one made for a device
    // whose updater ran stays too, with the record of what it was sent.
    QCOMPARE(Projects(program), (QStringList{"Annex", "Hall"}));
    QCOMPARE(Update_Records(program, QStringLiteral("Annex")).size(), 1);
}

void Tst_Cli_Provision::warningsOfSetAndValidate() {
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Hall"), Saved_Par_Gen({}));
    program.Add_Configuration(
        QStringLiteral("Yard"),
        Saved_Par_Gen({{QStringLiteral("Modbus_TCP_Slave_2_IP3"), QStringLiteral("1")}}));
    const QByteArray before = Read_Test_File(program.Par_Gen_Path(QStringLiteral("Yard")));
    // Endpoint 1 of Yard takes Hall's address 192.168.0.5 and a gateway outside its subnet.
    const QStringList changes{QStringLiteral("Modbus_TCP_Slave_GAT3=9"),
                              QStringLiteral("Modbus_TCP_Slave_EN_GAT=1")};
    const QString gateway = QStringLiteral(
        "Warning! Endpoint 1: the gateway 192.168.9.1 lies outside the subnet of its address");
    const QString used = QStringLiteral("Warning! Endpoint 1: the address 192.168.0.5 is also "
                                        "used by the configuration Hall");

    const Cli_Result strict =
        program.Run(QStringList{QStringLiteral("set"), QStringLiteral("Yard")} + changes +
                    QStringList{QStringLiteral("--strict")});
    QCOMPARE(strict.Exit, 1);
    QCOMPARE(strict.Err, "cf20914-cli: " + gateway + "\ncf20914-cli: " + used + '\n');
    QCOMPARE(Read_Test_File(program.Par_Gen_Path(QStringLiteral("Yard"))), before);

    const Cli_Result lenient =
        program.Run(QStringList{QStringLiteral("set"), QStringLiteral("Yard")} + changes);
    QCOMPARE(lenient.Exit, 0);
    QCOMPARE(lenient.Err,
             "cf20914-cli: warning: " + gateway + "\ncf20914-cli: warning: " + used + '\n');
    QCOMPARE(Load_ParGen(program.Par_Gen_Path(QStringLiteral("Yard"))).Modbus_TCP_Slave_GAT3,
             QStringLiteral("9"));

    // validate judges the file alone: no other configuration is known to it.
    for (const bool with_strict : {false, true}) {
        QStringList arguments{
            QStringLiteral("validate"), program.Par_Gen_Path(QStringLiteral("Yard")),
            QStringLiteral("--language-dir"), program.file(QStringLiteral("LANGUAGE"))};
        if (with_strict)
            arguments << QStringLiteral("--strict");
        const Cli_Result validated = Run_Cli(arguments);
        QCOMPARE(validated.Out, QStringLiteral("OK\n"));
        QCOMPARE(validated.Exit, with_strict ? 1 : 0);
        QCOMPARE(validated.Err, QStringLiteral("cf20914-cli: ") +
                                    (with_strict ? QString() : QStringLiteral("warning: ")) +
                                    gateway + '\n');
    }
}

void Tst_Cli_Provision::copyConfiguration() {
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Hall"), Saved_Par_Gen({}));
    Write_Test_File(program.file(QStringLiteral("PROJECTS/Hall/bin/image.bin")), "IMAGE");
    Write_Test_File(program.file(QStringLiteral("PROJECTS/Hall/") + Update_Record_File_Name),
                    "{}\n");
    program.Add_Configuration(QStringLiteral("Yard"));

    const Cli_Result copied =
        program.Run({QStringLiteral("copy"), QStringLiteral("Hall"), QStringLiteral("Hall 2")});
    QCOMPARE(copied.Exit, 0);
    QCOMPARE(Read_Test_File(program.Par_Gen_Path(QStringLiteral("Hall 2"))),
             Read_Test_File(program.Par_Gen_Path(QStringLiteral("Hall"))));
    QCOMPARE(Read_Test_File(program.file(QStringLiteral("PROJECTS/Hall 2/bin/image.bin"))),
             QByteArray("IMAGE"));
    // The copy is for another device: the record of Hall's updates stays Hall's.
    QVERIFY(!QFileInfo::exists(
        program.file(QStringLiteral("PROJECTS/Hall 2/") + Update_Record_File_Name)));

    const struct {
        QString New;
        QString Message;
    } refusals[] = {{QStringLiteral("Yard"), QStringLiteral("Error! Name project is not valid "
                                                            "because directory already exists")},
                    {QStringLiteral("../Out"), QStringLiteral("Error! Name project is not valid")},
                    {QString(), QStringLiteral("Error! Name Project is not valid")}};
    for (const auto &refusal : refusals) {
        const Cli_Result refused =
            program.Run({QStringLiteral("copy"), QStringLiteral("Hall"), refusal.New});
        QCOMPARE(refused.Exit, 1);
        Verify_Error_Line(refused, refusal.Message);
    }
    QCOMPARE(Projects(program), (QStringList{"Hall", "Hall 2", "Yard"}));
    const Cli_Result missing =
        program.Run({QStringLiteral("copy"), QStringLiteral("None"), QStringLiteral("Other")});
    QCOMPARE(missing.Exit, 2);
    QCOMPARE(Projects(program), (QStringList{"Hall", "Hall 2", "Yard"}));
}

void Tst_Cli_Provision::renameConfiguration_data() {
    QTest::addColumn<bool>("window_runs");
    QTest::newRow("window closed") << false;
    QTest::newRow("window running") << true;
}

void Tst_Cli_Provision::renameConfiguration() {
    QFETCH(bool, window_runs);
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Hall"), Saved_Par_Gen({}));
    program.Add_Configuration(QStringLiteral("Yard"));
    program.Remember("<lastproj><projectname>Hall</projectname></lastproj>");
    // This test process stands in for a running window.
    if (window_runs)
        Write_Test_File(program.file(Window_Marker_File_Name), Lock_File_Text(This_Process()));

    const Cli_Result refused =
        program.Run({QStringLiteral("rename"), QStringLiteral("Hall"), QStringLiteral("Yard")});
    QCOMPARE(refused.Exit, 1);
    Verify_Error_Line(refused, QStringLiteral("already exists"));

    const Cli_Result renamed =
        program.Run({QStringLiteral("rename"), QStringLiteral("Hall"), QStringLiteral("Hall B")});
    QCOMPARE(renamed.Exit, 0);
    QCOMPARE(Projects(program), (QStringList{"Hall B", "Yard"}));
    const Cli_Result listed = program.Run({QStringLiteral("list")});
    QCOMPARE(listed.Out, window_runs ? QStringLiteral("  Hall B\n  Yard\n")
                                     : QStringLiteral("* Hall B\n  Yard\n"));
    if (window_runs)
        QVERIFY2(renamed.Err.contains(QLatin1String("the window of this program folder runs")),
                 qPrintable(renamed.Err));
    else
        QCOMPARE(renamed.Err, QString());
}

void Tst_Cli_Provision::deleteConfiguration() {
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Hall"), Saved_Par_Gen({}));
    const Cli_Result unconfirmed = program.Run({QStringLiteral("delete"), QStringLiteral("Hall")});
    QCOMPARE(unconfirmed.Exit, 1);
    Verify_Error_Line(unconfirmed, QStringLiteral("--yes"));
    QCOMPARE(Projects(program), QStringList{"Hall"});

    const Cli_Result deleted =
        program.Run({QStringLiteral("delete"), QStringLiteral("Hall"), QStringLiteral("--yes")});
    QCOMPARE(deleted.Exit, 0);
    QCOMPARE(Projects(program), QStringList());
    const Cli_Result again =
        program.Run({QStringLiteral("delete"), QStringLiteral("Hall"), QStringLiteral("--yes")});
    QCOMPARE(again.Exit, 2);
}

void Tst_Cli_Provision::exportAndImport() {
    const Cli_Program program;
    program.Add_Configuration(
        QStringLiteral("Hall"),
        Saved_Par_Gen({{QStringLiteral("Modbus_TCP_Slave_Port"), QStringLiteral("1502")},
                       {QStringLiteral("Modbus_TCP_Slave_2_IP3"), QStringLiteral("1")},
                       {QStringLiteral("Modbus_TCP_Slave_EN_GAT"), QStringLiteral("1")}}));
    const QString file = program.file(QStringLiteral("hall.json"));
    const Cli_Result exported =
        program.Run({QStringLiteral("export"), QStringLiteral("Hall"), file});
    QCOMPARE(exported.Exit, 0);
    const QJsonObject json = QJsonDocument::fromJson(Read_Test_File(file)).object();
    QCOMPARE(json.value(QStringLiteral("name")).toString(), QStringLiteral("Hall"));
    QCOMPARE(json.value(QStringLiteral("parameters")).toObject().size(), 30);

    // Under its own name it exists: refused unless --force.
    const Cli_Result existing = program.Run({QStringLiteral("import"), file});
    QCOMPARE(existing.Exit, 1);
    Verify_Error_Line(existing, QStringLiteral("--force"));
    QCOMPARE(program.Run({QStringLiteral("import"), file, QStringLiteral("--force")}).Exit, 0);

    const Cli_Result imported =
        program.Run({QStringLiteral("import"), file, QStringLiteral("Yard")});
    QCOMPARE(imported.Exit, 0);
    QCOMPARE(Load_ParGen(program.Par_Gen_Path(QStringLiteral("Yard"))),
             Load_ParGen(program.Par_Gen_Path(QStringLiteral("Hall"))));
    QVERIFY2(imported.Err.contains(QLatin1String("also used by the configuration Hall")),
             qPrintable(imported.Err));
}

void Tst_Cli_Provision::importRefusals_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("message");
    QTest::newRow("rule fails")
        << QByteArray(R"({"name":"New","parameters":{"Modbus_TCP_Slave_Port":"10000"}})") << 1
        << Port_Rule;
    QTest::newRow("unknown key")
        << QByteArray(R"({"name":"New","parameters":{"Modbus_TCP_Slave_IP5":"1"}})") << 2
        << "unknown key 'Modbus_TCP_Slave_IP5'";
    QTest::newRow("switch not 1 or 0")
        << QByteArray(R"({"name":"New","parameters":{"Modbus_TCP_Slave_EN_GAT":"on"}})") << 2
        << "Modbus_TCP_Slave_EN_GAT takes \"1\" or \"0\"";
    QTest::newRow("number, not text")
        << QByteArray(R"({"name":"New","parameters":{"Modbus_TCP_Slave_Port":502}})") << 2
        << "Modbus_TCP_Slave_Port takes a string";
    QTest::newRow("no parameters")
        << QByteArray(R"({"name":"New"})") << 2 << "no object \"parameters\"";
    QTest::newRow("not JSON") << QByteArray("name=New") << 2 << "at offset";
    QTest::newRow("name leading outside") << QByteArray(R"({"name":"../New","parameters":{}})") << 1
                                          << "Error! Name project is not valid";
}

void Tst_Cli_Provision::importRefusals() {
    QFETCH(QByteArray, json);
    QFETCH(int, exit);
    QFETCH(QString, message);
    const Cli_Program program;
    Write_Test_File(program.file(QStringLiteral("new.json")), json);
    const Cli_Result result =
        program.Run({QStringLiteral("import"), program.file(QStringLiteral("new.json"))});
    QCOMPARE(result.Exit, exit);
    Verify_Error_Line(result, message);
    QCOMPARE(Projects(program), QStringList());
}

void Tst_Cli_Provision::changesWaitForTheConfigurationsLock_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("held");
    QTest::newRow("rename, the new name held")
        << QStringList{QStringLiteral("rename"), QStringLiteral("Hall"), QStringLiteral("Annex")}
        << "Annex";
    QTest::newRow("delete") << QStringList{QStringLiteral("delete"), QStringLiteral("Hall"),
                                           QStringLiteral("--yes")}
                            << "Hall";
}

// A change of a configuration that another change holds for longer than the wait exits with 5
// and leaves everything as it was.
void Tst_Cli_Provision::changesWaitForTheConfigurationsLock() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, held);
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Hall"), Saved_Par_Gen({}));
    Configuration_Lock lock(program.file(QStringLiteral("PROJECTS/") + held));
    QVERIFY(lock.Take(0));
    const Cli_Result result = program.Run(arguments);
    QCOMPARE(result.Exit, 5);
    QVERIFY2(result.Err.contains(QStringLiteral("The configuration %1 is being changed").arg(held)),
             qPrintable(result.Err));
    QVERIFY(QFileInfo::exists(program.Par_Gen_Path(QStringLiteral("Hall"))));
    QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("PROJECTS/Annex"))));
}

QTEST_GUILESS_MAIN(Tst_Cli_Provision)
#include "tst_cli_provision.moc"
