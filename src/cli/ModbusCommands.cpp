// check and scan: does a device answer Modbus TCP, at a configuration's endpoints, at one
// address, or anywhere in a range.

#include "Cli.h"
#include "ProgramFolder.h"

#include "language/LangStrings.h"
#include "parameters/ParGen.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "update/ModbusCheck.h"

#include <QJsonArray>
#include <QJsonDocument>

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

int Run_Check(const QCommandLineParser &parser, const QStringList &args) {
    const bool by_address = parser.isSet(QStringLiteral("ip"));
    if (by_address == !args.isEmpty())
        throw Usage_Error{QStringLiteral("give either a configuration NAME or --ip ADDRESS")};
    Check_Options options;
    options.Timeout_Ms = Timeout_Of(parser, Check_Timeout_Ms);
    const int unit = Number_Option(parser, QStringLiteral("unit"), 1, 0, 255);
    QList<Modbus_Endpoint> endpoints;
    QStringList names;
    if (by_address) {
        const std::optional<QString> address = Decimal_IPv4(parser.value(QStringLiteral("ip")));
        if (!address)
            throw Usage_Error{QStringLiteral("--ip takes an IPv4 address of four decimal parts")};
        Fill_Default_Lang();
        endpoints << Modbus_Endpoint{*address, Port_Of(parser), unit, 0};
    } else {
        if (parser.isSet(QStringLiteral("port")))
            throw Usage_Error{QStringLiteral("--port goes with --ip; a configuration names its "
                                             "own ports")};
        Open_Program_Folder(parser);
        Open_Named_Configuration(args.at(0));
        endpoints = Configuration_Endpoints(Load_ParGen(App.ParGen_File), unit);
        names = Configuration_Endpoint_Names();
    }
    const QList<Endpoint_Result> results = Check_Endpoints(endpoints, options);
    Print_Check_Results(results, names, parser.isSet(QStringLiteral("json")));
    return All_Answer(results) ? 0 : Exit_Not_Answering;
}

int Run_Scan(const QCommandLineParser &parser, const QStringList &args) {
    Fill_Default_Lang();
    const quint16 port = Port_Of(parser);
    const int timeout = Timeout_Of(parser, Scan_Timeout_Ms);
    const Scan_Range range = Parse_Scan_Range(args.at(0));
    if (!range.Error.isEmpty())
        throw Usage_Error{range.Error};
    const QList<Endpoint_Result> found = Scan_Range_Now(range, port, timeout);
    Print_Check_Results(found, {}, parser.isSet(QStringLiteral("json")));
    return found.isEmpty() ? Exit_Not_Answering : 0;
}

} // namespace

void Print_Check_Results(const QList<Endpoint_Result> &results, const QStringList &names,
                         bool json) {
    if (json)
        Out() << QString::fromUtf8(QJsonDocument(Check_Results_Json(results, names))
                                       .toJson(QJsonDocument::Compact))
              << '\n';
    else
        for (const QString &line : Check_Result_Lines(results, names))
            Out() << line << '\n';
}

Command Check_Command() {
    return {QStringLiteral("check NAME|--ip ADDRESS [--port N] [--unit N] [--timeout MS] [--json] "
                           "[--program-dir DIR] [--language NAME]"),
            QStringLiteral(
                "Checks whether a device answers Modbus TCP at the two endpoints of "
                "configuration NAME (their addresses, ports and register offset), both at once, "
                "or at ADDRESS: connects, asks Read Device Identification and reads one holding "
                "register. Any Modbus reply, an exception included, counts as an answer. Prints "
                "one line per endpoint: answers (with vendor, product, revision and the register "
                "when given), refuses, silent or cannot be reached.\n"
                "Exit codes: 0 every endpoint answers; 2 usage or file errors; 6 an endpoint "
                "does not answer."),
            Program_Folder_Options() +
                QList<QCommandLineOption>{
                    {QStringLiteral("ip"), QStringLiteral("One address to check instead."),
                     QStringLiteral("ADDRESS")},
                    Port_Option(),
                    {QStringLiteral("unit"),
                     QStringLiteral("Unit identifier of the requests (default 1)."),
                     QStringLiteral("N")},
                    Timeout_Option(Check_Timeout_Ms),
                    Json_Option()},
            {QStringLiteral("[NAME]")},
            Run_Check};
}

Command Scan_Command() {
    return {QStringLiteral("scan CIDR [--port N] [--timeout MS] [--json]"),
            QStringLiteral("Lists the hosts of the IPv4 range CIDR (for example 192.168.0.0/24, "
                           "at most %1 hosts) that answer Modbus TCP, with their identification, "
                           "sorted by address; %2 hosts are asked at a time, and no other.\n"
                           "Exit codes: 0 a host answers; 2 usage errors; 6 none answers.")
                .arg(Scan_Host_Limit)
                .arg(Scan_Connections),
            {Port_Option(), Timeout_Option(Scan_Timeout_Ms), Json_Option()},
            {QStringLiteral("CIDR")},
            Run_Scan};
}
