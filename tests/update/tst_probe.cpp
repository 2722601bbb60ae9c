#include "support/PrivateNetwork.h"
#include "support/ScriptedEcho.h"

#include "update/Probe.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

class Test_Probe : public QObject {
    Q_OBJECT

private slots:
    void attempts_data();
    void attempts();
    void clock_wrapping_around();
    void host_of_the_address_data();
    void host_of_the_address();
    void leading_zeros_on_loopback();
};

void Test_Probe::attempts_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<int>("ping_res");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<bool>("error");
    QTest::newRow("two replies end it") << "RR" << true << 1 << 2 << false;
    QTest::newRow("silent for 5 s") << "S" << false << 2 << 13 << false;
    QTest::newRow("a reply, then silence") << "RS" << false << 2 << 14 << false;
    QTest::newRow("silence, then two replies") << "SSRR" << true << 1 << 4 << false;
    QTest::newRow("the last attempt decides") << "RSSSSSSSSSSSR" << true << 1 << 13 << false;
    QTest::newRow("error on the first attempt") << "E" << false << 0 << 0 << true;
    QTest::newRow("error after a silent attempt") << "SE" << false << 2 << 1 << true;
    QTest::newRow("no permission") << "P" << false << 0 << 0 << true;
}

void Test_Probe::attempts() {
    QFETCH(QString, script);
    quint32 now = 0;
    int steps = 0;
    const auto clock = [&now] {
        return now;
    };
    Scripted_Echo echo(script, clock);
    Ping_Probe probe(
        echo,
        [&] {
            now += Ping_Probe::Step_Ms;
            ++steps;
        },
        clock);
    QTEST(probe.Send_Ping(QStringLiteral("10.0.0.7")), "reachable");
    QTEST(probe.ping_res, "ping_res");
    QTEST(probe.Attempts, "attempts");
    QTEST(!probe.Error.isEmpty(), "error");
    QCOMPARE(probe.Permission_Missing, script == QLatin1String("P"));
    // Every request carries the address text; the probe is bounded to about 5 s of attempts.
    for (const QByteArray &data : echo.Sent)
        QCOMPARE(data, QByteArray("10.0.0.7"));
    QVERIFY2(now <=
                 quint32(Ping_Probe::Probe_Ms + Ping_Probe::Attempt_Ms + 2 * Ping_Probe::Step_Ms),
             QByteArray::number(now).constData());
    if (QTest::currentDataTag() == QByteArray("silent for 5 s"))
        QVERIFY(now > quint32(Ping_Probe::Probe_Ms));
}

void Test_Probe::clock_wrapping_around() {
    // The tick count runs over 2^32 during the probe; the elapsed times stay right.
    quint32 now = 0xFFFFFFFFu - 2000;
    const auto clock = [&now] {
        return now;
    };
    Scripted_Echo echo(QStringLiteral("S"), clock);
    Ping_Probe probe(
        echo, [&now] { now += Ping_Probe::Step_Ms; }, clock);
    QVERIFY(!probe.Send_Ping(QStringLiteral("10.0.0.7")));
    QCOMPARE(probe.Attempts, 13);
}

void Test_Probe::host_of_the_address_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("host"); // what the ICMP layer is asked to resolve
    QTest::newRow("plain") << "10.0.0.7"
                           << "10.0.0.7";
    // A resolver reads a leading 0 as octal, or a byte like 08 as part of a host name.
    QTest::newRow("zero-led byte is decimal") << "10.99.0.010"
                                              << "10.99.0.10";
    QTest::newRow("zero-led byte with an 8") << "10.99.0.08"
                                             << "10.99.0.8";
    QTest::newRow("zeros in every byte") << "192.168.000.010"
                                         << "192.168.0.10";
    QTest::newRow("loopback") << "127.0.0.010"
                              << "127.0.0.10";
    QTest::newRow("many zeros") << "0000000000010.0.0.00"
                                << "10.0.0.0";
    QTest::newRow("blanks around the bytes") << " 10 .0. 0 .1 "
                                             << "10.0.0.1";
    // Anything but four decimal bytes is left to the resolver as typed.
    QTest::newRow("byte above 255") << "10.99.0.256"
                                    << "10.99.0.256";
    QTest::newRow("letters") << "ab.cd.ef.gh"
                             << "ab.cd.ef.gh";
    QTest::newRow("hexadecimal byte") << "0x0A.1.2.3"
                                      << "0x0A.1.2.3";
    QTest::newRow("signed byte") << "+10.1.2.3"
                                 << "+10.1.2.3";
    QTest::newRow("empty byte") << "10..2.3"
                                << "10..2.3";
    QTest::newRow("five parts") << "1.2.3.4.5"
                                << "1.2.3.4.5";
    QTest::newRow("host name") << "localhost"
                               << "localhost";
}

void Test_Probe::host_of_the_address() {
    QFETCH(QString, typed);
    quint32 now = 0;
    const auto clock = [&now] {
        return now;
    };
    Scripted_Echo echo(QStringLiteral("RR"), clock);
    Ping_Probe probe(
        echo, [&now] { now += Ping_Probe::Step_Ms; }, clock);
    QVERIFY(probe.Send_Ping(typed));
    QCOMPARE(echo.Hosts.size(), 2);
    for (const QString &host : echo.Hosts)
        QTEST(host, "host");
    // The requests still carry the text as typed.
    for (const QByteArray &data : echo.Sent)
        QCOMPARE(data, typed.toUtf8());
}

void Test_Probe::leading_zeros_on_loopback() {
    // Loopback holds 127.0.0.10 alone, so 127.0.0.010 answers only when probed as decimal;
    // read as octal it would be 127.0.0.8, which no route leads to.
    const Private_Network network = Loopback_Holding_Only(QStringLiteral("127.0.0.10"));
    bool reachable = false;
    QString error;
    const QString failure = network.Run([&] {
        const std::unique_ptr<Icmp_Echo> echo = Make_Icmp_Echo();
        QElapsedTimer clock;
        clock.start();
        Ping_Probe probe(
            *echo, [] { QThread::msleep(Ping_Probe::Step_Ms); },
            [&clock] { return quint32(clock.elapsed()); });
        reachable = probe.Send_Ping(QStringLiteral("127.0.0.010"));
        error = probe.Error;
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    QVERIFY2(reachable, qPrintable(error));
}

QTEST_GUILESS_MAIN(Test_Probe)
#include "tst_probe.moc"
