// check and scan as a script runs them, against pymodbus servers on loopback ports the system
// picks, and a range search inside a private network namespace.

#include "support/CliProgram.h"
#include "support/CliRun.h"
#include "support/ModbusServer.h"
#include "support/PrivateNetwork.h"
#include "support/TestSupport.h"

#include "parameters/ParGen.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

// A program folder with the configuration Plant, whose endpoints are loopback ports.
QString Plant_Folder(const Program_Folder &program, quint16 port_1, quint16 port_2) {
    const QString folder = program.file(QStringLiteral("PROJECTS/Plant"));
    QDir().mkpath(folder + QStringLiteral("/bin"));
    Save_ParGen(Loopback_Par_Gen(port_1, port_2, 5), folder + QStringLiteral("/ParGen.xml"));
    return program.path();
}

} // namespace

class Test_Cli_Modbus : public QObject {
    Q_OBJECT

private slots:
    void check_address();
    void check_configuration_data();
    void check_configuration();
    void refused_before_any_traffic_data();
    void refused_before_any_traffic();
    void scan_in_namespace();
    void module_refused_data();
    void module_refused();
    void faulty_devices_data();
    void faulty_devices();
    void check_until_the_device_answers();
    void update_verify_data();
    void update_verify();
};

void Test_Cli_Modbus::check_address() {
    Modbus_Servers servers({QStringLiteral("127.0.0.1")});
    QVERIFY2(servers.failure().isEmpty(), qPrintable(servers.failure()));
    const QString port = QString::number(servers.ports().at(0));
    Cli_Result result = Run_Cli({QStringLiteral("check"), QStringLiteral("--ip"),
                                 QStringLiteral("127.0.0.1"), QStringLiteral("--port"), port});
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Out, QStringLiteral("127.0.0.1:%1 answers: vendor Velmor, product GW20914, "
                                        "revision 1.2, register 0 holds 1000\n")
                             .arg(port));

    const Held_Port closed(false);
    result = Run_Cli({QStringLiteral("check"), QStringLiteral("--ip"), QStringLiteral("127.0.0.1"),
                      QStringLiteral("--port"), QString::number(closed.port())});
    QCOMPARE(result.Exit, 6);
    QVERIFY2(result.Out.startsWith(
                 QStringLiteral("127.0.0.1:%1 refuses the connection").arg(closed.port())),
             qPrintable(result.Out));
}

void Test_Cli_Modbus::check_configuration_data() {
    QTest::addColumn<bool>("second_closed");
    QTest::addColumn<int>("exit");
    QTest::newRow("both answer") << false << 0;
    QTest::newRow("endpoint 2 refuses") << true << 6;
}

// Both endpoints with their names, ports and the register offset of the configuration.
void Test_Cli_Modbus::check_configuration() {
    QFETCH(bool, second_closed);
    Modbus_Servers servers({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1")});
    QVERIFY2(servers.failure().isEmpty(), qPrintable(servers.failure()));
    const Held_Port closed(false);
    const quint16 port_2 = second_closed ? closed.port() : servers.ports().at(1);
    Program_Folder program;
    const Cli_Result result = Run_Cli({QStringLiteral("check"), QStringLiteral("Plant"),
                                       QStringLiteral("--json"), QStringLiteral("--program-dir"),
                                       Plant_Folder(program, servers.ports().at(0), port_2)});
    QTEST(result.Exit, "exit");
    const QJsonArray endpoints = QJsonDocument::fromJson(result.Out.toUtf8()).array();
    QCOMPARE(endpoints.size(), 2);
    const QJsonObject first = endpoints.at(0).toObject();
    QCOMPARE(first.value(QLatin1String("name")).toString(), QStringLiteral("Modbus TCP Slave"));
    QCOMPARE(first.value(QLatin1String("state")).toString(), QStringLiteral("answers"));
    QCOMPARE(first.value(QLatin1String("register")).toInt(), 5);
    QCOMPARE(first.value(QLatin1String("register_value")).toInt(), 1005);
    QCOMPARE(
        first.value(QLatin1String("identification")).toObject().value(QLatin1String("product")),
        Test_Product);
    const QJsonObject second = endpoints.at(1).toObject();
    QCOMPARE(second.value(QLatin1String("name")).toString(), QStringLiteral("Modbus TCP Slave 2"));
    QCOMPARE(second.value(QLatin1String("port")).toInt(), int(port_2));
    QCOMPARE(second.value(QLatin1String("state")).toString(),
             second_closed ? QStringLiteral("refused") : QStringLiteral("answers"));
}

void Test_Cli_Modbus::refused_before_any_traffic_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("neither name nor address")
        << QStringList{QStringLiteral("check")} << "give either a configuration NAME or --ip";
    QTest::newRow("both name and address")
        << QStringList{QStringLiteral("check"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                       QStringLiteral("127.0.0.1")}
        << "give either a configuration NAME or --ip";
    QTest::newRow("a host name is never resolved")
        << QStringList{QStringLiteral("check"), QStringLiteral("--ip"), QStringLiteral("localhost")}
        << "--ip takes an IPv4 address";
    QTest::newRow("port 0") << QStringList{QStringLiteral("check"), QStringLiteral("--ip"),
                                           QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                                           QStringLiteral("0")}
                            << "--port takes a whole number from 1 to 65535";
    QTest::newRow("timeout too short")
        << QStringList{QStringLiteral("scan"), QStringLiteral("127.0.0.0/30"),
                       QStringLiteral("--timeout"), QStringLiteral("5")}
        << "--timeout takes a whole number from 10 to 600000";
    QTest::newRow("range over 1024 hosts")
        << QStringList{QStringLiteral("scan"), QStringLiteral("127.0.0.0/21")}
        << "The range holds 2046 hosts; at most 1024 can be searched";
    QTest::newRow("not a range") << QStringList{QStringLiteral("scan"),
                                                QStringLiteral("127.0.0.0/24/8")}
                                 << "Give an IPv4 range as address/prefix length";
    QTest::newRow("this computer is no device")
        << QStringList{QStringLiteral("check"), QStringLiteral("--ip"), QStringLiteral("0.0.0.0")}
        << "0.0.0.0 is not the address of a device";
    QTest::newRow("broadcast is no device")
        << QStringList{QStringLiteral("check"), QStringLiteral("--ip"),
                       QStringLiteral("255.255.255.255")}
        << "255.255.255.255 is not the address of a device";
    QTest::newRow("multicast range")
        << QStringList{QStringLiteral("scan"), QStringLiteral("239.1.2.0/24")}
        << "239.1.2.0 is not the address of a device";
    QTest::newRow("a configuration names its register")
        << QStringList{QStringLiteral("check"), QStringLiteral("Plant"),
                       QStringLiteral("--register"), QStringLiteral("3")}
        << "--register goes with --ip";
}

void Test_Cli_Modbus::refused_before_any_traffic() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Cli_Result result = Run_Cli(arguments);
    QCOMPARE(result.Exit, 2);
    QVERIFY2(result.Err.contains(message), qPrintable(result.Err));
    QCOMPARE(result.Out, QString());
}

// The tool runs inside the namespace: three servers, two hosts that refuse, the rest silent.
void Test_Cli_Modbus::scan_in_namespace() {
    const QStringList servers_at = {QStringLiteral("10.88.0.77"), QStringLiteral("10.88.0.100"),
                                    QStringLiteral("10.88.0.8")};
    const Private_Network network =
        Range_On_Loopback(QStringLiteral("10.88.0.0/24"), true,
                          servers_at + QStringList{QStringLiteral("10.88.0.9")});
    Cli_Result result;
    QString server_failure;
    const QString failure = network.Run([&] {
        Modbus_Servers servers(On_Port(servers_at, 1502));
        server_failure = servers.failure();
        if (server_failure.isEmpty())
            result = Run_Cli({QStringLiteral("scan"), QStringLiteral("10.88.0.0/24"),
                              QStringLiteral("--port"), QStringLiteral("1502"),
                              QStringLiteral("--timeout"), QStringLiteral("1000")});
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    QVERIFY2(server_failure.isEmpty(), qPrintable(server_failure));
    QCOMPARE(result.Exit, 0);
    const QString tail =
        QStringLiteral(":1502 answers: vendor Velmor, product GW20914, revision 1.2, register 0 "
                       "holds 1000\n");
    QCOMPARE(result.Out, QStringLiteral("10.88.0.8") + tail + QStringLiteral("10.88.0.77") + tail +
                             QStringLiteral("10.88.0.100") + tail);
}

void Test_Cli_Modbus::module_refused_data() {
    QTest::addColumn<QString>("module"); // copied beside the tool; none when empty
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QString() << "the file does not exist";
    // A module left from another build may hold other types: it is never called.
    QTest::newRow("of another build")
        << QStringLiteral(OTHER_BUILD_MODULE)
        << "it was built for cf20914 endpoint probe 1, Qt 6.4.2, this program for cf20914 "
           "endpoint probe 2, Qt " QT_VERSION_STR;
}

// A program folder without a module it can use says why, naming the file, and sends nothing.
void Test_Cli_Modbus::module_refused() {
    QFETCH(QString, module);
    QFETCH(QString, reason);
    Program_Folder program;
    const QString copy = program.file(QStringLiteral("cf20914-cli"));
    QVERIFY(QFile::copy(QStringLiteral(CLI_PROGRAM), copy));
    const QString module_file = program.file(QStringLiteral("cf20914_modbus.so"));
    if (!module.isEmpty())
        QVERIFY(QFile::copy(module, module_file));
    QProcess process;
    process.start(copy,
                  {QStringLiteral("check"), QStringLiteral("--ip"), QStringLiteral("127.0.0.1"),
                   QStringLiteral("--port"), QStringLiteral("1")});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 2);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QStringLiteral("cf20914-cli: cannot load the Modbus module %1: %2\n")
                 .arg(module_file, reason));
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
}

void Test_Cli_Modbus::faulty_devices_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("json");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("said");

    QTest::newRow("hostile identification")
        << "hostile" << false << 0 << "vendor Evil\\x1B[2J\\x07\\x00\\x9B31m\\u202EVendor";
    QTest::newRow("hostile identification, JSON")
        << "hostile" << true << 0 << "Evil\\u001b[2J\\u0007\\u0000\\u009b31m\\u202eVendor";
    QTest::newRow("another function code")
        << "wrong-function" << false << 6 << "sends a reply that is not Modbus TCP";
    QTest::newRow("accepts and closes")
        << "close" << false << 6 << "closes the connection without a reply";
}

// What a device sends reaches the terminal as text to read, never as bytes it obeys.
void Test_Cli_Modbus::faulty_devices() {
    QFETCH(QString, mode);
    QFETCH(bool, json);
    QFETCH(int, exit);
    QFETCH(QString, said);
    Faulty_Modbus_Server server(mode);
    QVERIFY2(server.failure().isEmpty(), qPrintable(server.failure()));
    QStringList arguments{QStringLiteral("check"), QStringLiteral("--ip"),
                          QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                          QString::number(server.port())};
    if (json)
        arguments << QStringLiteral("--json");
    QProcess process;
    process.start(QStringLiteral(CLI_PROGRAM), arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), exit);
    const QByteArray out = process.readAllStandardOutput();
    QVERIFY2(QString::fromUtf8(out).contains(said), out.constData());
    for (const char byte : out.chopped(1))
        QVERIFY2(quint8(byte) >= 0x20 && byte != 0x7F, out.toHex().constData());
    for (const char *raw : {"\xC2\x9B", "\xE2\x80\xAE"})
        QVERIFY2(!out.contains(raw), out.toHex().constData());
}

// A device that comes up while it is awaited: a line per look, until it answers.
void Test_Cli_Modbus::check_until_the_device_answers() {
    Modbus_Servers servers({QStringLiteral("127.0.0.1")}, 1500);
    QVERIFY2(servers.failure().isEmpty(), qPrintable(servers.failure()));
    const Cli_Result result =
        Run_Cli({QStringLiteral("check"), QStringLiteral("--ip"), QStringLiteral("127.0.0.1"),
                 QStringLiteral("--port"), QString::number(servers.ports().at(0)),
                 QStringLiteral("--register"), QStringLiteral("4"), QStringLiteral("--until"),
                 QStringLiteral("30")});
    QCOMPARE(result.Exit, 0);
    const QStringList lines = result.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 2, qPrintable(result.Out));
    QVERIFY2(lines.first().contains(QLatin1String("refuses the connection")),
             qPrintable(result.Out));
    QVERIFY2(lines.last().endsWith(QLatin1String("register 4 holds 1004")), qPrintable(result.Out));
}

void Test_Cli_Modbus::update_verify_data() {
    QTest::addColumn<int>("listen_after_ms");
    QTest::addColumn<bool>("second_closed");
    QTest::addColumn<QStringList>("verify");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("second_state");
    // The servers listen only some seconds after the start, like a device that restarts after
    // the updater ended: the check awaits them.
    QTest::newRow("the device comes up after the updater ended")
        << 3000 << false << QStringList{QStringLiteral("--verify"), QStringLiteral("30")} << 0
        << "answers";
    QTest::newRow("endpoint 2 never answers")
        << 0 << true << QStringList{QStringLiteral("--verify"), QStringLiteral("2")} << 6
        << "refused";
    QTest::newRow("no check without --verify") << 0 << true << QStringList() << 0 << "";
    QTest::newRow("seconds without --verify")
        << 0 << false << QStringList{QStringLiteral("5")} << 2 << "";
}

// update --verify: after the updater ended, both endpoints just sent are checked, what they say
// is printed and recorded with the update.
void Test_Cli_Modbus::update_verify() {
    QFETCH(int, listen_after_ms);
    QFETCH(bool, second_closed);
    QFETCH(QStringList, verify);
    QFETCH(QString, second_state);
    Modbus_Servers servers({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1")},
                           listen_after_ms);
    QVERIFY2(servers.failure().isEmpty(), qPrintable(servers.failure()));
    const Held_Port closed(false);
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    Plant_Folder(program.Folder, servers.ports().at(0),
                 second_closed ? closed.port() : servers.ports().at(1));
    const Cli_Result result = program.Run(
        QStringList{QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                    QStringLiteral("127.0.0.1"), QStringLiteral("--option"), QStringLiteral("2")} +
        verify);
    if (!Icmp_Allowed(result))
        QSKIP("this user may not open an ICMP socket");
    QTEST(result.Exit, "exit");
    const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Plant"));
    if (result.Exit == 2) {
        QVERIFY2(result.Err.contains(QLatin1String("SECONDS goes with --verify")),
                 qPrintable(result.Err));
        QVERIFY(records.isEmpty());
        return;
    }
    QCOMPARE(records.size(), 1);
    const QJsonArray check = records.first().value(QLatin1String("device_check")).toArray();
    if (second_state.isEmpty()) {
        QVERIFY(check.isEmpty());
        QVERIFY2(!result.Out.contains(QLatin1String("Modbus TCP Slave")), qPrintable(result.Out));
        return;
    }
    QVERIFY2(result.Out.contains(QStringLiteral("\nModbus TCP Slave: 127.0.0.1:%1 answers: vendor "
                                                "Velmor, product GW20914, revision 1.2, register "
                                                "5 holds 1005\n")
                                     .arg(servers.ports().at(0))),
             qPrintable(result.Out));
    QCOMPARE(check.size(), 2);
    QCOMPARE(check.at(0).toObject().value(QLatin1String("state")).toString(),
             QStringLiteral("answers"));
    QCOMPARE(check.at(1).toObject().value(QLatin1String("name")).toString(),
             QStringLiteral("Modbus TCP Slave 2"));
    QCOMPARE(check.at(1).toObject().value(QLatin1String("state")).toString(), second_state);
}

QTEST_GUILESS_MAIN(Test_Cli_Modbus)
#include "tst_cli_modbus.moc"
