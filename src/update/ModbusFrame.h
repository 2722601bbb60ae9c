#pragma once

// Modbus TCP frames as the device check writes and reads them: a 7-byte MBAP header
// (transaction, protocol 0, length, unit) before the PDU. A reply is taken only when every field
// fits the request it answers; anything else is named, so that a device that speaks something
// else is never reported as answering. Qt Core only: the Modbus module and the core share it.

#include "EndpointProbe.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

inline constexpr quint8 Read_Holding_Registers = 0x03;
inline constexpr quint8 Encapsulated_Interface = 0x2B; // Read Device Identification, MEI 0x0E

// A whole request: header and PDU.
QByteArray Modbus_Request(quint16 transaction, quint8 unit, const QByteArray &pdu);
QByteArray Register_Read_Pdu(quint16 register_address);
QByteArray Identification_Pdu(); // basic objects, from object 0

struct Modbus_Reply {
    enum class Kind {
        Incomplete, // more bytes are needed
        Stale,      // a repeated reply to a request already answered: skip Length bytes
        Reply,      // Pdu answers the request
        Invalid     // not a Modbus TCP reply to the request; Problem says what is wrong
    };
    Kind What = Kind::Incomplete;
    qsizetype Length = 0; // bytes of buffer the frame takes
    QByteArray Pdu;
    QString Problem;
};

// Takes the first frame from buffer as the reply to the request with this transaction, unit and
// function code. A frame of an earlier transaction of the same connection (below transaction,
// from first_transaction on) is Stale.
Modbus_Reply Take_Reply(const QByteArray &buffer, quint16 transaction, quint16 first_transaction,
                        quint8 unit, quint8 function);

// The exception code of an exception reply PDU, else 0.
int Exception_Code(const QByteArray &pdu);

// The register value of a reply PDU to Register_Read_Pdu; Problem is set when its byte count
// or length does not fit one register.
struct Register_Reply {
    std::optional<quint16> Value;
    QString Problem;
};
Register_Reply Read_Register_Reply(const QByteArray &pdu);

// The vendor, product and revision of a reply PDU to Identification_Pdu, each decoded as UTF-8
// when it is, else as Latin-1, and trimmed; Problem is set when the reply does not hold the
// objects it announces.
struct Identification_Reply {
    Device_Identification Identification;
    QString Problem;
};
Identification_Reply Read_Identification_Reply(const QByteArray &pdu);
