// The Modbus TCP check against pymodbus servers: on loopback ports the system picks, and inside
// private network namespaces for silent and unreachable addresses and for range searches.

#include "support/ModbusServer.h"
#include "support/PrivateNetwork.h"

#include "language/LangStrings.h"
#include "parameters/ParGen.h"
#include "shell/Conversions.h"
#include "update/ModbusCheck.h"
#include "update/ModbusFrame.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

namespace {

Modbus_Endpoint Loopback(quint16 port, quint16 register_number = 0) {
    return Modbus_Endpoint{QStringLiteral("127.0.0.1"), port, 1, register_number};
}

bool Identified_As_Test_Device(const Endpoint_Result &result) {
    return result.Identification && result.Identification->Vendor == Test_Vendor &&
           result.Identification->Product == Test_Product &&
           result.Identification->Revision == Test_Revision;
}

// The range of the namespace cases, silent but for the hosts that loopback holds there.
const QString Silent_Range = QStringLiteral("10.88.0.0/24");

enum class Second_Endpoint { Server, Closed_Port, Mute_Listener };

// A probe of the tests: answers after answer_ms (at once, inside Start, when 0), or never.
class Scripted_Probe final : public Endpoint_Probe {
public:
    explicit Scripted_Probe(int answer_ms) : Answer_Ms(answer_ms) {}
    void Start(const Modbus_Endpoint &endpoint, int, Done_Function done) override {
        Endpoint_Result result;
        result.Endpoint = endpoint;
        result.State = Endpoint_State::Answers;
        if (Answer_Ms == 0)
            done(result);
        else if (Answer_Ms > 0)
            QTimer::singleShot(Answer_Ms, &Context, [result, done] { done(result); });
    }

private:
    int Answer_Ms;
    QObject Context; // its timers go with the probe
};

} // namespace

Q_DECLARE_METATYPE(Second_Endpoint)
Q_DECLARE_METATYPE(Endpoint_State)

class Test_Modbus_Check : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Set_Modbus_Module_File(QStringLiteral(MODBUS_MODULE));
        Fill_Default_Lang();
    }
    void both_endpoints_data();
    void both_endpoints();
    void silent_and_unreachable_in_namespace();
    void retries_data();
    void retries();
    void scan_in_namespace();
    void parse_range_data();
    void parse_range();
    void configuration_endpoints();
    void faulty_servers_data();
    void faulty_servers();
    void identification_replies_data();
    void identification_replies();
    void endpoint_pairs_in_namespace();
    void probes_that_never_end();
    void device_addresses_data();
    void device_addresses();
};

void Test_Modbus_Check::both_endpoints_data() {
    QTest::addColumn<Second_Endpoint>("second");
    QTest::addColumn<int>("register_number");
    QTest::addColumn<Endpoint_State>("second_state");
    QTest::addColumn<QString>("second_summary");

    QTest::newRow("both answer") << Second_Endpoint::Server << 7 << Endpoint_State::Answers
                                 << "127.0.0.1:%1 answers: vendor Velmor, product GW20914, "
                                    "revision 1.2, register 7 holds 1007";
    QTest::newRow("an exception reply is an answer")
        << Second_Endpoint::Server << Test_Registers << Endpoint_State::Answers
        << "127.0.0.1:%1 answers: vendor Velmor, product GW20914, revision 1.2, register 100: "
           "exception 2 (illegal data address)";
    QTest::newRow("closed port") << Second_Endpoint::Closed_Port << 7 << Endpoint_State::Refused
                                 << "127.0.0.1:%1 refuses the connection: nothing listens on "
                                    "that port";
    QTest::newRow("accepts and never replies")
        << Second_Endpoint::Mute_Listener << 7 << Endpoint_State::Silent
        << "127.0.0.1:%1 accepts the connection but sends no Modbus reply within";
}

// Endpoint 1 is always a server; endpoint 2 varies. Both are checked at once, so a silent one
// costs one time limit, not two.
void Test_Modbus_Check::both_endpoints() {
    QFETCH(Second_Endpoint, second);
    QFETCH(int, register_number);
    QFETCH(Endpoint_State, second_state);
    QFETCH(QString, second_summary);

    const QStringList addresses =
        second == Second_Endpoint::Server
            ? QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1")}
            : QStringList{QStringLiteral("127.0.0.1")};
    Modbus_Servers servers(addresses);
    QVERIFY2(servers.failure().isEmpty(), qPrintable(servers.failure()));
    Held_Port held(second == Second_Endpoint::Mute_Listener);
    const quint16 second_port =
        second == Second_Endpoint::Server ? servers.ports().at(1) : held.port();

    Check_Options options;
    options.Timeout_Ms = 1500;
    const QList<Endpoint_Result> results =
        Check_Endpoints({Loopback(servers.ports().at(0), quint16(register_number)),
                         Loopback(second_port, quint16(register_number))},
                        options);
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).State, Endpoint_State::Answers);
    QVERIFY(Identified_As_Test_Device(results.at(0)));
    QCOMPARE(results.at(1).State, second_state);
    QVERIFY2(Endpoint_Summary(results.at(1)).startsWith(second_summary.arg(second_port)),
             qPrintable(Endpoint_Summary(results.at(1))));
    QCOMPARE(All_Answer(results), second_state == Endpoint_State::Answers);
    for (const Endpoint_Result &result : results)
        QVERIFY2(result.Elapsed_Ms < 3000, qPrintable(QString::number(result.Elapsed_Ms)));

    const QJsonObject json = Endpoint_Json(results.at(0));
    QCOMPARE(json.value(QStringLiteral("state")).toString(), QStringLiteral("answers"));
    QCOMPARE(json.value(QStringLiteral("identification")).toObject().value(QLatin1String("vendor")),
             Test_Vendor);
    QCOMPARE(json.contains(QStringLiteral("register_exception")),
             register_number >= Test_Registers);
}

// A connection into the silent range goes nowhere, and an address without a route fails at
// once; neither can be had outside a namespace.
void Test_Modbus_Check::silent_and_unreachable_in_namespace() {
    QList<Endpoint_Result> results;
    const QString failure = Range_On_Loopback(Silent_Range, true).Run([&results] {
        Check_Options options;
        options.Timeout_Ms = 400;
        results = Check_Endpoints({Modbus_Endpoint{QStringLiteral("10.88.0.7"), 502, 1, 0},
                                   Modbus_Endpoint{QStringLiteral("10.99.0.1"), 502, 1, 0}},
                                  options);
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).State, Endpoint_State::Silent);
    QVERIFY(!results.at(0).Connected);
    QVERIFY(results.at(0).Elapsed_Ms >= 400);
    QCOMPARE(Endpoint_Summary(results.at(0)),
             QStringLiteral("10.88.0.7:502 is silent: no answer within %1")
                 .arg(Seconds_Text(results.at(0).Elapsed_Ms)));
    QCOMPARE(results.at(1).State, Endpoint_State::No_Route);
    QVERIFY2(Endpoint_Summary(results.at(1))
                 .startsWith(QLatin1String("10.99.0.1:502 cannot be "
                                           "reached (")),
             qPrintable(Endpoint_Summary(results.at(1))));
}

void Test_Modbus_Check::retries_data() {
    QTest::addColumn<int>("listen_after_ms"); // -1: never
    QTest::addColumn<int>("retry_for_ms");
    QTest::addColumn<Endpoint_State>("state");

    QTest::newRow("device comes up after 2.5 s") << 2500 << 30000 << Endpoint_State::Answers;
    QTest::newRow("device never comes up") << -1 << 1500 << Endpoint_State::Refused;
}

// After an update the device restarts: its port refuses until it is up again.
void Test_Modbus_Check::retries() {
    QFETCH(int, listen_after_ms);
    QFETCH(int, retry_for_ms);
    QFETCH(Endpoint_State, state);

    Modbus_Servers servers({QStringLiteral("127.0.0.1")},
                           listen_after_ms < 0 ? 3600000 : listen_after_ms);
    QVERIFY2(servers.failure().isEmpty(), qPrintable(servers.failure()));
    Check_Options options;
    options.Timeout_Ms = 1000;
    options.Retry_For_Ms = retry_for_ms;
    options.Pause_Ms = 250;
    Device_Check check;
    int looks = 0;
    connect(&check, &Device_Check::Look_Finished, this,
            [&looks](int index, const Endpoint_Result &) { looks += index == 0 ? 1 : 0; });
    QElapsedTimer clock;
    clock.start();
    check.Start({Loopback(servers.ports().at(0), 3)}, options);
    QTRY_VERIFY_WITH_TIMEOUT(!check.Running(), retry_for_ms + 10000);
    const Endpoint_Result result = check.Results().at(0);
    QCOMPARE(result.State, state);
    QCOMPARE(result.Attempts, looks);
    QVERIFY2(result.Attempts > 1, qPrintable(QString::number(result.Attempts)));
    if (state == Endpoint_State::Answers) {
        QCOMPARE(result.Register_Value, std::optional<quint16>(1003));
    } else {
        // Looks stop once the time for retries is spent.
        QVERIFY(result.Elapsed_Ms >= retry_for_ms - options.Pause_Ms);
        QVERIFY2(clock.elapsed() < retry_for_ms + options.Timeout_Ms + 2000,
                 qPrintable(QString::number(clock.elapsed())));
    }
}

// Three servers among hosts that refuse (the namespace's own addresses) and a range that is
// otherwise silent; the answers come sorted by address, not by text or by arrival.
void Test_Modbus_Check::scan_in_namespace() {
    const QStringList servers_at = {QStringLiteral("10.88.0.200"), QStringLiteral("10.88.0.9"),
                                    QStringLiteral("10.88.0.35")};
    QList<Endpoint_Result> found;
    QString server_failure;
    const QString failure =
        Range_On_Loopback(
            Silent_Range, true,
            servers_at + QStringList{QStringLiteral("10.88.0.20"), QStringLiteral("10.88.0.21")})
            .Run([&] {
                Modbus_Servers servers(On_Port(servers_at, 502));
                server_failure = servers.failure();
                if (server_failure.isEmpty())
                    found = Scan_Range_Now(Parse_Scan_Range(Silent_Range), 502, 1000);
            });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    QVERIFY2(server_failure.isEmpty(), qPrintable(server_failure));
    QStringList answering;
    for (const Endpoint_Result &result : found) {
        answering << result.Endpoint.Address;
        QVERIFY(Identified_As_Test_Device(result));
    }
    QCOMPARE(answering, (QStringList{QStringLiteral("10.88.0.9"), QStringLiteral("10.88.0.35"),
                                     QStringLiteral("10.88.0.200")}));
}

void Test_Modbus_Check::parse_range_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("error");

    const QString form =
        QStringLiteral("Give an IPv4 range as address/prefix length, for example 192.168.0.0/24");
    QTest::newRow("/24 without network and broadcast") << "192.168.0.0/24"
                                                       << "192.168.0.1" << 254 << QString();
    QTest::newRow("host bits dropped") << " 10.1.2.77/24 "
                                       << "10.1.2.1" << 254 << QString();
    QTest::newRow("/22 at the limit") << "10.0.4.9/22"
                                      << "10.0.4.1" << 1022 << QString();
    QTest::newRow("/31 both") << "10.0.0.5/31"
                              << "10.0.0.4" << 2 << QString();
    QTest::newRow("one address") << "10.0.0.5"
                                 << "10.0.0.5" << 1 << QString();
    QTest::newRow("/21 too large")
        << "10.0.0.0/21" << QString() << 0
        << QStringLiteral("The range holds 2046 hosts; at most 1024 can be searched");
    QTest::newRow("/0 too large")
        << "0.0.0.0/0" << QString() << 0
        << QStringLiteral("The range holds 4294967294 hosts; at most 1024 can be searched");
    QTest::newRow("three parts") << "10.0.0/24" << QString() << 0 << form;
    QTest::newRow("prefix over 32") << "10.0.0.0/33" << QString() << 0 << form;
    QTest::newRow("signed prefix") << "10.0.0.0/+24" << QString() << 0 << form;
    QTest::newRow("no prefix after the slash") << "10.0.0.0/" << QString() << 0 << form;
    QTest::newRow("host name") << "device.local/24" << QString() << 0 << form;
    QTest::newRow("multicast") << "224.0.0.0/24" << QString() << 0
                               << "224.0.0.0 is not the address of a device: addresses from "
                                  "224.0.0.0 on are multicast or reserved and name no single "
                                  "device";
    QTest::newRow("this network") << "0.0.0.0/30" << QString() << 0
                                  << "0.0.0.0 is not the address of a device: the addresses "
                                     "0.0.0.0 to 0.255.255.255 stand for this computer or its "
                                     "network";
}

void Test_Modbus_Check::parse_range() {
    QFETCH(QString, text);
    QFETCH(int, count);
    const Scan_Range range = Parse_Scan_Range(text);
    QTEST(range.Error, "error");
    QCOMPARE(range.Count, count);
    if (count > 0) {
        QFETCH(QString, first);
        QCOMPARE(range.First, Parse_Scan_Range(first).First);
    }
}

void Test_Modbus_Check::configuration_endpoints() {
    ParGen_Params params = Default_ParGen();
    params.Modbus_TCP_Slave_IP4 = QStringLiteral("015");
    params.Modbus_TCP_Slave_2_Port = QStringLiteral("1502");
    params.OPTIONS_OFFSET_REGISTERS = QStringLiteral("40");
    const QList<Modbus_Endpoint> endpoints = Configuration_Endpoints(params, 3);
    QCOMPARE(endpoints.size(), 2);
    // Leading zeros are decimal, as the device reads them.
    QCOMPARE(Endpoint_Text(endpoints.at(0)), QStringLiteral("192.168.0.15:502"));
    QCOMPARE(Endpoint_Text(endpoints.at(1)), QStringLiteral("192.168.0.6:1502"));
    for (const Modbus_Endpoint &endpoint : endpoints) {
        QCOMPARE(endpoint.Unit, 3);
        QCOMPARE(endpoint.Register, quint16(40));
    }
    QCOMPARE(Range_Around(QStringLiteral("192.168.2.205")), QStringLiteral("192.168.2.0/24"));
    QCOMPARE(Range_Around(QStringLiteral("192.168.2")), QString());
}

void Test_Modbus_Check::faulty_servers_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("delay_ms");
    QTest::addColumn<int>("timeout_ms");
    QTest::addColumn<Endpoint_State>("state");
    QTest::addColumn<QString>("summary"); // after "127.0.0.1:PORT "

    const QString identified = QStringLiteral("answers: vendor Velmor, product GW20914, revision "
                                              "1.2, register 7 holds 1007");
    const QString not_modbus =
        QStringLiteral("sends a reply that is not Modbus TCP for this request (%1)");
    // The servers serve one request at a time, as many small gateways do.
    QTest::newRow("one request at a time")
        << "good" << 0 << 2000 << Endpoint_State::Answers << identified;
    QTest::newRow("every reply twice")
        << "twice" << 0 << 2000 << Endpoint_State::Answers << identified;
    QTest::newRow("exceptions named")
        << "exception" << 0 << 2000 << Endpoint_State::Answers
        << "answers: identification: exception 1 (illegal function), register 7: exception 2 "
           "(illegal data address)";
    QTest::newRow("a gateway exception is the gateway's answer")
        << "gateway" << 0 << 2000 << Endpoint_State::Answers
        << "answers: identification: exception 11 (gateway target did not respond), register 7: "
           "exception 11 (gateway target did not respond)";
    QTest::newRow("another function code")
        << "wrong-function" << 0 << 2000 << Endpoint_State::Invalid
        << not_modbus.arg(QStringLiteral("function code 4 where 3 was asked"));
    QTest::newRow("another transaction")
        << "wrong-transaction" << 0 << 2000 << Endpoint_State::Invalid
        << not_modbus.arg(QStringLiteral("transaction 1001 where 1 was asked"));
    QTest::newRow("another unit") << "wrong-unit" << 0 << 2000 << Endpoint_State::Invalid
                                  << not_modbus.arg(QStringLiteral("unit 2 where 1 was asked"));
    QTest::newRow("another protocol")
        << "wrong-protocol" << 0 << 2000 << Endpoint_State::Invalid
        << not_modbus.arg(QStringLiteral("protocol identifier 1, not 0"));
    QTest::newRow("a length past any frame")
        << "huge-length" << 0 << 2000 << Endpoint_State::Invalid
        << not_modbus.arg(QStringLiteral("length 65535, outside 2 to 254"));
    QTest::newRow("accepts and closes") << "close" << 0 << 2000 << Endpoint_State::Closed
                                        << "closes the connection without a reply";
    // The register reply comes at 95 % of the limit; the identification would come after it.
    QTest::newRow("slow but within the limit")
        << "slow" << 1900 << 2000 << Endpoint_State::Answers
        << "answers: identification: no reply, register 7 holds 1007";
    QTest::newRow("identification ignored")
        << "no-identification" << 0 << 4000 << Endpoint_State::Answers
        << "answers: identification: no reply, register 7 holds 1007";
    QTest::newRow("hostile identification")
        << "hostile" << 0 << 2000 << Endpoint_State::Answers
        << "answers: vendor Evil\\x1B[2J\\x07\\x00\\x9B31m\\u202EVendor, product GW20914, "
           "revision 1.2, register 7 holds 1007";
}

// Scripted servers that do what real devices and other programs on a network do; every one gets
// its own words, and none is mistaken for a device that answers.
void Test_Modbus_Check::faulty_servers() {
    QFETCH(QString, mode);
    QFETCH(int, delay_ms);
    QFETCH(int, timeout_ms);
    QFETCH(Endpoint_State, state);
    QFETCH(QString, summary);

    Faulty_Modbus_Server server(mode, delay_ms);
    QVERIFY2(server.failure().isEmpty(), qPrintable(server.failure()));
    Check_Options options;
    options.Timeout_Ms = timeout_ms;
    QElapsedTimer clock;
    clock.start();
    const QList<Endpoint_Result> results = Check_Endpoints({Loopback(server.port(), 7)}, options);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(results.size(), 1);
    const QString said = Endpoint_Summary(results.at(0));
    QCOMPARE(said, QStringLiteral("127.0.0.1:%1 ").arg(server.port()) + summary);
    QCOMPARE(results.at(0).State, state);
    QVERIFY(!Holds_Control(said));
    // A device that ignores identification is concluded soon after its register reply.
    if (mode == QLatin1String("no-identification"))
        QVERIFY2(elapsed < timeout_ms / 2, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < timeout_ms + 1000, qPrintable(QString::number(elapsed)));
}

void Test_Modbus_Check::identification_replies_data() {
    QTest::addColumn<QByteArray>("pdu");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("problem");

    const QByteArray head("\x2B\x0E\x01\x01\x00\x00", 6);
    QTest::newRow("vendor alone") << head + QByteArray("\x01\x00\x03"
                                                       "ABC",
                                                       6)
                                  << "ABC"
                                  << "";
    QTest::newRow("UTF-8 and Latin-1")
        << head + QByteArray("\x02\x00\x02\xC3\xA9\x01\x01\xE9", 8) << "\u00e9"
        << "";
    QTest::newRow("an object past the end") << head + QByteArray("\x02\x00\x03"
                                                                 "ABC\x01\x09"
                                                                 "AB",
                                                                 10)
                                            << ""
                                            << "an identification reply cut short in object 2 of 2";
    QTest::newRow("bytes after the objects") << head + QByteArray("\x01\x00\x01"
                                                                  "Axyz",
                                                                  7)
                                             << ""
                                             << "3 bytes after the identification objects";
    QTest::newRow("no header") << QByteArray("\x2B\x0E", 2) << ""
                               << "an identification reply without its header";
}

void Test_Modbus_Check::identification_replies() {
    QFETCH(QByteArray, pdu);
    QFETCH(QString, problem);
    const Identification_Reply reply = Read_Identification_Reply(pdu);
    QCOMPARE(reply.Problem, problem);
    if (problem.isEmpty())
        QTEST(reply.Identification.Vendor, "vendor");
}

// Every pair of what an endpoint may do, in both orders: each check ends within its limit, and
// each endpoint gets its own result whatever the other does.
void Test_Modbus_Check::endpoint_pairs_in_namespace() {
    const QString live = QStringLiteral("10.88.0.9");
    const QList<std::pair<QString, Endpoint_State>> kinds = {
        {live, Endpoint_State::Answers},
        {QStringLiteral("10.88.0.20"), Endpoint_State::Refused},
        {QStringLiteral("10.88.0.7"), Endpoint_State::Silent},
        {QStringLiteral("10.99.0.1"), Endpoint_State::No_Route},
        {QStringLiteral("10.77.0.1"), Endpoint_State::No_Route}};
    constexpr int Limit_Ms = 600;
    Private_Network network = Range_On_Loopback(Silent_Range, true, {live, kinds.at(1).first});
    network.Ip_Commands << QStringLiteral("route add prohibit 10.77.0.0/16");
    QStringList wrong;
    QString server_failure;
    const QString failure = network.Run([&] {
        Modbus_Servers servers(On_Port({live}, 502));
        server_failure = servers.failure();
        if (!server_failure.isEmpty())
            return;
        Check_Options options;
        options.Timeout_Ms = Limit_Ms;
        for (const auto &[first, first_state] : kinds)
            for (const auto &[second, second_state] : kinds) {
                QElapsedTimer clock;
                clock.start();
                const QList<Endpoint_Result> results = Check_Endpoints(
                    {Modbus_Endpoint{first, 502, 1, 0}, Modbus_Endpoint{second, 502, 1, 0}},
                    options);
                const qint64 elapsed = clock.elapsed();
                if (results.size() != 2 || results.at(0).State != first_state ||
                    results.at(1).State != second_state || elapsed > Limit_Ms + 1000)
                    wrong << QStringLiteral("%1 + %2: %3 ms, %4")
                                 .arg(first, second)
                                 .arg(elapsed)
                                 .arg(Check_Result_Lines(results, {}).join(QStringLiteral("; ")));
            }
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    QVERIFY2(server_failure.isEmpty(), qPrintable(server_failure));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

// The check keeps its own limit, whatever its probes do: one that answers inside Start does not
// keep the other endpoint from being looked at, and one that never ends is given up.
void Test_Modbus_Check::probes_that_never_end() {
    int made = 0;
    Set_Endpoint_Probe_Factory(
        [&made] { return std::make_unique<Scripted_Probe>(made++ == 0 ? 0 : -1); });
    const auto restore = qScopeGuard([] { Set_Endpoint_Probe_Factory({}); });
    Check_Options options;
    options.Timeout_Ms = 100;
    QElapsedTimer clock;
    clock.start();
    const QList<Endpoint_Result> results = Check_Endpoints({Loopback(1), Loopback(2)}, options);
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).State, Endpoint_State::Answers);
    QCOMPARE(results.at(1).State, Endpoint_State::Silent);
    QCOMPARE(results.at(1).Attempts, 1);
    QVERIFY(clock.elapsed() >= options.Timeout_Ms);
    QVERIFY2(clock.elapsed() < options.Timeout_Ms + Overall_Margin_Ms + 1000,
             qPrintable(QString::number(clock.elapsed())));

    // With retries, a probe that answers late is looked at until it does.
    made = 1;
    Set_Endpoint_Probe_Factory([] { return std::make_unique<Scripted_Probe>(30); });
    options.Retry_For_Ms = 1000;
    QCOMPARE(Check_Endpoints({Loopback(1)}, options).at(0).State, Endpoint_State::Answers);
}

void Test_Modbus_Check::device_addresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("problem"); // the text's index, 0 for none

    QTest::newRow("this computer") << "0.0.0.0" << 794;
    QTest::newRow("this network") << "0.1.2.3" << 794;
    QTest::newRow("broadcast") << "255.255.255.255" << 795;
    QTest::newRow("multicast") << "224.0.0.1" << 796;
    QTest::newRow("reserved") << "240.0.0.1" << 796;
    QTest::newRow("loopback stays") << "127.0.0.1" << 0;
    QTest::newRow("private") << "192.168.2.205" << 0;
    QTest::newRow("last below multicast") << "223.255.255.254" << 0;
}

// An address that names no single device is refused before any traffic, and its check says so.
void Test_Modbus_Check::device_addresses() {
    QFETCH(QString, address);
    QFETCH(int, problem);
    QCOMPARE(Device_Address_Problem(address).value_or(0), problem);
    if (problem == 0)
        return;
    Set_Endpoint_Probe_Factory([] { return std::make_unique<Scripted_Probe>(0); });
    const auto restore = qScopeGuard([] { Set_Endpoint_Probe_Factory({}); });
    const QList<Endpoint_Result> results =
        Check_Endpoints({Modbus_Endpoint{address, 502, 1, 0}}, Check_Options{});
    QCOMPARE(results.at(0).State, Endpoint_State::No_Route);
    QCOMPARE(
        Endpoint_Summary(results.at(0)),
        QStringLiteral("%1:502 cannot be reached (%2)").arg(address, Lang_Strings.at(problem)));
}

QTEST_GUILESS_MAIN(Test_Modbus_Check)
#include "tst_modbus_check.moc"
