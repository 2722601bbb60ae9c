#pragma once

#include "platform/IcmpEcho.h"

#include <QList>
#include <QString>
#include <functional>

// An ICMP client that plays a script, one letter per request: 'R' a reply after Reply_Ms, 'S'
// silence, 'E' a host that cannot be resolved, 'P' no permission for a socket. After the script
// the last letter repeats. Time comes from the probe's clock. On_Send, when set, runs after each
// request is sent, as something the user does while the probe waits.
class Scripted_Echo : public Icmp_Echo {
public:
    Scripted_Echo(QString script, std::function<quint32()> now_ms)
        : Script(std::move(script)), Now_Ms(std::move(now_ms)) {}

    void Send(const QString &host, const QByteArray &data, int timeout_ms) override {
        const QChar step = Script.at(qMin(Sent.size(), Script.size() - 1));
        if (step == QLatin1Char('E'))
            throw Core_Error(
                QStringLiteral("Cannot resolve %1: Name or service not known").arg(host));
        if (step == QLatin1Char('P'))
            throw Echo_Permission_Error(QStringLiteral("ICMP echo needs permission."));
        Sent.append(data);
        Hosts.append(host);
        Current = step;
        Sent_At = Now_Ms();
        Timeout_Ms = timeout_ms;
        if (On_Send)
            On_Send();
    }

    std::optional<int> Poll() override {
        const quint32 waited = Now_Ms() - Sent_At;
        if (Current == QLatin1Char('R') && waited >= Reply_Ms)
            return 1024;
        if (waited > quint32(Timeout_Ms))
            return 0;
        return std::nullopt;
    }

    static constexpr quint32 Reply_Ms = 3;
    QList<QByteArray> Sent;
    QStringList Hosts;
    std::function<void()> On_Send;

private:
    QString Script;
    std::function<quint32()> Now_Ms;
    QChar Current;
    quint32 Sent_At = 0;
    int Timeout_Ms = 0;
};
