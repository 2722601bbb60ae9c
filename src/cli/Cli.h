#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <map>

QTextStream &Out();
QTextStream &Err();

// A usage error or input that cannot be read: one line on stderr, exit code 2.
struct Usage_Error {
    QString Message;
};

struct Command {
    QString Synopsis;
    QString Description;
    QList<QCommandLineOption> Options;
    // Names of the positional arguments. A last name in brackets may be left out ("[NAME]"). A
    // last name ending in "..." takes any number of further arguments: none or more when it is
    // in brackets ("[KEY...]"), else at least one.
    QStringList Positional;
    std::function<int(const QCommandLineParser &, const QStringList &)> Run;
};

using Command_Table = std::map<QString, Command>;

// The text as a JSON string, quotes included.
QString Json_String(const QString &text);

// The exit code of check, scan and update --verify when a device does not answer.
inline constexpr int Exit_Not_Answering = 6;

// The results of a device check on stdout: one line per endpoint, "name: " and its summary
// (the name where names has one), or with json one JSON array of the results, each with its
// name and summary.
struct Endpoint_Result;
void Print_Check_Results(const QList<Endpoint_Result> &results, const QStringList &names,
                         bool json);

// text as a whole number within lowest..highest; a usage error naming what for anything else.
int Whole_Number(const QString &text, const QString &what, int lowest, int highest);

// A command's change of a configuration found it held by another change all the while.
inline constexpr int Exit_Configuration_Busy = 5;

// The whole number given with --name, within lowest..highest; fallback when it is not given.
// A usage error for anything else.
int Number_Option(const QCommandLineParser &parser, const QString &name, int fallback, int lowest,
                  int highest);

// True when count positional arguments fit the command's names.
bool Positional_Fits(const Command &command, int count);

// table with list, new, get and set added.
Command_Table With_Configuration_Commands(Command_Table table);

// table with copy, rename, delete, export and import added.
Command_Table With_Manage_Commands(Command_Table table);

// The commands of a file each: update, history and unlock (UpdateCommand.cpp), check and scan
// (ModbusCommands.cpp), provision (ProvisionCommand.cpp).
Command Update_Command();
Command History_Command();
Command Unlock_Command();
Command Check_Command();
Command Scan_Command();
Command Provision_Command();

// The update dialog's probe of host. Between looks it sleeps, as there is no window to keep
// painting. Error says why the probe could not run when it is neither reachable nor silent.
struct Probe_Answer {
    bool Reachable = false;
    bool Silent = false;
    bool Permission_Missing = false;
    QString Error;
};
Probe_Answer Probe_Device(const QString &host);
