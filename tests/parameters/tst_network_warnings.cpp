// Values that pass the rules but cannot work on a network: each warning, and the addresses
// other configurations use.

// The expected texts are written as plain literals, as a user reads them.
#undef QT_NO_CAST_FROM_ASCII

#include "support/TestSupport.h"

#include "language/LangStrings.h"
#include "parameters/NetworkWarnings.h"
#include "platform/Paths.h"
#include "shell/AppState.h"

#include <QDir>
#include <QTest>

namespace {

using Changes = QList<std::pair<QString, QString>>;

// Two endpoints on subnets of their own with their gateways switched off: nothing to warn of.
ParGen_Params Sound_Params(const Changes &changes) {
    ParGen_Params params = Default_ParGen();
    const Changes sound{{QStringLiteral("Modbus_TCP_Slave_IP1"), QStringLiteral("10")},
                        {QStringLiteral("Modbus_TCP_Slave_IP2"), QStringLiteral("0")},
                        {QStringLiteral("Modbus_TCP_Slave_IP4"), QStringLiteral("2")},
                        {QStringLiteral("Modbus_TCP_Slave_GAT1"), QStringLiteral("10")},
                        {QStringLiteral("Modbus_TCP_Slave_GAT2"), QStringLiteral("0")},
                        {QStringLiteral("Modbus_TCP_Slave_2_IP1"), QStringLiteral("10")},
                        {QStringLiteral("Modbus_TCP_Slave_2_IP2"), QStringLiteral("0")},
                        {QStringLiteral("Modbus_TCP_Slave_2_IP3"), QStringLiteral("1")},
                        {QStringLiteral("Modbus_TCP_Slave_2_IP4"), QStringLiteral("2")},
                        {QStringLiteral("Modbus_TCP_Slave_2_GAT1"), QStringLiteral("10")},
                        {QStringLiteral("Modbus_TCP_Slave_2_GAT2"), QStringLiteral("0")},
                        {QStringLiteral("Modbus_TCP_Slave_2_GAT3"), QStringLiteral("1")}};
    for (const auto &[key, value] : sound + changes)
        Set_ParGen_Value(params, *Find_ParGen_Key(key), value);
    return params;
}

} // namespace

class Tst_Network_Warnings : public QObject {
    Q_OBJECT

private slots:
    void init() { Fill_Default_Lang(); }
    void warnings_data();
    void warnings();
    void addresses_in_use();
    void factory_defaults();
};

// A configuration as delivered is not warned that its endpoints share a subnet; once someone
// chooses addresses that do, it is.
void Tst_Network_Warnings::factory_defaults() {
    QCOMPARE(Network_Warnings(Default_ParGen(), {}), QStringList());
    ParGen_Params chosen = Default_ParGen();
    chosen.Modbus_TCP_Slave_2_IP4 = QStringLiteral("7");
    QCOMPARE(Network_Warnings(chosen, {}),
             QStringList{"Warning! Both endpoints are on the subnet 192.168.0.0"});
}

void Tst_Network_Warnings::warnings_data() {
    QTest::addColumn<Changes>("changes");
    QTest::addColumn<QList<Used_Addresses>>("others");
    QTest::addColumn<QStringList>("expected");
    const auto key = [](const char *name, const char *value) {
        return std::pair{QString::fromLatin1(name), QString::fromLatin1(value)};
    };
    const QList<Used_Addresses> none;
    QTest::newRow("sound") << Changes{} << none << QStringList();
    QTest::newRow("mask with a hole")
        << Changes{key("Modbus_TCP_Slave_SM2", "0"), key("Modbus_TCP_Slave_SM3", "255")} << none
        << QStringList{
               "Warning! Modbus TCP Slave: the subnet mask 255.0.255.0 is not a run of ones "
               "followed by zeros"};
    QTest::newRow("network address")
        << Changes{key("Modbus_TCP_Slave_IP4", "0")} << none
        << QStringList{
               "Warning! Modbus TCP Slave: the address 10.0.0.0 is the network address of its "
               "subnet"};
    QTest::newRow("broadcast address of endpoint 2")
        << Changes{key("Modbus_TCP_Slave_2_IP4", "255")} << none
        << QStringList{
               "Warning! Modbus TCP Slave 2: the address 10.0.1.255 is the broadcast address of "
               "its subnet"};
    // Two hosts on a point-to-point subnet have no network or broadcast address to avoid.
    QTest::newRow("mask of 31 bits")
        << Changes{key("Modbus_TCP_Slave_SM4", "254"), key("Modbus_TCP_Slave_IP4", "0")} << none
        << QStringList();
    QTest::newRow("gateway outside, switched on")
        << Changes{key("Modbus_TCP_Slave_GAT3", "9"), key("Modbus_TCP_Slave_EN_GAT", "1")} << none
        << QStringList{
               "Warning! Modbus TCP Slave: the gateway 10.0.9.1 lies outside the subnet of its "
               "address"};
    QTest::newRow("gateway is the endpoint's own address")
        << Changes{key("Modbus_TCP_Slave_GAT4", "2"), key("Modbus_TCP_Slave_EN_GAT", "1")} << none
        << QStringList{
               "Warning! Modbus TCP Slave: the gateway 10.0.0.2 is the endpoint's own address"};
    QTest::newRow("gateway is the network address")
        << Changes{key("Modbus_TCP_Slave_GAT4", "0"), key("Modbus_TCP_Slave_EN_GAT", "1")} << none
        << QStringList{
               "Warning! Modbus TCP Slave: the gateway 10.0.0.0 is the network or broadcast "
               "address of its subnet"};
    QTest::newRow("gateway is the broadcast address of endpoint 2")
        << Changes{key("Modbus_TCP_Slave_2_GAT4", "255"), key("Modbus_TCP_Slave_2_EN_GAT", "1")}
        << none
        << QStringList{
               "Warning! Modbus TCP Slave 2: the gateway 10.0.1.255 is the network or broadcast "
               "address of its subnet"};
    QTest::newRow("loopback address")
        << Changes{key("Modbus_TCP_Slave_IP1", "127")} << none
        << QStringList{
               "Warning! Modbus TCP Slave: the address 127.0.0.2 is a loopback or multicast "
               "address, which no device on a network answers at"};
    QTest::newRow("multicast address")
        << Changes{key("Modbus_TCP_Slave_2_IP1", "239")} << none
        << QStringList{
               "Warning! Modbus TCP Slave 2: the address 239.0.1.2 is a loopback or multicast "
               "address, which no device on a network answers at"};
    QTest::newRow("mask of 0.0.0.0")
        << Changes{key("Modbus_TCP_Slave_SM1", "0"), key("Modbus_TCP_Slave_SM2", "0"),
                   key("Modbus_TCP_Slave_SM3", "0"), key("Modbus_TCP_Slave_SM4", "0")}
        << none
        << QStringList{
               "Warning! Modbus TCP Slave: the subnet mask 0.0.0.0 puts every address in its "
               "subnet",
               "Warning! Both endpoints are on the subnet 0.0.0.0"};
    QTest::newRow("gateway outside, switched off")
        << Changes{key("Modbus_TCP_Slave_GAT3", "9")} << none << QStringList();
    QTest::newRow("gateway inside, switched on")
        << Changes{key("Modbus_TCP_Slave_2_EN_GAT", "1")} << none << QStringList();
    QTest::newRow("both on one address")
        << Changes{key("Modbus_TCP_Slave_2_IP3", "0")} << none
        << QStringList{"Warning! Both endpoints have the address 10.0.0.2"};
    QTest::newRow("both on one subnet")
        << Changes{key("Modbus_TCP_Slave_2_IP3", "0"), key("Modbus_TCP_Slave_2_IP4", "3")} << none
        << QStringList{"Warning! Both endpoints are on the subnet 10.0.0.0"};
    QTest::newRow("a wider subnet holds the other")
        << Changes{key("Modbus_TCP_Slave_2_SM3", "0")} << none
        << QStringList{"Warning! Both endpoints are on the subnet 10.0.0.0"};
    QTest::newRow("address of another configuration")
        << Changes{}
        << QList<Used_Addresses>{{QStringLiteral("Hall"),
                                  {QStringLiteral("10.9.9.9"), QStringLiteral("10.0.0.2")}}}
        << QStringList{"Warning! Modbus TCP Slave: the address 10.0.0.2 is also used by the "
                       "configuration Hall"};
    QTest::newRow("two at once")
        << Changes{key("Modbus_TCP_Slave_IP4", "255"), key("Modbus_TCP_Slave_2_SM4", "7")} << none
        << QStringList{
               "Warning! Modbus TCP Slave: the address 10.0.0.255 is the broadcast address of "
               "its subnet",
               "Warning! Modbus TCP Slave 2: the subnet mask 255.255.255.7 is not a run of ones "
               "followed by zeros"};
}

void Tst_Network_Warnings::warnings() {
    QFETCH(Changes, changes);
    QFETCH(QList<Used_Addresses>, others);
    QFETCH(QStringList, expected);
    QCOMPARE(Network_Warnings(Sound_Params(changes), others), expected);
}

void Tst_Network_Warnings::addresses_in_use() {
    const Program_Folder folder;
    const QString projects = folder.file(QStringLiteral("PROJECTS"));
    for (const char *name : {"Hall", "Never saved", "Broken", "Failing", "Own"})
        QVERIFY(QDir(projects).mkpath(QString::fromLatin1(name)));
    Save_ParGen(Sound_Params({}), Join_Path(projects, QStringLiteral("Hall/ParGen.xml")));
    Save_ParGen(Sound_Params({}), Join_Path(projects, QStringLiteral("Own/ParGen.xml")));
    Write_Test_File(Join_Path(projects, QStringLiteral("Broken/ParGen.xml")), "<Par_Gen><");
    Save_ParGen(Sound_Params({{QStringLiteral("Modbus_TCP_Slave_Port"), QStringLiteral("10000")}}),
                Join_Path(projects, QStringLiteral("Failing/ParGen.xml")));

    const QList<Used_Addresses> used = Addresses_In_Use(projects, QStringLiteral("OWN"));
    QCOMPARE(used.size(), 1);
    QCOMPARE(used.front().Configuration, QStringLiteral("Hall"));
    QCOMPARE(used.front().Address[0], QStringLiteral("10.0.0.2"));
    QCOMPARE(used.front().Address[1], QStringLiteral("10.0.1.2"));
}

QTEST_GUILESS_MAIN(Tst_Network_Warnings)
#include "tst_network_warnings.moc"
