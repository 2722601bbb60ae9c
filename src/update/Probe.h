#pragma once

#include "platform/IcmpEcho.h"

#include <QString>
#include <QtGlobal>
#include <functional>

// Probes a device with ICMP echo requests before an update: attempts of up to 400 ms until two
// replies have come or 5 s have passed; the device counts as reachable when the last attempt
// got a reply. Between looks for an answer the caller's wait step runs, which keeps the
// windows responsive (10 ms at a time).
class Ping_Probe {
public:
    static constexpr int Attempt_Ms = 400;
    static constexpr int Probe_Ms = 5000;
    static constexpr int Step_Ms = 10;

    Ping_Probe(Icmp_Echo &echo, std::function<void()> wait_step, std::function<quint32()> now_ms);

    // True when the device at host answered the last attempt. Each request carries host as
    // given; an address of four decimal bytes is probed as such, leading zeros and all, and
    // only other text is resolved. An error of the ICMP layer (a host that cannot be resolved,
    // no socket) ends the probe at once with false; Error then says why.
    bool Send_Ping(const QString &host);

    // The reply handler of one request: at least one byte received counts as a reply.
    void PingReply(int bytes_received);

    // The status of the last echo request: 0 none yet, 1 a reply, 2 no reply.
    int ping_res = 0;
    int Attempts = 0;
    QString Error;
    bool Permission_Missing = false;

private:
    Icmp_Echo &Echo;
    std::function<void()> Wait_Step;
    std::function<quint32()> Now_Ms;
};
