#pragma once

// An HTTP server on 127.0.0.1 for the tests of the version check.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

#include <atomic>
#include <cerrno>
#include <thread>

#ifdef Q_OS_WIN
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on
using Socket_Handle = SOCKET;
inline constexpr Socket_Handle No_Socket = INVALID_SOCKET;
inline void Close_Socket(Socket_Handle socket) {
    closesocket(socket);
}
inline int Poll_Sockets(pollfd *entries, int count, int ms) {
    return WSAPoll(entries, ULONG(count), ms);
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket_Handle = int;
inline constexpr Socket_Handle No_Socket = -1;
inline void Close_Socket(Socket_Handle socket) {
    ::close(socket);
}
inline int Poll_Sockets(pollfd *entries, int count, int ms) {
    return ::poll(entries, nfds_t(count), ms);
}
#endif

// A client without a time limit is let go after this long, so that it fails a test instead of
// hanging it.
inline constexpr qint64 Silence_Ms = 10000;

// libcurl honours the proxy variables; every request of a test must go straight to the
// loopback server.
inline void Keep_Http_On_This_Machine() {
    for (const char *name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    qputenv("no_proxy", "*");
    qputenv("NO_PROXY", "*");
}

// A TCP socket bound to 127.0.0.1 at a port the system picks; No_Socket when that fails.
// A TCP socket bound to host (host order; 127.0.0.1 unless given) at port, or at a port the
// system picks when port is 0; port is then set to the bound one.
inline Socket_Handle Bind_Loopback(quint16 &port, quint32 host = INADDR_LOOPBACK) {
#ifdef Q_OS_WIN
    static const bool winsock_started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!winsock_started)
        return No_Socket;
    const Socket_Handle fd = ::socket(AF_INET, SOCK_STREAM, 0);
#else
    const Socket_Handle fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
#endif
    if (fd == No_Socket)
        return No_Socket;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(host);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        Close_Socket(fd);
        return No_Socket;
    }
    port = ntohs(address.sin_port);
    return fd;
}

inline QString Loopback_Url(quint16 port) {
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

// An HTTP server on 127.0.0.1 serving one connection at a time in its own thread, since
// Check_Version blocks the test's thread. It keeps the head of every request it reads and then
// sends the canned reply and closes, or, when silent, holds the connection without a word.
class Loopback_Server {
public:
    enum class Behaviour { Answer, Stay_Silent };

    explicit Loopback_Server(QByteArray reply, Behaviour behaviour = Behaviour::Answer)
        : Reply(std::move(reply)), Silent(behaviour == Behaviour::Stay_Silent) {
        Listen_Fd = Bind_Loopback(Port);
        if (Listen_Fd != No_Socket && ::listen(Listen_Fd, 8) == 0)
            Thread = std::thread([this] { Serve(); });
    }
    ~Loopback_Server() {
        Stop = true;
        if (Thread.joinable())
            Thread.join();
        if (Listen_Fd != No_Socket)
            Close_Socket(Listen_Fd);
    }
    Loopback_Server(const Loopback_Server &) = delete;
    Loopback_Server &operator=(const Loopback_Server &) = delete;

    bool listening() const { return Thread.joinable(); }
    QString url() const { return Loopback_Url(Port); }
    QList<QByteArray> requests() const {
        QMutexLocker lock(&Mutex);
        return Requests;
    }

private:
    // Waits up to a short slice for fd to become ready, so that Stop is seen promptly.
    bool Ready(Socket_Handle fd, short events) const {
        pollfd entry{fd, events, 0};
        return Poll_Sockets(&entry, 1, 50) > 0;
    }

    void Serve() {
        while (!Stop) {
            if (!Ready(Listen_Fd, POLLIN))
                continue;
#ifdef Q_OS_WIN
            const Socket_Handle client = ::accept(Listen_Fd, nullptr, nullptr);
#else
            const Socket_Handle client = ::accept4(Listen_Fd, nullptr, nullptr, SOCK_CLOEXEC);
#endif
            if (client == No_Socket)
                continue;
            Handle(client);
            Close_Socket(client);
        }
    }

    void Handle(Socket_Handle client) {
        QByteArray head;
        char buffer[4096];
        while (!head.contains("\r\n\r\n")) {
            if (Stop)
                return;
            if (!Ready(client, POLLIN))
                continue;
            const auto count = ::recv(client, buffer, sizeof buffer, 0);
            if (count <= 0)
                return;
            head.append(buffer, qsizetype(count));
        }
        {
            QMutexLocker lock(&Mutex);
            Requests.append(head.left(head.indexOf("\r\n\r\n")));
        }
        if (Silent) {
            // Until the client gives up (recv sees the end); a client without a time limit
            // is let go after Silence_Ms, so that it fails the test instead of hanging it.
            QElapsedTimer silence;
            silence.start();
            while (!Stop && silence.elapsed() < Silence_Ms) {
                if (Ready(client, POLLIN) && ::recv(client, buffer, sizeof buffer, 0) <= 0)
                    return;
            }
            return;
        }
        qsizetype sent = 0;
        while (sent < Reply.size() && !Stop) {
            if (!Ready(client, POLLOUT))
                continue;
#ifdef Q_OS_WIN
            // The socket is ready to take data, so the send does not block.
            const auto count =
                ::send(client, Reply.constData() + sent, int(Reply.size() - sent), 0);
            if (count < 0)
                return; // the client has hung up, as it does on a body that is too large
#else
            const ssize_t count = ::send(client, Reply.constData() + sent,
                                         size_t(Reply.size() - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return; // the client has hung up, as it does on a body that is too large
#endif
            if (count > 0)
                sent += count;
        }
#ifdef Q_OS_WIN
        ::shutdown(client, SD_SEND);
#else
        ::shutdown(client, SHUT_WR);
#endif
    }

    const QByteArray Reply;
    const bool Silent;
    Socket_Handle Listen_Fd = No_Socket;
    quint16 Port = 0;
    std::atomic<bool> Stop{false};
    std::thread Thread;
    mutable QMutex Mutex;
    QList<QByteArray> Requests;
};

inline QByteArray Status_Line(int status) {
    return "HTTP/1.0 " + QByteArray::number(status) + (status == 200 ? " OK" : " Other");
}

// A reply whose body is delimited by Content-Length.
inline QByteArray Reply(int status, const QByteArray &body) {
    return Status_Line(status) +
           "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}
