#pragma once

// Modbus TCP servers of pymodbus, a Modbus implementation written elsewhere, run by Debian's own
// Python (another python3 earlier on the PATH may not see Debian's modules). The including
// test names the script in MODBUS_SERVER_SCRIPT.

#include "LoopbackServer.h"

#include "parameters/ParGen.h"

#include <QDeadlineTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

inline const QString Test_Vendor = QStringLiteral("Velmor");
inline const QString Test_Product = QStringLiteral("GW20914");
inline const QString Test_Revision = QStringLiteral("1.2");

// Holding registers 0..Registers-1 hold 1000 + their address; a read beyond gets exception 2.
inline constexpr int Test_Registers = 100;

// The default parameters with both endpoints on 127.0.0.1 at the given ports.
inline ParGen_Params Loopback_Par_Gen(quint16 port_1, quint16 port_2, int register_offset = 0) {
    ParGen_Params params = Default_ParGen();
    for (QString ParGen_Params::*part :
         {&ParGen_Params::Modbus_TCP_Slave_IP1, &ParGen_Params::Modbus_TCP_Slave_2_IP1})
        params.*part = QStringLiteral("127");
    for (QString ParGen_Params::*part :
         {&ParGen_Params::Modbus_TCP_Slave_IP2, &ParGen_Params::Modbus_TCP_Slave_IP3,
          &ParGen_Params::Modbus_TCP_Slave_2_IP2, &ParGen_Params::Modbus_TCP_Slave_2_IP3})
        params.*part = QStringLiteral("0");
    params.Modbus_TCP_Slave_IP4 = QStringLiteral("1");
    params.Modbus_TCP_Slave_2_IP4 = QStringLiteral("1");
    params.Modbus_TCP_Slave_Port = QString::number(port_1);
    params.Modbus_TCP_Slave_2_Port = QString::number(port_2);
    params.OPTIONS_OFFSET_REGISTERS = QString::number(register_offset);
    return params;
}

// "host:port" for each host.
inline QStringList On_Port(const QStringList &hosts, quint16 port) {
    QStringList addresses;
    for (const QString &host : hosts)
        addresses << host + QLatin1Char(':') + QString::number(port);
    return addresses;
}

class Modbus_Servers {
public:
    // A server on each address ("127.0.0.1", or "ADDRESS:PORT"), listening when the constructor
    // returns; or, given listen_after_ms, listening that long after the start and refusing
    // connections until then.
    explicit Modbus_Servers(const QStringList &addresses, int listen_after_ms = 0) {
        Process.setProcessChannelMode(QProcess::SeparateChannels);
        Process.start(QStringLiteral("/usr/bin/python3"),
                      QStringList{QStringLiteral(MODBUS_SERVER_SCRIPT), QStringLiteral("--vendor"),
                                  Test_Vendor, QStringLiteral("--product"), Test_Product,
                                  QStringLiteral("--revision"), Test_Revision,
                                  QStringLiteral("--registers"), QString::number(Test_Registers),
                                  QStringLiteral("--listen-after"),
                                  QString::number(listen_after_ms)} +
                          addresses);
        const QString line = Next_Line();
        // Without a delay the servers are awaited; with one, the case wants their ports at once.
        if (!line.startsWith(QLatin1String("ports ")) ||
            (listen_after_ms == 0 && Next_Line() != QLatin1String("listening"))) {
            Process.waitForFinished(1000);
            Failure = QStringLiteral("the pymodbus server did not start: ") +
                      QString::fromUtf8(Process.readAllStandardError());
            return;
        }
        for (const QString &port : line.mid(6).split(QLatin1Char(' ')))
            Port_List << quint16(port.toUInt());
    }
    ~Modbus_Servers() {
        Process.kill();
        Process.waitForFinished();
    }
    Modbus_Servers(const Modbus_Servers &) = delete;
    Modbus_Servers &operator=(const Modbus_Servers &) = delete;

    // Why the servers did not start; empty when they did.
    const QString &failure() const { return Failure; }
    const QList<quint16> &ports() const { return Port_List; }

private:
    QString Next_Line() {
        const QDeadlineTimer bound(30000);
        while (!Process.canReadLine() && Process.state() != QProcess::NotRunning &&
               !bound.hasExpired())
            Process.waitForReadyRead(100);
        return QString::fromUtf8(Process.readLine()).trimmed();
    }

    QProcess Process;
    QList<quint16> Port_List;
    QString Failure;
};

// A loopback port held while it lives: refusing connections (bound, not listening), or
// accepting them and never saying a word (listening, never read).
class Held_Port {
public:
    explicit Held_Port(bool listening) : Fd(Bind_Loopback(Port)) {
        if (Fd >= 0 && listening)
            ::listen(Fd, 8);
    }
    ~Held_Port() {
        if (Fd >= 0)
            ::close(Fd);
    }
    Held_Port(const Held_Port &) = delete;
    Held_Port &operator=(const Held_Port &) = delete;
    quint16 port() const { return Port; }

private:
    quint16 Port = 0;
    int Fd;
};
