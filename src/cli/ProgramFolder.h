#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

struct ParGen_Params;

// --program-dir and --language, which every command on a program folder takes.
QList<QCommandLineOption> Program_Folder_Options();

// Starts the core on the program folder as the program starts: the folder of this executable
// or --program-dir, its settings and the language they name, or --language for this run. The
// settings file is only read: what it remembers belongs to the windows.
void Open_Program_Folder(const QCommandLineParser &parser);

// Makes the configuration name of the program folder the active one, as the open dialog does.
// A usage error when there is no such configuration.
void Open_Named_Configuration(const QString &name);

// Writes "cf20914-cli: " and message as one line on stderr; the exit code of a refusal, 1.
int Refuse(const QString &message);

// Refuses name with the create dialog's message for result, naming the configuration whose name
// differs from it only in case when that is the reason; the exit code of a refusal, 1.
enum Create_Result : int;
int Refused_Name(Create_Result result, const QString &name);

// Why set refuses value for key: longer than a field of the dialog takes, or a switch value
// other than 1 or 0; nullopt when it takes it.
struct ParGen_Key;
std::optional<QString> Value_Refusal(const ParGen_Key &key, const QString &value);

// Checks params as Set Communication does before it saves them into configuration name: a
// failing rule refuses with its message; each network warning goes to stderr, and refuses too
// when strict. 0 when they may be saved, else the exit code of the refusal, 1.
int Check_Parameters(const ParGen_Params &params, const QString &name, bool strict);

// Takes the lock of the configuration in dir for the span of a command's change, so that
// changes at once take turns. Null, after saying what holds it, when another change kept it
// for Configuration_Lock::Wait_Ms. A wait for a running update is said on stderr.
class Configuration_Lock;
std::unique_ptr<Configuration_Lock> Hold_Configuration(const QString &dir);
