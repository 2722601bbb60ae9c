// What a device sends to the device check: any bytes are taken apart as replies without a crash,
// a frame never claims more bytes than came, and nothing of it reaches a line or a JSON text
// with a control character in it.

#include "FuzzSupport.h"

#include "language/LangStrings.h"
#include "shell/Conversions.h"
#include "update/ModbusCheck.h"
#include "update/ModbusFrame.h"

#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool filled = [] {
        Fill_Default_Lang();
        return true;
    }();
    Q_UNUSED(filled);
    QByteArray stream(reinterpret_cast<const char *>(data), qsizetype(size));
    Endpoint_Result result;
    result.Endpoint = Modbus_Endpoint{QStringLiteral("10.0.0.1"), 502, 1, 7};
    result.State = Endpoint_State::Answers;
    quint16 transaction = 1;
    bool asking_register = true;
    for (;;) {
        const Modbus_Reply reply =
            Take_Reply(stream, transaction, 1, 1,
                       asking_register ? Read_Holding_Registers : Encapsulated_Interface);
        if (reply.What == Modbus_Reply::Kind::Incomplete)
            break;
        if (reply.What == Modbus_Reply::Kind::Invalid) {
            Fuzz_Check(!reply.Problem.isEmpty(), "an invalid reply says why");
            result.State = Endpoint_State::Invalid;
            result.Reason = reply.Problem;
            break;
        }
        Fuzz_Check(reply.Length > 0 && reply.Length <= stream.size(),
                   "a frame takes bytes that came");
        if (reply.What == Modbus_Reply::Kind::Reply) {
            if (const int exception = Exception_Code(reply.Pdu)) {
                (asking_register ? result.Register_Exception : result.Identification_Exception) =
                    exception;
            } else if (asking_register) {
                result.Register_Value = Read_Register_Reply(reply.Pdu).Value;
            } else {
                const Identification_Reply identification = Read_Identification_Reply(reply.Pdu);
                result.Identification = identification.Identification;
                if (!identification.Problem.isEmpty())
                    result.Reason = identification.Problem;
            }
            asking_register = !asking_register;
            ++transaction;
        }
        stream.remove(0, reply.Length);
    }
    const QString line = Check_Result_Lines({result}, {QStringLiteral("Endpoint")}).value(0);
    Fuzz_Check(!Holds_Control(line), "a line holds no control character");
    const QString json = Escape_Json_Controls(QString::fromUtf8(
        QJsonDocument(Check_Results_Json({result}, {})).toJson(QJsonDocument::Compact)));
    Fuzz_Check(!Holds_Control(json), "JSON holds no control character");
    return 0;
}
