#include "ModbusFrame.h"

#include <QStringDecoder>

namespace {

constexpr int Header_Bytes = 7;
// The length field counts the unit and the PDU: a PDU holds at most 253 bytes.
constexpr int Longest_Length = 254;
constexpr quint8 Device_Identification_Type = 0x0E;

quint16 Word_At(const QByteArray &bytes, qsizetype at) {
    return quint16((quint8(bytes.at(at)) << 8) | quint8(bytes.at(at + 1)));
}

void Append_Word(QByteArray &bytes, quint16 word) {
    bytes.append(char(word >> 8));
    bytes.append(char(word & 0xFF));
}

QString Text_Of(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return (utf8.hasError() ? QString::fromLatin1(bytes) : text).trimmed();
}

} // namespace

QByteArray Modbus_Request(quint16 transaction, quint8 unit, const QByteArray &pdu) {
    QByteArray frame;
    Append_Word(frame, transaction);
    Append_Word(frame, 0);
    Append_Word(frame, quint16(pdu.size() + 1));
    frame.append(char(unit));
    return frame + pdu;
}

QByteArray Register_Read_Pdu(quint16 register_address) {
    QByteArray pdu(1, char(Read_Holding_Registers));
    Append_Word(pdu, register_address);
    Append_Word(pdu, 1);
    return pdu;
}

QByteArray Identification_Pdu() {
    return QByteArray{"\x2B\x0E\x01\x00", 4};
}

Modbus_Reply Take_Reply(const QByteArray &buffer, quint16 transaction, quint16 first_transaction,
                        quint8 unit, quint8 function) {
    Modbus_Reply reply;
    const auto invalid = [&reply](const QString &problem) {
        reply.What = Modbus_Reply::Kind::Invalid;
        reply.Problem = problem;
        return reply;
    };
    if (buffer.size() < Header_Bytes)
        return reply;
    const quint16 protocol = Word_At(buffer, 2);
    const quint16 length = Word_At(buffer, 4);
    if (protocol != 0)
        return invalid(QStringLiteral("protocol identifier %1, not 0").arg(protocol));
    if (length < 2 || length > Longest_Length)
        return invalid(
            QStringLiteral("length %1, outside 2 to %2").arg(length).arg(Longest_Length));
    reply.Length = 6 + length;
    if (buffer.size() < reply.Length)
        return reply;
    const quint16 answered = Word_At(buffer, 0);
    if (answered != transaction) {
        if (answered >= first_transaction && answered < transaction) {
            reply.What = Modbus_Reply::Kind::Stale;
            return reply;
        }
        return invalid(
            QStringLiteral("transaction %1 where %2 was asked").arg(answered).arg(transaction));
    }
    if (quint8(buffer.at(6)) != unit)
        return invalid(
            QStringLiteral("unit %1 where %2 was asked").arg(quint8(buffer.at(6))).arg(unit));
    const QByteArray pdu = buffer.mid(Header_Bytes, length - 1);
    const quint8 code = quint8(pdu.at(0));
    if (code == (function | 0x80)) {
        if (pdu.size() != 2)
            return invalid(QStringLiteral("an exception reply of %1 bytes, not 2").arg(pdu.size()));
    } else if (code != function) {
        return invalid(
            QStringLiteral("function code %1 where %2 was asked").arg(code).arg(function));
    }
    reply.What = Modbus_Reply::Kind::Reply;
    reply.Pdu = pdu;
    return reply;
}

int Exception_Code(const QByteArray &pdu) {
    return pdu.size() == 2 && (quint8(pdu.at(0)) & 0x80) ? quint8(pdu.at(1)) : 0;
}

Register_Reply Read_Register_Reply(const QByteArray &pdu) {
    if (pdu.size() != 4 || quint8(pdu.at(1)) != 2)
        return {std::nullopt, QStringLiteral("a register reply of %1 bytes, not 4 with a byte "
                                             "count of 2")
                                  .arg(pdu.size())};
    return {Word_At(pdu, 2), {}};
}

Identification_Reply Read_Identification_Reply(const QByteArray &pdu) {
    Identification_Reply reply;
    // Function, MEI type, read code, conformity level, more follows, next object, object count.
    if (pdu.size() < 7 || quint8(pdu.at(1)) != Device_Identification_Type) {
        reply.Problem = QStringLiteral("an identification reply without its header");
        return reply;
    }
    const int count = quint8(pdu.at(6));
    qsizetype at = 7;
    for (int n = 0; n < count; ++n) {
        if (at + 2 > pdu.size() || at + 2 + quint8(pdu.at(at + 1)) > pdu.size()) {
            reply.Problem = QStringLiteral("an identification reply cut short in object %1 of %2")
                                .arg(n + 1)
                                .arg(count);
            return reply;
        }
        const int id = quint8(pdu.at(at));
        const int size = quint8(pdu.at(at + 1));
        const QString text = Text_Of(pdu.mid(at + 2, size));
        if (id == 0)
            reply.Identification.Vendor = text;
        else if (id == 1)
            reply.Identification.Product = text;
        else if (id == 2)
            reply.Identification.Revision = text;
        at += 2 + size;
    }
    if (at != pdu.size())
        reply.Problem =
            QStringLiteral("%1 bytes after the identification objects").arg(pdu.size() - at);
    return reply;
}
