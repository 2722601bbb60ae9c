#pragma once

// Does a device answer Modbus TCP? The two endpoints of a configuration checked at once, with
// retries while a device restarts, and the search of an IPv4 range. Everything runs on the
// event loop of the calling thread: nothing here blocks it.

#include "EndpointProbe.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct ParGen_Params;

// A new probe from the Modbus module, which is loaded on first use from the program's folder
// (or the file named by Set_Modbus_Module_File). Throws Core_Error with the loader's reason when
// the module cannot be loaded.
std::unique_ptr<Endpoint_Probe> Make_Endpoint_Probe();

// Where the module is loaded from, for programs that do not lie beside it (tests, benchmarks).
void Set_Modbus_Module_File(const QString &path);

// Where probes come from instead of the module, for tests; an empty factory restores the module.
using Endpoint_Probe_Factory = std::function<std::unique_ptr<Endpoint_Probe>()>;
void Set_Endpoint_Probe_Factory(Endpoint_Probe_Factory factory);

// How long after its limit a check whose look has not ended gives it up.
inline constexpr int Overall_Margin_Ms = 500;

// The two endpoints of a configuration: addresses, ports and the register offset as the
// parameter file holds them. An address that is not four decimal parts of 0..255 is kept as it
// is typed, and its check reports it as unreachable.
QList<Modbus_Endpoint> Configuration_Endpoints(const ParGen_Params &params, int unit = 1);

// Their names in the language of the texts: "Modbus TCP Slave", "Modbus TCP Slave 2".
QStringList Configuration_Endpoint_Names();

struct Check_Options {
    int Timeout_Ms = 1000; // the longest wait of one look at an endpoint
    // An endpoint that does not answer is looked at again until this long after the start:
    // 0 looks once.
    int Retry_For_Ms = 0;
    int Pause_Ms = 1000; // the least time from the start of one look to the start of the next
};

// Checks endpoints, all at once. Finished comes once every endpoint has answered or has run
// out of time, at the latest Overall_Margin_Ms after the longer of the look's limit and the
// retry time, whatever the probes do; each endpoint's result is that of its last look. A slot of
// its signals must not delete the check (deleteLater does).
class Device_Check : public QObject {
    Q_OBJECT

public:
    explicit Device_Check(QObject *parent = nullptr);
    ~Device_Check() override;

    // Throws Core_Error when the Modbus module cannot be loaded; nothing has started then.
    void Start(const QList<Modbus_Endpoint> &endpoints, const Check_Options &options);
    bool Running() const { return Pending > 0; }
    const QList<Endpoint_Result> &Results() const { return Last_Results; }

signals:
    // After every look, also those that are followed by another.
    void Look_Finished(int index, const Endpoint_Result &result);
    void Finished(const QList<Endpoint_Result> &results);

private:
    struct Watch;
    void Look(int index);
    void Look_Done(int index, const Endpoint_Result &result);
    void Overall_Due();

    std::vector<std::unique_ptr<Watch>> Watches;
    QList<Endpoint_Result> Last_Results;
    Check_Options Options;
    QElapsedTimer Started;
    QTimer Overall;
    int Pending = 0;
};

// Checks endpoints and returns their results, running a local event loop with flags meanwhile
// (QEventLoop::ExcludeUserInputEvents keeps windows painting while input waits). Throws
// Core_Error as Device_Check::Start does. look, when given, runs after every look (see
// Device_Check::Look_Finished).
QList<Endpoint_Result>
Check_Endpoints(const QList<Modbus_Endpoint> &endpoints, const Check_Options &options,
                QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents,
                const std::function<void(int index, const Endpoint_Result &)> &look = {});

bool All_Answer(const QList<Endpoint_Result> &results);

// The check after an update: every look waits at most 2 s, one look a second, and a device that
// does not answer yet is awaited wait_ms in all while it restarts.
Check_Options After_Update_Check(int wait_ms);

// "address:port".
QString Endpoint_Text(const Modbus_Endpoint &endpoint);

// "11 (gateway target did not respond)": an exception code with its name where it has one.
QString Exception_Text(int code);

// The index of the text that says why an IPv4 address names no device: 0.0.0.0/8 (this
// computer or its network), 255.255.255.255 (broadcast), 224.0.0.0 and above (multicast and
// reserved); nullopt for any other address, loopback included, and for a text that is not an
// address.
std::optional<int> Device_Address_Problem(const QString &address);

// The message that refuses to check, update or search such an address; nullopt for others.
std::optional<QString> Device_Address_Refusal(const QString &address);

// One line in the language of the texts: whether the endpoint answers and what it said (vendor,
// product and revision when given, the register value or exception), or why it does not.
// Text from the device or the system is escaped (Escape_Controls).
QString Endpoint_Summary(const Endpoint_Result &result);

// The result as a JSON object: address, port, unit, register, state ("answers", "refused",
// "silent", "no route"), connected, the identification, register value or exceptions when
// given, reason, elapsed_ms, attempts.
QJsonObject Endpoint_Json(const Endpoint_Result &result);

// Results a line each, "name: summary" where names gives the endpoint a name.
QStringList Check_Result_Lines(const QList<Endpoint_Result> &results, const QStringList &names);

// Results as a JSON array: Endpoint_Json with the endpoint's name where names gives one, and
// its summary line.
QJsonArray Check_Results_Json(const QList<Endpoint_Result> &results, const QStringList &names);

// --- Search of a range ----------------------------------------------------------------------

inline constexpr int Scan_Host_Limit = 1024;
inline constexpr int Scan_Connections = 64; // looks running at one time

// The host addresses of an IPv4 range: a /31 or /32 holds its addresses, a larger one all but
// its network and broadcast addresses.
struct Scan_Range {
    quint32 First = 0; // host order
    int Count = 0;
    QString Error; // in the language of the texts; the range is empty when it is set
};

// Reads "A.B.C.D/N", or one address "A.B.C.D". A range of more than Scan_Host_Limit hosts, or
// of addresses that name no device (Device_Address_Problem), is refused.
Scan_Range Parse_Scan_Range(const QString &text);

// "A.B.C.D/24" for the address in text (the search dialog's first proposal); empty when text is
// not an address.
QString Range_Around(const QString &address);

// Looks at every host of a range, Scan_Connections at a time, and keeps those that answer and
// those that accept a connection without a Modbus answer. A slot of its signals may call Stop
// but must not delete the scan (deleteLater does).
class Range_Scan : public QObject {
    Q_OBJECT

public:
    explicit Range_Scan(QObject *parent = nullptr);
    ~Range_Scan() override;

    // Throws Core_Error when the Modbus module cannot be loaded; nothing has started then.
    void Start(const Scan_Range &range, quint16 port, int timeout_ms, int unit = 1);
    // Stops looking; Finished comes with the hosts found so far.
    void Stop();
    bool Running() const { return Running_Probes > 0; }

signals:
    void Progress(int looked_at, int total);
    void Finished(const QList<Endpoint_Result> &found); // sorted by address

private:
    void Next(Endpoint_Probe *probe);
    void Conclude();

    std::vector<std::unique_ptr<Endpoint_Probe>> Probes;
    QList<Endpoint_Result> Found;
    Scan_Range Range;
    quint16 Port = 502;
    int Timeout_Ms = 1000;
    int Unit = 1;
    int Next_Host = 0;
    int Looked_At = 0;
    int Running_Probes = 0;
};

// Scans and returns what it found, running a local event loop with flags meanwhile.
QList<Endpoint_Result> Scan_Range_Now(const Scan_Range &range, quint16 port, int timeout_ms,
                                      int unit = 1,
                                      QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
