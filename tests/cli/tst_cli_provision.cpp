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
#include <QScopeGuard>
#include <csignal>

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

// The rows of a report in JSON Lines.
QList<QJsonObject> Report_Lines(const QString &path) {
    QList<QJsonObject> rows;
    for (const QByteArray &line : Read_Test_File(path).split('\n')) {
        if (!line.isEmpty())
            rows << QJsonDocument::fromJson(line).object();
    }
    return rows;
}

// "device result" of each row of a report. The interrupt cases that use it are POSIX only.
[[maybe_unused]] QStringList Results(const QList<QJsonObject> &rows) {
    QStringList results;
    for (const QJsonObject &row : rows)
        results << row.value(QStringLiteral("device")).toString() + QLatin1Char(' ') +
                       row.value(QStringLiteral("result")).toString();
    return results;
}

// How many updaters of configuration name ended, by its record.
[[maybe_unused]] qsizetype Updates_Of(const Cli_Program &program, const QString &name) {
    const QList<QJsonObject> records = Update_Records(program, name);
    return std::count_if(records.begin(), records.end(), [](const QJsonObject &record) {
        return record.value(QStringLiteral("outcome")).toString() == Update_Result::Updater_Ended;
    });
}

const QString Port_Rule = QStringLiteral(
    "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000");

} // namespace

class Tst_Cli_Provision : public QObject {
    Q_OBJECT

private slots:
    void listShapes_data();
    void listShapes();
    void spreadsheetExports_data();
    void spreadsheetExports();
    void eachWarningOnce();
    void batchChecksBeforeTheFirstDevice_data();
    void batchChecksBeforeTheFirstDevice();
    void provisionKeepsGoingPastSilentDevice();
    void provisionKeepsConcurrentChanges();
    void failedDeviceGetsItsFilesBack();
    void interruptedTwiceAndResumed();
    void secondInterruptGivesUpWaiting();
    void provisionExistingConfigurationAndReport();

    void warningsOfSetAndValidate();

    void namesDifferingOnlyInCase_data();
    void namesDifferingOnlyInCase();
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
    QTest::newRow("unknown column, the known ones listed")
        << QByteArray("name,adress\nA,10.0.0.2\n") << 1
        << QStringList{"line 1: unknown column 'adress'; the known columns are name, reach, "
                       "option, address, mask, gateway, port, address2, mask2, gateway2, port2, "
                       "offset_registers, offset_status, Modbus_TCP_Slave_IP1, "};
    QTest::newRow("headers in any case, blanks around them")
        << QByteArray("NAME , Address,modbus_tcp_slave_port\nA,10.0.0.2,502\n") << 0
        << QStringList{"2 A"};
    QTest::newRow("semicolons, an empty column after the last")
        << QByteArray("name;address;\nA;10.0.0.2;\nB;10.0.0.3;\n") << 0
        << QStringList{"2 A", "3 B"};
    QTest::newRow("tabs, an empty cell between")
        << QByteArray("name\taddress\tport\nA\t\t502\nB\t10.0.0.3\t\n") << 0
        << QStringList{"2 A", "3 B"};
    QTest::newRow("sep= line names a separator the header does not favour")
        << QByteArray("sep=;\nname;address,port\nA;10.0.0.2,502\n") << 1
        << QStringList{"line 2: unknown column 'address,port'"};
    QTest::newRow("rows of separators and blanks")
        << QByteArray("name,address\n, \nA,10.0.0.2\n,,,\n") << 0 << QStringList{"3 A"};
    QTest::newRow("a cell beyond the header's columns")
        << QByteArray("name,address\nA,10.0.0.2,,x\n") << 1
        << QStringList{"line 2: 4 fields where the header has 2"};
    QTest::newRow("no name column") << QByteArray("address\n10.0.0.2\n") << 1
                                    << QStringList{"line 1: the header has no column 'name'"};
    QTest::newRow("two columns for one key")
        << QByteArray("name,address,Modbus_TCP_Slave_IP4\nA,10.0.0.2,7\n") << 1
        << QStringList{"line 1: columns 'address' and 'Modbus_TCP_Slave_IP4' both set "
                       "Modbus_TCP_Slave_IP4"};
    QTest::newRow("duplicate name, other case")
        << QByteArray("name,address\nHall,10.0.0.2\nHALL,10.0.0.3\n") << 1
        << QStringList{"line 3: name 'HALL' is given on line 2 already"};
    QTest::newRow("bad value") << QByteArray("name,Port\nA,10000\n") << 1
                               << QStringList{"line 2: " + Port_Rule + " (Port '10000')"};
    QTest::newRow("two faults in two rows")
        << QByteArray("name,address,port\nA,10.0.0.2,70000\nB,10.0.0.3,502\nC,10.0.0,502\n") << 1
        << QStringList{"line 2: " + Port_Rule + " (port '70000')",
                       "line 4: address '10.0.0' is not four decimal bytes"};
    QTest::newRow("a byte of an address key out of range")
        << QByteArray("name,Modbus_TCP_Slave_2_IP3\nA,256\n") << 1
        << QStringList{"line 2: Error Modbus TCP Slave 2!! IP Address"};
    QTest::newRow("name leading outside") << QByteArray("name\n../MASTER\n") << 1
                                          << QStringList{"line 2: name '../MASTER' is not a "
                                                         "valid configuration name"};
    QTest::newRow("fields missing") << QByteArray("name,address,port\nA,10.0.0.2\n") << 1
                                    << QStringList{"line 2: 2 fields where the header has 3"};
    QTest::newRow("quote left open") << QByteArray("name,address\n\"A,10.0.0.2\n") << 1
                                     << QStringList{"line 2: a quote is left open"};
    QTest::newRow("switch not 1 or 0")
        << QByteArray("name,Modbus_TCP_Slave_EN_GAT\nA,yes\n") << 1
        << QStringList{"line 2: Modbus_TCP_Slave_EN_GAT takes 1 or 0, not 'yes'"};
    // Elsewhere two configurations; on Windows one folder, the configuration itself.
#ifndef Q_OS_WIN
    QTest::newRow("a configuration of the name in another case")
        << QByteArray("name,address\nline2,10.0.0.2\n") << 1
        << QStringList{"line 2: name 'line2' differs from the configuration Line2 only in the "
                       "case of its letters"};
#endif
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
    program.Add_Updater();
    program.Add_Firmware();
    program.Add_Configuration(QStringLiteral("Line2"));
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
    QCOMPARE(Projects(program), QStringList{"Line2"});
}

void Tst_Cli_Provision::spreadsheetExports_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("devices"); // as the dry run plans them, "LINE NAME"
    QTest::addColumn<QString>("planned");     // a value the plan must show
    QTest::addColumn<bool>("ansi");           // read in the ANSI code page, with a note

    QTest::newRow("Excel on Windows, English")
        << "excel-windows-en.csv" << QStringList{"2 Line 1", "3 Caf\u00e9 North"}
        << "Modbus_TCP_Slave_Port=1502" << true;
    QTest::newRow("Excel on Windows, German")
        << "excel-windows-de.csv" << QStringList{"2 K\u00fchlhaus", "3 Halle S\u00fcd"}
        << "Modbus_TCP_Slave_2_IP4=12" << true;
    QTest::newRow("Excel on Windows, Italian, sep= line")
        << "excel-windows-it.csv" << QStringList{"3 Citt\u00e0 Alta", "4 Linea 2"}
        << "OPTIONS_OFFSET_REGISTERS=200" << true;
    QTest::newRow("Excel, CSV UTF-8")
        << "excel-utf8.csv" << QStringList{"2 Stra\u00dfe 1", "3 Stra\u00dfe 2"}
        << "Modbus_TCP_Slave_IP4=12" << false;
    QTest::newRow("LibreOffice") << "libreoffice.csv" << QStringList{"2 Hall \u00c5", "3 Hall B"}
                                 << "Modbus_TCP_Slave_Port=1502" << false;
    QTest::newRow("Google Sheets")
        << "google-sheets.csv" << QStringList{"2 \u5de5\u5834 1", "3 Plant 2"}
        << "Modbus_TCP_Slave_2_Port=504" << false;
    QTest::newRow("Excel, Unicode text (tabs)")
        << "excel-unicode-text.txt" << QStringList{"2 Line 1", "3 Line 2"}
        << "Modbus_TCP_Slave_SM3=0" << false;
}

// Lists as spreadsheets save them load as they were meant.
void Tst_Cli_Provision::spreadsheetExports() {
    QFETCH(QString, file);
    QFETCH(QStringList, devices);
    QFETCH(QString, planned);
    QFETCH(bool, ansi);
    const Cli_Program program;
    program.Add_Updater();
    program.Add_Firmware();
    const Cli_Result result =
        program.Run({QStringLiteral("provision"), QStringLiteral(EXPORTS_DIR "/") + file,
                     QStringLiteral("--dry-run")});
    QVERIFY2(result.Exit == 0, qPrintable(result.Err));
    QCOMPARE(Planned(result), devices);
    QVERIFY2(result.Out.contains(planned), qPrintable(result.Out));
    const QString note = "cf20914-cli: note: the file is not UTF-8 text; it is read in ";
    QCOMPARE(result.Err.contains(note), ansi);
}

// A network warning is printed once, as a warning or with --strict as an error.
void Tst_Cli_Provision::eachWarningOnce() {
    const Cli_Program program;
    program.Add_Updater();
    program.Add_Firmware();
    Write_Test_File(program.file(QStringLiteral("devices.csv")),
                    "name,address\nA,10.0.0.2\nB,10.0.0.3\n");
    const QString warning = "line 2: Warning! Modbus TCP Slave 2: the address 192.168.0.6 is also "
                            "used by "
                            "the configuration B";
    for (const bool strict : {false, true}) {
        QStringList arguments{QStringLiteral("provision"),
                              program.file(QStringLiteral("devices.csv")),
                              QStringLiteral("--dry-run")};
        if (strict)
            arguments << QStringLiteral("--strict");
        const Cli_Result result = program.Run(arguments);
        QCOMPARE(result.Exit, strict ? 1 : 0);
        QCOMPARE(result.Err.count(warning), 1);
        QVERIFY2(
            result.Err.contains((strict ? "cf20914-cli: " : "cf20914-cli: warning: ") + warning),
            qPrintable(result.Err));
    }
}

void Tst_Cli_Provision::batchChecksBeforeTheFirstDevice_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("firmware");
    QTest::addColumn<bool>("updater");
    QTest::addColumn<QString>("report"); // below the program folder
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("message");

    const QByteArray sends_firmware("name,address,option\nA,10.0.0.2,2\nB,10.0.0.3,0\n");
    const QByteArray configuration_only("name,address,option\nA,10.0.0.2,2\n");
    QTest::newRow("a row sends the firmware, which is missing")
        << sends_firmware << false << true << "" << 1 << "sim20914.sim is missing";
    QTest::newRow("no row sends the firmware")
        << configuration_only << false << true << "" << 0 << "";
    QTest::newRow("no updater") << configuration_only << true << false << "" << 1 << "The updater ";
    QTest::newRow("report in a missing folder")
        << configuration_only << true << true << "gone/report.csv" << 2
        << "the folder of the report, ";
    QTest::newRow("report of another kind") << configuration_only << true << true << "report.txt"
                                            << 2 << "--report takes a file ending in .csv";
}

// What concerns the whole batch is found before the first device, by a dry run too.
void Tst_Cli_Provision::batchChecksBeforeTheFirstDevice() {
    QFETCH(QByteArray, csv);
    QFETCH(bool, firmware);
    QFETCH(bool, updater);
    QFETCH(QString, report);
    QFETCH(int, exit);
    QFETCH(QString, message);
    const Cli_Program program;
    if (firmware)
        program.Add_Firmware();
    if (updater)
        program.Add_Updater();
    Write_Test_File(program.file(QStringLiteral("devices.csv")), csv);
    for (const bool dry : {true, false}) {
        QStringList arguments{QStringLiteral("provision"),
                              program.file(QStringLiteral("devices.csv"))};
        if (dry)
            arguments << QStringLiteral("--dry-run");
        if (!report.isEmpty())
            arguments << QStringLiteral("--report") << program.file(report);
        // Without a dry run, a check that passes goes on to the device at 10.0.0.2, which must
        // not be contacted: the run is only made where a check refuses.
        if (!dry && exit == 0)
            continue;
        const Cli_Result result = program.Run(arguments);
        QCOMPARE(result.Exit, exit);
        QVERIFY2(result.Err.contains(message), qPrintable(result.Err));
        QCOMPARE(Projects(program), QStringList());
        QVERIFY(!QFileInfo::exists(program.file(Update_Lock_File_Name)));
    }
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
             QByteArray("device,line,step,result,exit_code,reason,updater_exit_code,verified,"
                        "configuration\r\n"
                        "Hall,2,update,failed,7,updater failed with its own exit code 9; the "
                        "device may hold the new values,9,not checked,kept\r\n"
                        "Annex,3,update,failed,7,updater failed with its own exit code 9; the "
                        "device may hold the new values,9,not checked,kept\r\n"));
    // A configuration that was there before stays when its device fails; one made for a device
    // whose updater ran stays too, with the record of what it was sent.
    QCOMPARE(Projects(program), (QStringList{"Annex", "Hall"}));
    QCOMPARE(Update_Records(program, QStringLiteral("Annex")).size(), 1);
}

// A set made while provision waits for another device is not undone at its device's turn; one of
// the device being updated waits for it and is kept too.
void Tst_Cli_Provision::provisionKeepsConcurrentChanges() {
    const Cli_Program program;
    for (const QString &name : {QStringLiteral("A"), QStringLiteral("B")})
        program.Add_Configuration(name, Saved_Par_Gen({}));
    program.Add_Held_Updater();
    Write_Test_File(
        program.file(QStringLiteral("devices.csv")),
        "name,reach,address,option\nA,127.0.0.1,10.0.0.11,2\nB,127.0.0.1,10.0.0.12,2\n");
    QProcess provision;
    if (const auto ended =
            Start_Holding_Update(provision,
                                 program.Arguments({QStringLiteral("provision"),
                                                    program.file(QStringLiteral("devices.csv"))}),
                                 [&program] { return !program.Record().isEmpty(); })) {
        if (!Icmp_Allowed(*ended))
            QSKIP("this user may not open an ICMP socket");
        QFAIL(qPrintable(ended->Err));
    }
    // A's updater runs: B is free, A is held until its update ends.
    const Cli_Result set_b = program.Run(
        {QStringLiteral("set"), QStringLiteral("B"), QStringLiteral("OPTIONS_OFFSET_STATUS=55")});
    QCOMPARE(set_b.Exit, 0);
    QProcess set_a;
    Start_Cli(set_a, program.Arguments({QStringLiteral("set"), QStringLiteral("A"),
                                        QStringLiteral("OPTIONS_OFFSET_STATUS=66")}));
    QVERIFY(set_a.waitForStarted());
    QVERIFY(!set_a.waitForFinished(500));
    program.Release_Updater();
    QCOMPARE(Finish_Cli(set_a).Exit, 0);
    const Cli_Result provisioned = Finish_Cli(provision);
    QVERIFY2(provisioned.Exit == 0, qPrintable(provisioned.Err));
    for (const auto &[name, ip4, offset] :
         {std::tuple{"A", "11", "66"}, std::tuple{"B", "12", "55"}}) {
        const ParGen_Params params = Load_ParGen(program.Par_Gen_Path(QLatin1String(name)));
        QCOMPARE(params.Modbus_TCP_Slave_IP4, QLatin1String(ip4));
        QCOMPARE(params.OPTIONS_OFFSET_STATUS, QLatin1String(offset));
    }
}

// A device that fails before its updater ran leaves its existing configuration as it was, and
// the report and the record say so.
void Tst_Cli_Provision::failedDeviceGetsItsFilesBack() {
    const Cli_Program program;
    program.Add_Configuration(
        QStringLiteral("Hall"),
        Saved_Par_Gen({{QStringLiteral("Modbus_TCP_Slave_IP4"), QStringLiteral("5")}}));
    Write_Test_File(program.file(QStringLiteral("PROJECTS/Hall/bin/bank.bin")), "OLD IMAGE");
    const QByteArray par_gen = Read_Test_File(program.Par_Gen_Path(QStringLiteral("Hall")));
    program.Add_Updater();
    Write_Test_File(program.file(QStringLiteral("devices.csv")),
                    "name,reach,address,option\nHall,127.0.0.1,10.0.0.11,2\n");
    // Another update holds the program folder: this one is refused before sending.
    Update_Lock held(program.Folder.path());
    QCOMPARE(held.Take(0, {}), Update_Lock::Take_Result::Taken);
    const QString report = program.file(QStringLiteral("report.jsonl"));
    const Cli_Result result = program.Run(
        {QStringLiteral("provision"), program.file(QStringLiteral("devices.csv")),
         QStringLiteral("--wait"), QStringLiteral("0"), QStringLiteral("--report"), report});
    if (!Icmp_Allowed(result))
        QSKIP("this user may not open an ICMP socket");
    QCOMPARE(result.Exit, 5);
    QCOMPARE(Read_Test_File(program.Par_Gen_Path(QStringLiteral("Hall"))), par_gen);
    QCOMPARE(Read_Test_File(program.file(QStringLiteral("PROJECTS/Hall/bin/bank.bin"))),
             QByteArray("OLD IMAGE"));
    const QList<QJsonObject> rows = Report_Lines(report);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.front().value(QStringLiteral("configuration")).toString(),
             QStringLiteral("restored"));
    const QString reason = rows.front().value(QStringLiteral("reason")).toString();
    QVERIFY2(reason.startsWith(QLatin1String("refused before sending: ")) &&
                 reason.endsWith(QLatin1String("were put back")),
             qPrintable(reason));
    QVERIFY(rows.front().value(QStringLiteral("updater_exit_code")).isNull());
    const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Hall"));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.front().value(QStringLiteral("outcome")).toString(), Update_Result::Lock_Busy);
    QVERIFY(records.front()
                .value(QStringLiteral("reason"))
                .toString()
                .endsWith(QLatin1String("were put back")));
}

// An interrupt lets the running device end, runs no other and says so in the report; a resumed
// run takes up the devices not done. Twice interrupted, each device is updated exactly once.
void Tst_Cli_Provision::interruptedTwiceAndResumed() {
#ifdef Q_OS_WIN
    QSKIP("the tool's interrupt is a POSIX signal here");
#else
    const Cli_Program program;
    program.Add_Held_Updater();
    Write_Test_File(program.file(QStringLiteral("devices.csv")), "name,reach,address,option\n"
                                                                 "Line1,127.0.0.1,10.0.0.11,2\n"
                                                                 "Line2,127.0.0.1,10.0.0.12,2\n"
                                                                 "Line3,127.0.0.1,10.0.0.13,2\n");
    const QString report = program.file(QStringLiteral("report.jsonl"));
    QStringList arguments{QStringLiteral("provision"), program.file(QStringLiteral("devices.csv")),
                          QStringLiteral("--report"), report};
    const struct {
        QString Device; // the one that runs
        QStringList Results;
    } runs[] = {{"Line1", {"Line1 ok", "Line2 not run", "Line3 not run"}},
                {"Line2", {"Line1 ok", "Line2 ok", "Line3 not run"}}};
    for (const auto &run : runs) {
        QFile::remove(program.file(QStringLiteral("updater_release")));
        QFile::remove(program.file(QStringLiteral("updater_record.txt")));
        QProcess provision;
        if (const auto ended =
                Start_Holding_Update(provision, program.Arguments(arguments),
                                     [&program] { return !program.Record().isEmpty(); })) {
            if (!Icmp_Allowed(*ended))
                QSKIP("this user may not open an ICMP socket");
            QFAIL(qPrintable(ended->Err));
        }
        QCOMPARE(::kill(pid_t(provision.processId()), SIGINT), 0);
        // The running device's updater is waited for as usual.
        QVERIFY(!provision.waitForFinished(300));
        program.Release_Updater();
        const Cli_Result interrupted = Finish_Cli(provision);
        QCOMPARE(interrupted.Exit, 130);
        QCOMPARE(Results(Report_Lines(report)), run.Results);
        // Every line of the device names it, on a stdout that is no terminal.
        QVERIFY2(interrupted.Out.contains(run.Device + ": Ethernet_Update.exe ended after") &&
                     interrupted.Out.contains(run.Device + ": ok\n"),
                 qPrintable(interrupted.Out));
        arguments =
            QStringList{QStringLiteral("provision"), program.file(QStringLiteral("devices.csv")),
                        QStringLiteral("--report"),  report,
                        QStringLiteral("--resume"),  report};
    }
    Write_Test_File(program.file(QStringLiteral("updater_delay_ms")), "0");
    const Cli_Result last = program.Run(arguments);
    QVERIFY2(last.Exit == 0, qPrintable(last.Err));
    QCOMPARE(Results(Report_Lines(report)), (QStringList{"Line1 ok", "Line2 ok", "Line3 ok"}));
    for (const QString &name :
         {QStringLiteral("Line1"), QStringLiteral("Line2"), QStringLiteral("Line3")})
        QCOMPARE(Updates_Of(program, name), 1);
#endif
}

// A second interrupt gives up waiting for the running updater, which keeps the program folder
// locked until it ends, as after a wait that ran out.
void Tst_Cli_Provision::secondInterruptGivesUpWaiting() {
#ifdef Q_OS_WIN
    QSKIP("the tool's interrupt is a POSIX signal here");
#else
    const Cli_Program program;
    program.Add_Held_Updater();
    auto released = qScopeGuard([&program] { program.Release_Updater(); });
    Write_Test_File(program.file(QStringLiteral("devices.csv")),
                    "name,reach,address,option\nLine1,127.0.0.1,10.0.0.11,2\n"
                    "Line2,127.0.0.1,10.0.0.12,2\n");
    const QString report = program.file(QStringLiteral("report.jsonl"));
    QProcess provision;
    if (const auto ended =
            Start_Holding_Update(provision,
                                 program.Arguments({QStringLiteral("provision"),
                                                    program.file(QStringLiteral("devices.csv")),
                                                    QStringLiteral("--report"), report}),
                                 [&program] { return !program.Record().isEmpty(); })) {
        if (!Icmp_Allowed(*ended))
            QSKIP("this user may not open an ICMP socket");
        QFAIL(qPrintable(ended->Err));
    }
    QCOMPARE(::kill(pid_t(provision.processId()), SIGINT), 0);
    QVERIFY(!provision.waitForFinished(300));
    QCOMPARE(::kill(pid_t(provision.processId()), SIGTERM), 0);
    const Cli_Result result = Finish_Cli(provision);
    QCOMPARE(result.Exit, 130);
    QVERIFY(!program.Record().contains(QLatin1String("ended")));
    QVERIFY(QFileInfo::exists(program.file(Update_Lock_File_Name)));
    const QList<QJsonObject> rows = Report_Lines(report);
    QCOMPARE(Results(rows), (QStringList{"Line1 failed", "Line2 not run"}));
    QVERIFY2(rows.front()
                 .value(QStringLiteral("reason"))
                 .toString()
                 .startsWith(QLatin1String("wait ran out")),
             qPrintable(rows.front().value(QStringLiteral("reason")).toString()));
    QCOMPARE(rows.front().value(QStringLiteral("configuration")).toString(),
             QStringLiteral("kept"));
#endif
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
    const QString gateway = QStringLiteral("Warning! Modbus TCP Slave: the gateway 192.168.9.1 "
                                           "lies outside the subnet of its address");
    const QString used =
        QStringLiteral("Warning! Modbus TCP Slave: the address 192.168.0.5 is also "
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

void Tst_Cli_Provision::namesDifferingOnlyInCase_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QStringList>("projects");
    QTest::newRow("new") << QStringList{"new", "LINE2"} << 1 << QStringList{"Hall", "Line2"};
    QTest::newRow("copy") << QStringList{"copy", "Hall", "line2"} << 1
                          << QStringList{"Hall", "Line2"};
    QTest::newRow("rename") << QStringList{"rename", "Hall", "LINE2"} << 1
                            << QStringList{"Hall", "Line2"};
#ifndef Q_OS_WIN // Windows renames no folder to its own name in another case
    QTest::newRow("rename to its own name in another case")
        << QStringList{"rename", "Line2", "LINE2"} << 0 << QStringList{"Hall", "LINE2"};
#endif
}

// A name that differs from an existing configuration's only in case is another name on Linux,
// but the same folder on Windows, and a twin nobody can tell apart in the list.
void Tst_Cli_Provision::namesDifferingOnlyInCase() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exit);
    QFETCH(QStringList, projects);
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Hall"), Saved_Par_Gen({}));
    program.Add_Configuration(QStringLiteral("Line2"), Saved_Par_Gen({}));
    const Cli_Result result = program.Run(arguments);
    QCOMPARE(result.Exit, exit);
    if (exit != 0)
        Verify_Error_Line(result, "differs from it only in the case of its letters");
    QCOMPARE(Projects(program), projects);
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
    program.Add_Configuration(QStringLiteral("Yard"));
    program.Remember("<lastproj><projectname>Hall</projectname></lastproj>");
    const Cli_Result unconfirmed = program.Run({QStringLiteral("delete"), QStringLiteral("Hall")});
    QCOMPARE(unconfirmed.Exit, 1);
    Verify_Error_Line(unconfirmed, QStringLiteral("--yes"));
    QCOMPARE(Projects(program), (QStringList{"Hall", "Yard"}));

    const Cli_Result deleted =
        program.Run({QStringLiteral("delete"), QStringLiteral("Hall"), QStringLiteral("--yes")});
    QCOMPARE(deleted.Exit, 0);
    QCOMPARE(Projects(program), QStringList{"Yard"});
    // The deleted configuration is no longer remembered as the active one.
    QCOMPARE(program.Run({QStringLiteral("list")}).Out, QStringLiteral("  Yard\n"));
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
        << "Modbus_TCP_Slave_EN_GAT takes 1 or 0";
    QTest::newRow("value longer than set takes")
        << QByteArray(R"({"name":"New","parameters":{"Modbus_TCP_Slave_Port":")") +
               QByteArray(100000, '5') + QByteArray(R"("}})")
        << 2 << "the value of Modbus_TCP_Slave_Port is longer than 32767 characters";
    QTest::newRow("a key twice")
        << QByteArray(R"({"name":"New","parameters":{"Modbus_TCP_Slave_Port":"10000",)"
                      R"( "Modbus_TCP_Slave_Port" : "502"}})")
        << 2 << "the key \"Modbus_TCP_Slave_Port\" is given twice";
    QTest::newRow("a key twice, written with an escape")
        << QByteArray(R"({"name":"New","parameters":{"Modbus_TCP_Slave_Port":"502",)"
                      R"("Modbus_TCP_Slave_\u0050ort":"503"}})")
        << 2 << "the key \"Modbus_TCP_Slave_Port\" is given twice";
    QTest::newRow("name not a string")
        << QByteArray(R"({"name":7,"parameters":{}})") << 2 << "the name is not a string";
#ifndef Q_OS_WIN // on Windows the folder exists, and is refused as existing
    QTest::newRow("the name of a configuration in another case")
        << QByteArray(R"({"name":"HALL","parameters":{}})") << 1
        << "(the configuration Hall differs from it only in the case of its letters)";
#endif
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
    program.Add_Configuration(QStringLiteral("Hall"));
    Write_Test_File(program.file(QStringLiteral("new.json")), json);
    const Cli_Result result =
        program.Run({QStringLiteral("import"), program.file(QStringLiteral("new.json"))});
    QCOMPARE(result.Exit, exit);
    Verify_Error_Line(result, message);
    QCOMPARE(Projects(program), QStringList{"Hall"});
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
