// check and scan: does a device answer Modbus TCP, at a configuration's endpoints, at one
// address, or anywhere in a range.

#include "Cli.h"
#include "ProgramFolder.h"

#include "language/LangStrings.h"
#include "parameters/ParGen.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "update/ModbusCheck.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace {

constexpr int Check_Timeout_Ms = 2000;
constexpr int Scan_Timeout_Ms = 500;
constexpr int Longest_Timeout_Ms = 600000;

QCommandLineOption Json_Option() {
    return {QStringLiteral("json"), QStringLiteral("One JSON array instead of lines.")};
}

QCommandLineOption Timeout_Option(int default_ms) {
    return {
        QStringLiteral("timeout"),
        QStringLiteral("Longest wait for an answer, in milliseconds (default %1).").arg(default_ms),
        QStringLiteral("MS")};
}

QCommandLineOption Port_Option() {
    return {QStringLiteral("port"), QStringLiteral("TCP port (default 502)."), QStringLiteral("N")};
}

quint16 Port_Of(const QCommandLineParser &parser) {
    return quint16(Number_Option(parser, QStringLiteral("port"), 502, 1, 65535));
}

int Timeout_Of(const QCommandLineParser &parser, int default_ms) {
    return Number_Option(parser, QStringLiteral("timeout"), default_ms, 10, Longest_Timeout_Ms);
}

QCommandLineOption Unit_Option() {
    return {QStringLiteral("unit"), QStringLiteral("Unit identifier of the requests (default 1)."),
            QStringLiteral("N")};
}

int Unit_Of(const QCommandLineParser &parser) {
    return Number_Option(parser, QStringLiteral("unit"), 1, 0, 255);
}

// The address of --ip, refused when it is not four decimal parts or names no device.
QString Device_Address_Option(const QCommandLineParser &parser) {
    const std::optional<QString> address = Decimal_IPv4(parser.value(QStringLiteral("ip")));
    if (!address)
        throw Usage_Error{QStringLiteral("--ip takes an IPv4 address of four decimal parts")};
    if (const std::optional<QString> refusal = Device_Address_Refusal(*address))
        throw Usage_Error{*refusal};
    return *address;
}

int Run_Check(const QCommandLineParser &parser, const QStringList &args) {
    const bool by_address = parser.isSet(QStringLiteral("ip"));
    if (by_address == !args.isEmpty())
        throw Usage_Error{QStringLiteral("give either a configuration NAME or --ip ADDRESS")};
    Check_Options options;
    options.Timeout_Ms = Timeout_Of(parser, Check_Timeout_Ms);
    options.Retry_For_Ms =
        Number_Option(parser, QStringLiteral("until"), 0, 1, Longest_Timeout_Ms / 1000) * 1000;
    const int unit = Unit_Of(parser);
    const bool json = parser.isSet(QStringLiteral("json"));
    QList<Modbus_Endpoint> endpoints;
    QStringList names;
    if (by_address) {
        Fill_Default_Lang();
        const QString address = Device_Address_Option(parser);
        const int register_address = Number_Option(parser, QStringLiteral("register"), 0, 0, 65535);
        endpoints << Modbus_Endpoint{address, Port_Of(parser), unit, quint16(register_address)};
    } else {
        for (const QString &option : {QStringLiteral("port"), QStringLiteral("register")})
            if (parser.isSet(option))
                throw Usage_Error{QStringLiteral("--%1 goes with --ip; a configuration names its "
                                                 "own ports and register offset")
                                      .arg(option)};
        Open_Program_Folder(parser);
        Open_Named_Configuration(args.at(0));
        endpoints = Configuration_Endpoints(Load_ParGen(App.ParGen_File), unit);
        names = Configuration_Endpoint_Names();
    }
    // With --until, one line per look, as each ends, while the device is awaited.
    const bool each_look = options.Retry_For_Ms > 0 && !json;
    const QList<Endpoint_Result> results = Check_Endpoints(
        endpoints, options, QEventLoop::AllEvents,
        [each_look, &names](int index, const Endpoint_Result &result) {
            if (each_look)
                Out() << QStringLiteral("[%1 s] ").arg(result.Elapsed_Ms / 1000.0, 0, 'f', 1)
                      << Check_Result_Lines({result}, names.mid(index, 1)).value(0) << Qt::endl;
        });
    if (options.Retry_For_Ms == 0 || json)
        Print_Check_Results(results, names, json);
    return All_Answer(results) ? 0 : Exit_Not_Answering;
}

int Run_Scan(const QCommandLineParser &parser, const QStringList &args) {
    Fill_Default_Lang();
    const quint16 port = Port_Of(parser);
    const int timeout = Timeout_Of(parser, Scan_Timeout_Ms);
    const int unit = Unit_Of(parser);
    const Scan_Range range = Parse_Scan_Range(args.at(0));
    if (!range.Error.isEmpty())
        throw Usage_Error{range.Error};
    const QList<Endpoint_Result> found = Scan_Range_Now(range, port, timeout, unit);
    Print_Check_Results(found, {}, parser.isSet(QStringLiteral("json")));
    return std::any_of(found.begin(), found.end(),
                       [](const Endpoint_Result &host) { return host.answers(); })
               ? 0
               : Exit_Not_Answering;
}

} // namespace

void Print_Check_Results(const QList<Endpoint_Result> &results, const QStringList &names,
                         bool json) {
    if (json)
        Out() << Escape_Json_Controls(
                     QString::fromUtf8(QJsonDocument(Check_Results_Json(results, names))
                                           .toJson(QJsonDocument::Compact)))
              << '\n';
    else
        for (const QString &line : Check_Result_Lines(results, names))
            Out() << line << '\n';
}

Command Check_Command() {
    return {QStringLiteral("check NAME|--ip ADDRESS [--port N] [--register N] [--unit N] "
                           "[--timeout MS] [--until SECONDS] [--json] [--program-dir DIR] "
                           "[--language NAME]"),
            QStringLiteral(
                "Checks whether a device answers Modbus TCP at the two endpoints of "
                "configuration NAME (their addresses, ports and register offset), both at once, "
                "or at ADDRESS: connects, reads one holding register, then asks Read Device "
                "Identification. Any Modbus reply to the request, an exception included, counts "
                "as an answer; a reply that does not fit the request does not. Prints one line "
                "per endpoint: answers (with vendor, product, revision and the register when "
                "given), refuses the connection, closes it without a reply, sends a reply that "
                "is not Modbus TCP, silent or cannot be reached. With --until, looks again once "
                "a second until every endpoint answers or SECONDS have passed, with a line per "
                "look. 0.0.0.0, 255.255.255.255 and multicast addresses are refused.\n"
                "Exit codes: 0 every endpoint answers; 2 usage or file errors; 6 an endpoint "
                "does not answer."),
            Program_Folder_Options() +
                QList<QCommandLineOption>{
                    {QStringLiteral("ip"), QStringLiteral("One address to check instead."),
                     QStringLiteral("ADDRESS")},
                    Port_Option(),
                    {QStringLiteral("register"),
                     QStringLiteral("With --ip: the holding register to read (default 0)."),
                     QStringLiteral("N")},
                    Unit_Option(),
                    Timeout_Option(Check_Timeout_Ms),
                    {QStringLiteral("until"),
                     QStringLiteral("Look again until every endpoint answers, at most SECONDS."),
                     QStringLiteral("SECONDS")},
                    Json_Option()},
            {QStringLiteral("[NAME]")},
            Run_Check};
}

Command Scan_Command() {
    return {QStringLiteral("scan CIDR [--port N] [--unit N] [--timeout MS] [--json]"),
            QStringLiteral("Lists the hosts of the IPv4 range CIDR (for example 192.168.0.0/24, "
                           "at most %1 hosts) that answer Modbus TCP, with their identification, "
                           "and those that accept a connection but send no Modbus reply, sorted "
                           "by address; %2 hosts are asked at a time, and no other.\n"
                           "Exit codes: 0 a host answers; 2 usage errors; 6 none answers.")
                .arg(Scan_Host_Limit)
                .arg(Scan_Connections),
            {Port_Option(), Unit_Option(), Timeout_Option(Scan_Timeout_Ms), Json_Option()},
            {QStringLiteral("CIDR")},
            Run_Scan};
}
