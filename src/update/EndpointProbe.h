#pragma once

// What one look at a Modbus TCP endpoint asks and finds, and the interface of the module that
// looks. The module (cf20914_modbus) holds Qt's Modbus client and is loaded when the first
// check runs, so that the program starts without Qt Serial Bus and Qt Network.

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

struct Modbus_Endpoint {
    QString Address; // an IPv4 address in dotted decimal form
    quint16 Port = 502;
    int Unit = 1;         // the unit identifier of the requests
    quint16 Register = 0; // the holding register read: the configuration's register offset
};

enum class Endpoint_State {
    Answers,  // a Modbus reply came, an exception reply included
    Refused,  // the connection was refused
    Silent,   // no reply within the time limit
    No_Route, // the address cannot be reached from here, or is not an IPv4 address
    Closed,   // the connection was accepted, then closed before any reply
    Invalid   // a reply came that is not Modbus TCP for the request (Reason says why)
};

// The basic objects of Read Device Identification; a device may leave any of them empty.
struct Device_Identification {
    QString Vendor;
    QString Product;
    QString Revision;
};

struct Endpoint_Result {
    Modbus_Endpoint Endpoint;
    Endpoint_State State = Endpoint_State::Silent;
    // The TCP connection was made: a silent endpoint with a connection accepts and never replies.
    bool Connected = false;
    std::optional<Device_Identification> Identification;
    int Identification_Exception = 0; // the exception code of the identification request
    // The register read was answered, the identification request was not within its grace.
    bool Identification_Unanswered = false;
    std::optional<quint16> Register_Value;
    int Register_Exception = 0; // the exception code of the register read
    QString Reason;             // the socket's own words for a refusal or an unreachable address
    qint64 Elapsed_Ms = 0;      // from the start of the check to this result
    int Attempts = 1;           // looks taken, more than one while a device is awaited

    bool answers() const { return State == Endpoint_State::Answers; }
};

// One asynchronous look at one endpoint: TCP connect, Read Holding Registers (function 3, one
// register), then Read Device Identification (function 43, MEI type 14, basic objects), one
// after the other, as small gateways serve one request at a time. Done is called exactly once,
// from the event loop of the thread that called Start, at the latest timeout_ms after Start (and
// never before, unless the look is settled): the probe may be deleted inside it. Deleting a
// probe before that cancels the look without a call.
class Endpoint_Probe {
public:
    using Done_Function = std::function<void(const Endpoint_Result &)>;

    virtual ~Endpoint_Probe() = default;
    virtual void Start(const Modbus_Endpoint &endpoint, int timeout_ms, Done_Function done) = 0;
};

// A device that answers the register read is awaited this much longer for its identification.
inline constexpr int Identification_Grace_Ms = 250;

// The module's entry points: the interface it was built for, and a new probe, owned by the
// caller. A module whose interface text differs from the core's is not used: its types may
// differ. The text changes with every change of this header's types, and names the Qt version.
extern "C" {
using Make_Endpoint_Probe_Function = Endpoint_Probe *(*)();
using Endpoint_Probe_Interface_Function = const char *(*)();
}
inline constexpr char Make_Endpoint_Probe_Symbol[] = "cf20914_make_endpoint_probe";
inline constexpr char Endpoint_Probe_Interface_Symbol[] = "cf20914_endpoint_probe_interface";
inline constexpr char Endpoint_Probe_Interface[] = "cf20914 endpoint probe 2, Qt " QT_VERSION_STR;
inline constexpr char Modbus_Module_Name[] = "cf20914_modbus";
