#include "support/ScriptedEcho.h"

#include "update/Probe.h"

#include <QTest>

class Test_Probe : public QObject {
    Q_OBJECT

private slots:
    void attempts_data();
    void attempts();
    void clock_wrapping_around();
    void probe_host_data();
    void probe_host();
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

void Test_Probe::probe_host_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("host"); // empty: refused

    QTest::newRow("plain") << "192.168.0.10"
                           << "192.168.0.10";
    // A leading zero must not turn a byte into an octal number.
    QTest::newRow("leading zeros") << "192.168.000.010"
                                   << "192.168.0.10";
    QTest::newRow("blanks around the parts") << " 10 . 0 . 0 . 1 "
                                             << "10.0.0.1";
    QTest::newRow("three parts") << "10.0.1"
                                 << "";
    QTest::newRow("five parts") << "10.0.0.1.5"
                                << "";
    QTest::newRow("byte above 255") << "10.0.0.256"
                                    << "";
    QTest::newRow("hexadecimal byte") << "$0A.0.0.1"
                                      << "";
    QTest::newRow("signed byte") << "+10.0.0.1"
                                 << "";
    QTest::newRow("host name") << "localhost"
                               << "";
    QTest::newRow("empty part") << "10..0.1"
                                << "";
}

void Test_Probe::probe_host() {
    QFETCH(QString, address);
    QFETCH(QString, host);
    QCOMPARE(Probe_Host(address).value_or(QString()), host);
}

QTEST_GUILESS_MAIN(Test_Probe)
#include "tst_probe.moc"
