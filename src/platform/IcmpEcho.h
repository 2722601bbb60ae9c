#pragma once

#include "CoreError.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <memory>
#include <optional>

// No socket for ICMP echo could be opened for lack of permission. The message says why and
// how to allow it.
class Echo_Permission_Error : public Core_Error {
public:
    using Core_Error::Core_Error;
};

// ICMP echo over IPv4, one request at a time, polled without blocking so that the caller can
// keep its windows responsive while it waits.
class Icmp_Echo {
public:
    virtual ~Icmp_Echo() = default;

    // Resolves host (a dotted address or a host name, IPv4 only) and sends one echo request
    // carrying data, to be answered within timeout_ms. Throws Core_Error when the host cannot be
    // resolved or the request cannot be sent, Echo_Permission_Error when no socket may be opened.
    virtual void Send(const QString &host, const QByteArray &data, int timeout_ms) = 0;

    // Looks for the answer to the last request without blocking: nullopt while it may still
    // come; the bytes received (more than 0) for a reply; 0 once the time is up without one.
    // The bytes are those of the ICMP reply, header and data.
    virtual std::optional<int> Poll() = 0;
};

// The platform's ICMP echo with requests of packet_size bytes of ICMP, header and data (more
// when the data needs more room).
std::unique_ptr<Icmp_Echo> Make_Icmp_Echo(int packet_size = 1024);

// What the reply to the last echo request carries: the request's sequence number, its
// identifier (which a datagram socket's kernel replaces, so it is checked on a raw socket only)
// and the random token at Token_Offset of the ICMP message.
struct Echo_Expected {
    bool Raw = false; // a raw socket's messages begin with their IP header
    quint16 Identifier = 0;
    quint16 Sequence = 0;
    qsizetype Token_Offset = 0;
    QByteArray Token;
};

// The size of the ICMP message in the size bytes at message when it is the reply expected,
// else 0. Any bytes are judged without reading past size: a socket hands on what the network
// sends.
int Echo_Reply_Size(const unsigned char *message, size_t size, const Echo_Expected &expected);
