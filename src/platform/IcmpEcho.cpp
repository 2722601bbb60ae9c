#include "IcmpEcho.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <cstring>
#include <vector>

#ifdef Q_OS_WIN
// winsock2.h must come before windows.h, and icmpapi.h after iphlpapi.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on
#else
#include <QCoreApplication>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

constexpr int Icmp_Header_Size = 8;
constexpr unsigned char Echo_Reply_Type = 0;

quint16 Read_Be16(const unsigned char *bytes) {
    return quint16(bytes[0] << 8 | bytes[1]);
}

in_addr Resolve(const QString &host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo *found = nullptr;
    const int code = getaddrinfo(host.toLocal8Bit().constData(), nullptr, &hints, &found);
    if (code != 0) {
#ifdef Q_OS_WIN
        const QString reason = qt_error_string(code); // a Winsock error code
#else
        const QString reason = code == EAI_SYSTEM ? qt_error_string(errno)
                                                  : QString::fromLocal8Bit(gai_strerror(code));
#endif
        throw Core_Error(QStringLiteral("Cannot resolve %1: %2").arg(host, reason));
    }
    const in_addr address = reinterpret_cast<const sockaddr_in *>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return address;
}

// The data of an echo request: the caller's data, then token, then zeros up to packet_size bytes
// of ICMP in all. The token follows the data closely so that it survives a reply that is cut.
QByteArray Echo_Payload(const QByteArray &data, const QByteArray &token, int packet_size) {
    QByteArray payload = data + token;
    if (payload.size() < packet_size - Icmp_Header_Size)
        payload.resize(packet_size - Icmp_Header_Size, '\0');
    return payload;
}

Core_Error Send_Error(const QString &host, const QString &reason) {
    return Core_Error(
        QStringLiteral("Cannot send an ICMP echo request to %1: %2").arg(host, reason));
}

#ifdef Q_OS_WIN

// The ICMP helper API of Windows needs no privilege. The request runs asynchronously and signals
// Event when its reply or its own timeout has come, so Poll only looks at the event.
class Windows_Echo final : public Icmp_Echo {
public:
    // Winsock is started for getaddrinfo.
    explicit Windows_Echo(int packet_size)
        : Packet_Size(packet_size), Winsock_Started(WSAStartup(MAKEWORD(2, 2), &Winsock) == 0) {}

    ~Windows_Echo() override {
        Finish_Pending();
        if (Icmp != INVALID_HANDLE_VALUE)
            IcmpCloseHandle(Icmp);
        if (Event)
            CloseHandle(Event);
        if (Winsock_Started)
            WSACleanup();
    }

    void Send(const QString &host, const QByteArray &data, int timeout_ms) override {
        Finish_Pending();
        Result = 0;
        const in_addr target = Resolve(host);
        Open();
        Request = Echo_Payload(data, {}, Packet_Size);
        Reply.assign(sizeof(ICMP_ECHO_REPLY) + size_t(Request.size()) + 8, 0);
        const DWORD count = IcmpSendEcho2(Icmp, Event, nullptr, nullptr, target.s_addr,
                                          Request.data(), WORD(Request.size()), nullptr,
                                          Reply.data(), DWORD(Reply.size()), DWORD(timeout_ms));
        if (count == 0 && GetLastError() != ERROR_IO_PENDING)
            throw Send_Error(host, qt_error_string(int(GetLastError())));
        Deadline = QDeadlineTimer(timeout_ms);
        Pending = count == 0; // the usual case: it completes asynchronously
        if (Pending)
            Result.reset();
        else
            Result = Parse_Reply();
    }

    std::optional<int> Poll() override {
        if (Result)
            return Result;
        if (WaitForSingleObject(Event, 0) == WAIT_OBJECT_0) {
            Pending = false;
            Result = Parse_Reply();
        } else if (Deadline.hasExpired()) {
            Result = 0; // the request stays pending until its own timeout ends it
        }
        return Result;
    }

private:
    void Open() {
        if (Icmp == INVALID_HANDLE_VALUE)
            Icmp = IcmpCreateFile();
        if (Icmp == INVALID_HANDLE_VALUE)
            throw Open_Error();
        if (!Event)
            Event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!Event)
            throw Open_Error();
    }

    static Core_Error Open_Error() {
        return Core_Error(
            QStringLiteral("Cannot open ICMP echo: %1").arg(qt_error_string(int(GetLastError()))));
    }

    // Windows writes into Reply until the request completes, which its timeout bounds.
    void Finish_Pending() {
        if (Pending)
            WaitForSingleObject(Event, INFINITE);
        Pending = false;
    }

    // The ICMP bytes of the reply (header and data, as the POSIX sockets count them), or 0.
    // Status and DataSize lie at the same offsets in ICMP_ECHO_REPLY and in the
    // ICMP_ECHO_REPLY32 that 64-bit Windows may write instead.
    int Parse_Reply() {
        if (IcmpParseReplies(Reply.data(), DWORD(Reply.size())) == 0)
            return 0;
        const auto *echo = reinterpret_cast<const ICMP_ECHO_REPLY *>(Reply.data());
        return echo->Status == IP_SUCCESS ? Icmp_Header_Size + int(echo->DataSize) : 0;
    }

    int Packet_Size;
    WSADATA Winsock{};
    bool Winsock_Started;
    HANDLE Icmp = INVALID_HANDLE_VALUE;
    HANDLE Event = nullptr;
    QByteArray Request;
    std::vector<unsigned char> Reply;
    bool Pending = false;
    QDeadlineTimer Deadline;
    std::optional<int> Result = 0;
};

#else

constexpr unsigned char Echo_Request_Type = 8;

void Write_Be16(unsigned char *bytes, quint16 value) {
    bytes[0] = static_cast<unsigned char>(value >> 8);
    bytes[1] = static_cast<unsigned char>(value);
}

// The Internet checksum (RFC 1071) of the whole message, with the checksum field zero.
quint16 Internet_Checksum(const QByteArray &message) {
    quint32 sum = 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(message.constData());
    const qsizetype size = message.size();
    for (qsizetype i = 0; i + 1 < size; i += 2)
        sum += Read_Be16(bytes + i);
    if (size % 2)
        sum += quint32(bytes[size - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

QString Permission_Message(int error) {
    return QStringLiteral(
               "ICMP echo needs a permission this program does not have (%1). As root, allow "
               "it for all users with `sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"`, "
               "or give the program the capability with `setcap cap_net_raw+ep %2`.")
        .arg(qt_error_string(error), QCoreApplication::applicationFilePath());
}

// Prefers the datagram ICMP socket that Linux offers to the groups in
// net.ipv4.ping_group_range; the kernel sets the identifier of its requests and hands it only
// the replies to them. A raw socket, which needs CAP_NET_RAW, sees every ICMP message of the
// host instead, the requests that loopback shows included.
class Socket_Echo final : public Icmp_Echo {
public:
    explicit Socket_Echo(int packet_size) : Packet_Size(packet_size) {}

    ~Socket_Echo() override {
        if (Socket >= 0)
            ::close(Socket);
    }

    void Send(const QString &host, const QByteArray &data, int timeout_ms) override {
        Result = 0;
        Target = Resolve(host);
        Open();

        ++Sequence;
        Token_Offset = Icmp_Header_Size + data.size();
        const quint64 token = QRandomGenerator::global()->generate64();
        Token = QByteArray(reinterpret_cast<const char *>(&token), sizeof token);
        QByteArray packet =
            QByteArray(Icmp_Header_Size, '\0') + Echo_Payload(data, Token, Packet_Size);
        auto *header = reinterpret_cast<unsigned char *>(packet.data());
        header[0] = Echo_Request_Type;
        Write_Be16(header + 4, Identifier);
        Write_Be16(header + 6, Sequence);
        Write_Be16(header + 2, Internet_Checksum(packet));

        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr = Target;
        if (sendto(Socket, packet.constData(), size_t(packet.size()), 0,
                   reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0)
            throw Send_Error(host, qt_error_string(errno));
        Deadline = QDeadlineTimer(timeout_ms);
        Result.reset();
    }

    std::optional<int> Poll() override {
        if (Result)
            return Result;
        for (;;) {
            sockaddr_in from{};
            socklen_t from_size = sizeof from;
            const ssize_t size = recvfrom(Socket, Buffer.data(), Buffer.size(), 0,
                                          reinterpret_cast<sockaddr *>(&from), &from_size);
            if (size < 0 && errno == EINTR)
                continue;
            if (size < 0)
                break; // nothing more queued
            if (from.sin_addr.s_addr != Target.s_addr)
                continue;
            const int echo_size = Echo_Reply_Size(Buffer.data(), size_t(size),
                                                  {Raw, Identifier, Sequence, Token_Offset, Token});
            if (echo_size > 0) {
                Result = echo_size;
                return Result;
            }
        }
        if (Deadline.hasExpired())
            Result = 0;
        return Result;
    }

private:
    void Open() {
        if (Socket >= 0)
            return;
        Socket = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (Socket >= 0)
            return;
        Socket = socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (Socket >= 0) {
            Raw = true;
            return;
        }
        const int error = errno;
        if (error == EPERM || error == EACCES)
            throw Echo_Permission_Error(Permission_Message(error));
        throw Core_Error(
            QStringLiteral("Cannot open a socket for ICMP echo: %1").arg(qt_error_string(error)));
    }

    int Packet_Size;
    int Socket = -1;
    bool Raw = false;
    quint16 Identifier = quint16(QRandomGenerator::global()->generate());
    quint16 Sequence = 0;
    in_addr Target{};
    qsizetype Token_Offset = 0;
    QByteArray Token;
    QDeadlineTimer Deadline;
    std::optional<int> Result = 0;
    std::vector<unsigned char> Buffer = std::vector<unsigned char>(65536);
};

#endif

} // namespace

int Echo_Reply_Size(const unsigned char *message, size_t size, const Echo_Expected &expected) {
    const unsigned char *icmp = message;
    if (expected.Raw) { // the message starts with its IP header
        if (size < 1)
            return 0;
        const size_t ip_header_size = size_t(icmp[0] & 0x0f) * 4;
        if (ip_header_size < 20 || size < ip_header_size)
            return 0;
        icmp += ip_header_size;
        size -= ip_header_size;
    }
    if (expected.Token_Offset < Icmp_Header_Size ||
        size < size_t(expected.Token_Offset + expected.Token.size()))
        return 0;
    if (icmp[0] != Echo_Reply_Type || icmp[1] != 0 || Read_Be16(icmp + 6) != expected.Sequence)
        return 0;
    if (expected.Raw && Read_Be16(icmp + 4) != expected.Identifier)
        return 0;
    if (memcmp(icmp + expected.Token_Offset, expected.Token.constData(),
               size_t(expected.Token.size())) != 0)
        return 0;
    return int(size);
}

std::unique_ptr<Icmp_Echo> Make_Icmp_Echo(int packet_size) {
#ifdef Q_OS_WIN
    return std::make_unique<Windows_Echo>(packet_size);
#else
    return std::make_unique<Socket_Echo>(packet_size);
#endif
}
