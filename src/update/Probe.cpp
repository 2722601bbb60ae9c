#include "Probe.h"

#include "shell/Conversions.h"

Ping_Probe::Ping_Probe(Icmp_Echo &echo, std::function<void()> wait_step,
                       std::function<quint32()> now_ms)
    : Echo(echo), Wait_Step(std::move(wait_step)), Now_Ms(std::move(now_ms)) {}

void Ping_Probe::PingReply(int bytes_received) {
    ping_res = bytes_received > 0 ? 1 : 2;
}

bool Ping_Probe::Send_Ping(const QString &host) {
    ping_res = 0;
    Attempts = 0;
    Error.clear();
    Permission_Missing = false;
    // Four decimal bytes never reach the resolver as typed, which could read them otherwise.
    const QString target = Decimal_IPv4(host).value_or(host);
    const quint32 t0 = Now_Ms();
    int replies = 0;
    for (;;) {
        const quint32 t1 = Now_Ms();
        try {
            Echo.Send(target, host.toUtf8(), Attempt_Ms);
        } catch (const Echo_Permission_Error &error) {
            Error = error.message();
            Permission_Missing = true;
            return false;
        } catch (const Core_Error &error) {
            Error = error.message();
            return false;
        }
        ++Attempts;
        for (;;) {
            if (const auto bytes = Echo.Poll()) {
                PingReply(*bytes);
                break;
            }
            // Elapsed times are unsigned differences, so a wrapping tick count does no harm.
            if (quint32(Now_Ms() - t1) > quint32(Attempt_Ms)) {
                PingReply(0);
                break;
            }
            Wait_Step();
        }
        if (ping_res == 1 && ++replies == 2)
            break;
        if (quint32(Now_Ms() - t0) > quint32(Probe_Ms))
            break;
    }
    return ping_res == 1;
}
