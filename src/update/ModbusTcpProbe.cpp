// The module that looks at Modbus TCP endpoints over a TCP socket of Qt Network. It is loaded
// when the first check runs; of the core it holds only the frames of ModbusFrame.cpp.

#include "EndpointProbe.h"
#include "ModbusFrame.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr quint16 First_Transaction = 1;

class Modbus_Tcp_Probe final : public Endpoint_Probe {
public:
    Modbus_Tcp_Probe() {
        Deadline.setSingleShot(true);
        Deadline.setTimerType(Qt::PreciseTimer);
        Deadline.callOnTimeout([this] { Deadline_Due(); });
    }
    ~Modbus_Tcp_Probe() override { Drop_Socket(); }

    void Start(const Modbus_Endpoint &endpoint, int timeout_ms, Done_Function done) override {
        Drop_Socket();
        Result = Endpoint_Result{};
        Result.Endpoint = endpoint;
        Done = std::move(done);
        Clock.start();
        Ends_At_Ms = timeout_ms;
        Step = Asking::Register;
        Transaction = First_Transaction;
        Buffer.clear();

        const QHostAddress address(endpoint.Address);
        if (address.protocol() != QAbstractSocket::IPv4Protocol) {
            // An address text that is not IPv4 would go to a name resolver.
            Give_Up_State = Endpoint_State::No_Route;
            Ends_At_Ms = 0;
            Deadline.start(0);
            return;
        }
        Give_Up_State = Endpoint_State::Silent;
        Deadline.start(timeout_ms);

        Socket = new QTcpSocket;
        // A device on the local network is asked directly, never through a proxy.
        Socket->setProxy(QNetworkProxy::NoProxy);
        QObject::connect(Socket, &QTcpSocket::connected, &Deadline, [this] { Connected(); });
        QObject::connect(Socket, &QTcpSocket::readyRead, &Deadline, [this] { Read(); });
        QObject::connect(Socket, &QAbstractSocket::errorOccurred, &Deadline,
                         [this](QAbstractSocket::SocketError error) { Socket_Failed(error); });
        Socket->connectToHost(address, endpoint.Port);
    }

private:
    enum class Asking { Register, Identification };

    // Qt's timers may fire a little early: the limit is kept by this probe's own clock.
    void Deadline_Due() {
        const qint64 left = Ends_At_Ms - Clock.elapsed();
        if (left > 0) {
            Deadline.start(int(left));
            return;
        }
        if (Step == Asking::Identification)
            Result.Identification_Unanswered = true;
        Finish(Step == Asking::Identification ? Endpoint_State::Answers : Give_Up_State);
    }

    void Connected() {
        Result.Connected = true;
        Send(Register_Read_Pdu(Result.Endpoint.Register));
    }

    void Send(const QByteArray &pdu) {
        Socket->write(Modbus_Request(Transaction, quint8(Result.Endpoint.Unit), pdu));
    }

    void Read() {
        Buffer += Socket->readAll();
        while (!Done_Called()) {
            const quint8 function =
                Step == Asking::Register ? Read_Holding_Registers : Encapsulated_Interface;
            const Modbus_Reply reply = Take_Reply(Buffer, Transaction, First_Transaction,
                                                  quint8(Result.Endpoint.Unit), function);
            switch (reply.What) {
            case Modbus_Reply::Kind::Incomplete:
                return;
            case Modbus_Reply::Kind::Invalid:
                Not_Modbus(reply.Problem);
                return;
            case Modbus_Reply::Kind::Stale:
                break;
            case Modbus_Reply::Kind::Reply:
                if (Step == Asking::Register)
                    Register_Answered(reply.Pdu);
                else
                    Identification_Answered(reply.Pdu);
                break;
            }
            Buffer.remove(0, reply.Length);
        }
    }

    void Register_Answered(const QByteArray &pdu) {
        if (const int exception = Exception_Code(pdu)) {
            Result.Register_Exception = exception;
        } else {
            const Register_Reply reply = Read_Register_Reply(pdu);
            if (!reply.Value)
                return Not_Modbus(reply.Problem);
            Result.Register_Value = reply.Value;
        }
        Step = Asking::Identification;
        ++Transaction;
        Send(Identification_Pdu());
        // A device that ignores identification is not awaited to the end of the limit.
        Ends_At_Ms = qMin(Ends_At_Ms, Clock.elapsed() + Identification_Grace_Ms);
        Deadline.start(int(qMax(qint64(0), Ends_At_Ms - Clock.elapsed())));
    }

    void Identification_Answered(const QByteArray &pdu) {
        if (const int exception = Exception_Code(pdu)) {
            Result.Identification_Exception = exception;
        } else {
            const Identification_Reply reply = Read_Identification_Reply(pdu);
            if (!reply.Problem.isEmpty())
                return Not_Modbus(reply.Problem);
            Result.Identification = reply.Identification;
        }
        Finish(Endpoint_State::Answers);
    }

    void Not_Modbus(const QString &problem) {
        Result.Reason = problem;
        Result.Register_Value.reset();
        Result.Register_Exception = 0;
        Finish(Endpoint_State::Invalid);
    }

    void Socket_Failed(QAbstractSocket::SocketError error) {
        if (Done_Called())
            return;
        if (Step == Asking::Identification) {
            // The register read was answered: the device answers, whatever it does next.
            Result.Identification_Unanswered = true;
            return Finish(Endpoint_State::Answers);
        }
        Result.Reason = Socket->errorString();
        switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return Finish(Endpoint_State::Refused);
        case QAbstractSocket::RemoteHostClosedError:
            return Finish(Endpoint_State::Closed);
        case QAbstractSocket::SocketTimeoutError:
            return Finish(Endpoint_State::Silent);
        default:
            return Finish(Result.Connected ? Endpoint_State::Closed : Endpoint_State::No_Route);
        }
    }

    bool Done_Called() const { return !Done; }

    void Finish(Endpoint_State state) {
        if (Done_Called())
            return;
        Deadline.stop();
        Drop_Socket();
        Result.State = state;
        Result.Elapsed_Ms = Clock.elapsed();
        const Endpoint_Result result = Result;
        const Done_Function done = std::move(Done);
        Done = nullptr;
        done(result); // may delete this probe: nothing of it is touched after
    }

    // Cuts the socket off from this probe and lets it go once its own signals have returned.
    void Drop_Socket() {
        if (!Socket)
            return;
        Socket->disconnect(&Deadline);
        Socket->abort();
        Socket->deleteLater();
        Socket = nullptr;
    }

    QTcpSocket *Socket = nullptr;
    QTimer Deadline;
    QElapsedTimer Clock;
    qint64 Ends_At_Ms = 0; // on Clock
    Endpoint_Result Result;
    Endpoint_State Give_Up_State = Endpoint_State::Silent;
    Done_Function Done;
    QByteArray Buffer;
    Asking Step = Asking::Register;
    quint16 Transaction = First_Transaction;
};

} // namespace

extern "C" Q_DECL_EXPORT const char *cf20914_endpoint_probe_interface() {
    return Endpoint_Probe_Interface;
}

extern "C" Q_DECL_EXPORT Endpoint_Probe *cf20914_make_endpoint_probe() {
    return new Modbus_Tcp_Probe;
}
