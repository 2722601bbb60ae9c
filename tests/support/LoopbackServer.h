#pragma once

// An HTTP server on 127.0.0.1 for the tests of the version check.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

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

// A TCP socket bound to 127.0.0.1 at a port the system picks; -1 when that fails.
inline int Bind_Loopback(quint16 &port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(fd);
        return -1;
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
        if (Listen_Fd >= 0 && ::listen(Listen_Fd, 8) == 0)
            Thread = std::thread([this] { Serve(); });
    }
    ~Loopback_Server() {
        Stop = true;
        if (Thread.joinable())
            Thread.join();
        if (Listen_Fd >= 0)
            ::close(Listen_Fd);
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
    bool Ready(int fd, short events) const {
        pollfd entry{fd, events, 0};
        return ::poll(&entry, 1, 50) > 0;
    }

    void Serve() {
        while (!Stop) {
            if (!Ready(Listen_Fd, POLLIN))
                continue;
            const int client = ::accept4(Listen_Fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            Handle(client);
            ::close(client);
        }
    }

    void Handle(int client) {
        QByteArray head;
        char buffer[4096];
        while (!head.contains("\r\n\r\n")) {
            if (Stop)
                return;
            if (!Ready(client, POLLIN))
                continue;
            const ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
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
            const ssize_t count = ::send(client, Reply.constData() + sent,
                                         size_t(Reply.size() - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return; // the client has hung up, as it does on a body that is too large
            if (count > 0)
                sent += count;
        }
        ::shutdown(client, SHUT_WR);
    }

    const QByteArray Reply;
    const bool Silent;
    int Listen_Fd = -1;
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
