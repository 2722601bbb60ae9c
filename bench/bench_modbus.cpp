// The device check and the range search against pymodbus servers.
// 1. Both endpoints of a configuration checked on loopback, against one raw TCP connect and
//    Modbus request/response round trip with plain sockets in the same run, alternately.
// 2. cf20914-cli check --ip of one endpoint as a whole process, against a bare Qt Core process
//    started the same way, alternately.
// 3. A search of a /24 inside a private network namespace with three servers, the other hosts
//    refusing; and again with the other hosts silent, at a 300 ms limit. Skipped with the
//    reason where no namespace can be made (it needs root).
// Run: bench_modbus [runs of each]

#include "BenchSupport.h"

#include "support/ModbusServer.h"
#include "support/PrivateNetwork.h"

#include "language/LangStrings.h"
#include "update/ModbusCheck.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Connect, send Read Holding Registers for one register, read the 11-byte reply, close.
bool Raw_Round_Trip(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const unsigned char request[] = {0, 1, 0, 0, 0, 6, 1, 3, 0, 0, 0, 1};
    unsigned char reply[16];
    std::size_t received = 0;
    bool ok = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
              ::send(fd, request, sizeof request, MSG_NOSIGNAL) == ssize_t(sizeof request);
    while (ok && received < 11) {
        const ssize_t count = ::recv(fd, reply + received, sizeof reply - received, 0);
        ok = count > 0;
        received += ok ? std::size_t(count) : 0;
    }
    ::close(fd);
    return ok;
}

void Loopback_Check(int runs) {
    Modbus_Servers servers({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.1")});
    if (!servers.failure().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(servers.failure()));
        return;
    }
    const QList<Modbus_Endpoint> endpoints = {
        Modbus_Endpoint{QStringLiteral("127.0.0.1"), servers.ports().at(0), 1, 0},
        Modbus_Endpoint{QStringLiteral("127.0.0.1"), servers.ports().at(1), 1, 0}};
    Check_Options options;
    options.Timeout_Ms = 2000;
    // One unmeasured round of each loads the module and warms the server.
    Check_Endpoints(endpoints, options);
    Raw_Round_Trip(servers.ports().at(0));
    std::vector<double> check, raw;
    for (int run = 0; run < runs; ++run) {
        double start = Now_Ms();
        if (!All_Answer(Check_Endpoints(endpoints, options))) {
            std::fprintf(stderr, "the check failed\n");
            return;
        }
        check.push_back(Now_Ms() - start);
        start = Now_Ms();
        if (!Raw_Round_Trip(servers.ports().at(0))) {
            std::fprintf(stderr, "the raw round trip failed\n");
            return;
        }
        raw.push_back(Now_Ms() - start);
    }
    std::printf("runs: %d of each, alternately (medians)\n", runs);
    Print_Figure("check of both endpoints on loopback", Median(check), 3 * Median(raw) + 5,
                 "raw TCP connect + request/response", Median(raw));

    const QStringList command = {
        QStringLiteral(CLI_PROGRAM), QStringLiteral("check"),
        QStringLiteral("--ip"),      QStringLiteral("127.0.0.1"),
        QStringLiteral("--port"),    QString::number(servers.ports().at(0))};
    std::vector<double> tool, bare;
    for (int run = 0; run < runs; ++run) {
        const Child_Figures checked = Run_Child(command);
        if (!checked.Succeeded) {
            std::fprintf(stderr, "cf20914-cli check failed\n");
            return;
        }
        tool.push_back(checked.Wall_Ms);
        bare.push_back(Run_Child({QStringLiteral(BARE_CORE)}).Wall_Ms);
    }
    Print_Figure("cf20914-cli check --ip, whole process", Median(tool), Median(bare) + 10,
                 "bare Qt Core process", Median(bare));
}

// A /24 with three servers, the rest refusing or silent.
void Range_Search(bool rest_silent, int timeout_ms, double target_ms, int runs) {
    const QStringList servers_at = {QStringLiteral("10.88.0.9"), QStringLiteral("10.88.0.35"),
                                    QStringLiteral("10.88.0.200")};
    const Private_Network network =
        Range_On_Loopback(QStringLiteral("10.88.0.0/24"), rest_silent, servers_at);
    std::vector<double> figures;
    int found = 0;
    const QString failure = network.Run([&] {
        Modbus_Servers servers(On_Port(servers_at, 502));
        if (!servers.failure().isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(servers.failure()));
            return;
        }
        const Scan_Range range = Parse_Scan_Range(QStringLiteral("10.88.0.0/24"));
        for (int run = 0; run < runs; ++run) {
            const double start = Now_Ms();
            found = int(Scan_Range_Now(range, 502, timeout_ms).size());
            figures.push_back(Now_Ms() - start);
        }
    });
    const char *what = rest_silent ? "search of a /24, the rest silent, 300 ms limit"
                                   : "search of a /24, the rest refusing";
    if (!failure.isEmpty()) {
        std::printf("%s: skipped, %s\n", what, qPrintable(failure));
        return;
    }
    if (figures.empty() || found != servers_at.size()) {
        std::fprintf(stderr, "%s: %d servers found, not 3\n", what, found);
        return;
    }
    std::printf("%s: median %.1f ms (target at most %.0f ms; %zu runs, three servers found)\n",
                what, Median(figures), target_ms, figures.size());
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = Count_Argument(argc, argv, 1, 30);
    Set_Modbus_Module_File(QStringLiteral(MODBUS_MODULE));
    Fill_Default_Lang();
    Loopback_Check(runs);
    const int search_runs = std::max(3, runs / 6);
    Range_Search(false, 300, 1000, search_runs);
    Range_Search(true, 300, 2000, search_runs);
    return 0;
}
