// The module that looks at Modbus TCP endpoints with Qt's Modbus client. It is loaded when the
// first check runs; nothing of the core is linked into it, only the types of EndpointProbe.h.

#include "EndpointProbe.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QModbusDeviceIdentification>
#include <QModbusReply>
#include <QModbusTcpClient>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace {

QString Object_Text(const QModbusDeviceIdentification &identification,
                    QModbusDeviceIdentification::ObjectId id) {
    return QString::fromLatin1(identification.value(id)).trimmed();
}

class Modbus_Tcp_Probe final : public Endpoint_Probe {
public:
    Modbus_Tcp_Probe() {
        Deadline.setSingleShot(true);
        // A coarse timer may fire early; the limit is a promise to the device.
        Deadline.setTimerType(Qt::PreciseTimer);
        Deadline.callOnTimeout([this] { Give_Up(); });
    }
    ~Modbus_Tcp_Probe() override { Drop_Client(); }

    void Start(const Modbus_Endpoint &endpoint, int timeout_ms, Done_Function done) override {
        Drop_Client();
        Result = Endpoint_Result{};
        Result.Endpoint = endpoint;
        Done = std::move(done);
        Outstanding = 0;
        Clock.start();

        const QHostAddress address(endpoint.Address);
        if (address.protocol() != QAbstractSocket::IPv4Protocol) {
            // An address text that is not IPv4 would go to a name resolver.
            Give_Up_State = Endpoint_State::No_Route;
            Deadline.start(0);
            return;
        }
        Give_Up_State = Endpoint_State::Silent;
        Deadline.start(timeout_ms);

        Client = new QModbusTcpClient;
        Client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, endpoint.Address);
        Client->setConnectionParameter(QModbusDevice::NetworkPortParameter, int(endpoint.Port));
        Client->setTimeout(qMax(timeout_ms, 10));
        Client->setNumberOfRetries(0);
        QObject::connect(Client, &QModbusDevice::stateChanged, &Deadline,
                         [this](QModbusDevice::State state) {
                             if (state == QModbusDevice::ConnectedState)
                                 Send_Requests();
                         });
        // The client says only that the connection failed; its socket says why.
        if (auto *socket = Client->findChild<QAbstractSocket *>()) {
            QObject::connect(socket, &QAbstractSocket::errorOccurred, &Deadline,
                             [this, socket](QAbstractSocket::SocketError error) {
                                 Connection_Failed(error, socket->errorString());
                             });
        } else {
            QObject::connect(Client, &QModbusDevice::errorOccurred, &Deadline,
                             [this](QModbusDevice::Error error) {
                                 if (error == QModbusDevice::ConnectionError)
                                     Connection_Failed(QAbstractSocket::NetworkError,
                                                       Client->errorString());
                             });
        }
        Client->connectDevice();
    }

private:
    void Send_Requests() {
        Result.Connected = true;
        const QModbusRequest identification(QModbusRequest::EncapsulatedInterfaceTransport,
                                            quint8(0x0E), quint8(0x01), quint8(0x00));
        Watch(Client->sendRawRequest(identification, Result.Endpoint.Unit),
              [this](QModbusReply *reply) { Identification_Reply(reply); });
        const QModbusDataUnit unit(QModbusDataUnit::HoldingRegisters, int(Result.Endpoint.Register),
                                   1);
        Watch(Client->sendReadRequest(unit, Result.Endpoint.Unit),
              [this](QModbusReply *reply) { Register_Reply(reply); });
        if (Outstanding == 0 && !Done_Called())
            Give_Up();
    }

    template <typename Handler> void Watch(QModbusReply *reply, Handler handler) {
        if (!reply)
            return;
        ++Outstanding;
        // A reply finished at once is taken from the event loop, by when the look may have ended
        // and its client gone with the reply.
        const auto finished = [this, reply = QPointer<QModbusReply>(reply), handler,
                               session = Session] {
            if (!reply || session != Session)
                return;
            reply->deleteLater();
            --Outstanding;
            handler(reply);
            if (Outstanding == 0)
                Replies_Done();
        };
        if (reply->isFinished())
            QTimer::singleShot(0, &Deadline, finished);
        else
            QObject::connect(reply, &QModbusReply::finished, &Deadline, finished);
    }

    // The exception code of an exception reply, else 0.
    static int Exception_Of(const QModbusReply *reply) {
        return reply->error() == QModbusDevice::ProtocolError && reply->rawResult().isException()
                   ? int(reply->rawResult().exceptionCode())
                   : 0;
    }

    // Qt's client does not take Read Device Identification apart and calls its reply invalid;
    // the reply's PDU is there all the same.
    void Identification_Reply(QModbusReply *reply) {
        const QModbusResponse response = reply->rawResult();
        if (const int exception = Exception_Of(reply)) {
            Result.Identification_Exception = exception;
            Answered = true;
        } else if (response.isValid() &&
                   response.functionCode() == QModbusPdu::EncapsulatedInterfaceTransport) {
            Answered = true;
            const auto objects = QModbusDeviceIdentification::fromByteArray(response.data());
            Result.Identification = Device_Identification{
                Object_Text(objects, QModbusDeviceIdentification::VendorNameObjectId),
                Object_Text(objects, QModbusDeviceIdentification::ProductCodeObjectId),
                Object_Text(objects, QModbusDeviceIdentification::MajorMinorRevisionObjectId)};
        }
    }

    void Register_Reply(QModbusReply *reply) {
        if (const int exception = Exception_Of(reply)) {
            Result.Register_Exception = exception;
            Answered = true;
        } else if (reply->error() == QModbusDevice::NoError && reply->result().valueCount() == 1) {
            Answered = true;
            Result.Register_Value = reply->result().value(0);
        }
    }

    // Both requests are settled: answered, timed out, or aborted with the connection, whose
    // error then tells the rest.
    void Replies_Done() {
        if (Answered)
            Finish(Endpoint_State::Answers);
        else if (Client && Client->state() == QModbusDevice::ConnectedState)
            Finish(Endpoint_State::Silent);
    }

    void Connection_Failed(QAbstractSocket::SocketError error, const QString &reason) {
        if (Answered || Done_Called())
            return;
        Result.Reason = reason;
        switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
        case QAbstractSocket::RemoteHostClosedError:
            Finish(Endpoint_State::Refused);
            break;
        case QAbstractSocket::SocketTimeoutError:
            Finish(Endpoint_State::Silent);
            break;
        default:
            Finish(Endpoint_State::No_Route);
        }
    }

    void Give_Up() { Finish(Answered ? Endpoint_State::Answers : Give_Up_State); }

    bool Done_Called() const { return !Done; }

    void Finish(Endpoint_State state) {
        if (Done_Called())
            return;
        Deadline.stop();
        Drop_Client();
        Result.State = state;
        Result.Elapsed_Ms = Clock.elapsed();
        const Endpoint_Result result = Result;
        const Done_Function done = std::move(Done);
        Done = nullptr;
        done(result); // may delete this probe: nothing of it is touched after
    }

    // Cuts the client off from this probe and lets it go once its own signals have returned.
    void Drop_Client() {
        if (!Client)
            return;
        Client->disconnect(&Deadline);
        if (auto *socket = Client->findChild<QAbstractSocket *>())
            socket->disconnect(&Deadline);
        for (QModbusReply *reply : Client->findChildren<QModbusReply *>())
            reply->disconnect(&Deadline);
        Client->disconnectDevice();
        Client->deleteLater();
        Client = nullptr;
        ++Session;
        Answered = false;
    }

    QModbusTcpClient *Client = nullptr;
    QTimer Deadline;
    QElapsedTimer Clock;
    Endpoint_Result Result;
    Endpoint_State Give_Up_State = Endpoint_State::Silent;
    Done_Function Done;
    int Outstanding = 0;
    int Session = 0; // one more with every client let go
    bool Answered = false;
};

} // namespace

extern "C" Q_DECL_EXPORT Endpoint_Probe *cf20914_make_endpoint_probe() {
    return new Modbus_Tcp_Probe;
}
