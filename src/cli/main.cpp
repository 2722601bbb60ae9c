// cf20914-cli: the configurator's core for scripted work, one command per call.

#include "Cli.h"
#include "ProgramFolder.h"

#include "image/Bank.h"
#include "image/BankReport.h"
#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "options/VersionCheck.h"
#include "parameters/NetworkWarnings.h"
#include "parameters/ParGen.h"
#include "parameters/Validation.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "update/JobFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <map>

namespace {

QCommandLineOption Language_Dir_Option() {
    return {QStringLiteral("language-dir"), QStringLiteral("Folder of the language files."),
            QStringLiteral("DIR")};
}

QCommandLineOption Language_Option() {
    return {QStringLiteral("language"), QStringLiteral("Language name (default English)."),
            QStringLiteral("NAME")};
}

// Loads the texts of the chosen language as the program does at start-up.
void Load_Chosen_Language(const QCommandLineParser &parser) {
    App.Language_Dir = parser.isSet(QStringLiteral("language-dir"))
                           ? Native_Folder(parser.value(QStringLiteral("language-dir")))
                           : Join_Path(Native_Folder(QCoreApplication::applicationDirPath()),
                                       Language_Folder_Name);
    if (parser.isSet(QStringLiteral("language")))
        App.Language_Name = parser.value(QStringLiteral("language"));
    Load_Language();
}

// A parameter file that is missing gives the defaults; a script must hear of it all the same.
void Warn_If_Missing(const QString &par_gen, const char *consequence) {
    if (!QFileInfo::exists(par_gen))
        Err() << "warning: " << Escape_Controls(par_gen) << " does not exist; " << consequence
              << '\n';
}

int Run_Validate(const QCommandLineParser &parser, const QStringList &args) {
    Warn_If_Missing(args.at(0), "checking the default parameters");
    const ParGen_Params params = Load_ParGen(args.at(0));
    Load_Chosen_Language(parser);
    const auto failed = First_Failed_Rule(params);
    Out() << (failed ? Escape_Controls(Lang_Strings.at(*failed)) : QStringLiteral("OK")) << '\n';
    if (failed)
        return 1;
    const bool strict = parser.isSet(QStringLiteral("strict"));
    const QStringList warnings = Network_Warnings(params, {});
    for (const QString &warning : warnings)
        Err() << "cf20914-cli: " << (strict ? "" : "warning: ") << Escape_Controls(warning) << '\n';
    return strict && !warnings.isEmpty() ? 1 : 0;
}

int Run_Compile(const QCommandLineParser &, const QStringList &args) {
    App.ParGen_File = args.at(0);
    Warn_If_Missing(App.ParGen_File, "writing the cleared image");
    Compile_Bank();
    // The image is compiled as Update Device compiles it; the dialog would have refused such a
    // file, so say which rule it breaks.
    Fill_Default_Lang();
    if (const auto failed = First_Failed_Rule(Load_ParGen(App.ParGen_File)))
        Err() << "warning: " << Escape_Controls(Lang_Strings.at(*failed)) << '\n';
    Write_Bank_File(args.at(1));
    return 0;
}

int Run_Show(const QCommandLineParser &, const QStringList &args) {
    const Bank_Report report = Describe_Bank(Read_Input_File(args.at(0), Bank_Read_Limit));
    Out() << report.Text;
    if (report.Problem.isEmpty())
        return 0;
    Err() << report.Problem << '\n';
    return 1;
}

int Run_Job(const QCommandLineParser &parser, const QStringList &args) {
    for (const char *required : {"ip", "option", "master", "config"}) {
        if (!parser.isSet(QLatin1String(required)))
            throw Usage_Error{QStringLiteral("--%1 is required").arg(QLatin1String(required))};
    }
    bool number = false;
    Update_Job job;
    job.Option = parser.value(QStringLiteral("option")).toInt(&number);
    if (!number || job.Option < Update_Firmware_And_Configuration ||
        job.Option > Update_Configuration)
        throw Usage_Error{QStringLiteral("--option takes 0, 1 or 2")};
    job.IP_Address = parser.value(QStringLiteral("ip"));
    job.Read_Back = !parser.isSet(QStringLiteral("no-read-back"));
    job.Master_Dir = Native_Folder(parser.value(QStringLiteral("master")));
    job.Proj_Dir = Native_Folder(parser.value(QStringLiteral("config")));
    Write_Update_Job(job, args.at(0));
    return 0;
}

int Run_Texts(const QCommandLineParser &parser, const QStringList &) {
    Load_Chosen_Language(parser);
    for (int index = 0; index < Lang_Strings.size(); ++index) {
        Out() << index << '\t' << Json_String(Lang_Strings.at(index)) << '\n';
    }
    Err() << Escape_Controls(App.Language_Name) << '\n';
    return 0;
}

int Run_Check_Version(const QCommandLineParser &parser, const QStringList &) {
    const Version_Answer answer = parser.isSet(QStringLiteral("url"))
                                      ? Ask_Version(parser.value(QStringLiteral("url")))
                                      : Ask_Version();
    Out() << (answer.Newer ? "newer" : "not newer") << '\n';
    if (!answer.Reason.isEmpty())
        Err() << "cf20914-cli: the check failed: " << Escape_Controls(answer.Reason) << '\n';
    return answer.Newer ? 0 : 1;
}

// The probe of the update dialog: 0 reachable, 1 silent, 2 when the ICMP layer failed.
int Run_Probe(const QCommandLineParser &, const QStringList &args) {
    const Probe_Answer answer = Probe_Device(args.at(0));
    if (answer.Reachable) {
        Out() << "reachable\n";
        return 0;
    }
    if (answer.Silent) {
        Out() << "silent\n";
        return 1;
    }
    throw Usage_Error{answer.Error};
}

const Command_Table &Commands() {
    static const Command_Table commands = With_Manage_Commands(With_Configuration_Commands({
        {QStringLiteral("validate"),
         {QStringLiteral("validate PARGEN_XML [--strict] [--language-dir DIR] [--language NAME]"),
          QStringLiteral(
              "Checks a parameter file by the rules of the communication settings "
              "dialog: prints OK (exit 0) or the first failing rule's message (exit 1). When "
              "the rules pass, values that may not work on a network are named on stderr, a "
              "warning a line; they change the exit code only with --strict (exit 1)."),
          {Language_Dir_Option(),
           Language_Option(),
           {QStringLiteral("strict"), QStringLiteral("Network warnings make the exit code 1.")}},
          {QStringLiteral("PARGEN_XML")},
          Run_Validate}},
        {QStringLiteral("compile"),
         {QStringLiteral("compile PARGEN_XML OUT_BIN"),
          QStringLiteral("Compiles a parameter file into the 2048-byte configuration image."),
          {},
          {QStringLiteral("PARGEN_XML"), QStringLiteral("OUT_BIN")},
          Run_Compile}},
        {QStringLiteral("show"),
         {QStringLiteral("show IMAGE_BIN"),
          QStringLiteral("Decodes a configuration image; exit 0 when its size and checksum "
                         "are right, else 1."),
          {},
          {QStringLiteral("IMAGE_BIN")},
          Run_Show}},
        {QStringLiteral("job"),
         {QStringLiteral("job --ip TEXT --option N [--no-read-back] --master DIR --config DIR "
                         "OUT_XML"),
          QStringLiteral("Writes the update job file (option 0 firmware and configuration, "
                         "1 firmware, 2 configuration)."),
          {{QStringLiteral("ip"), QStringLiteral("Device address, as typed."),
            QStringLiteral("TEXT")},
           {QStringLiteral("option"), QStringLiteral("Update option."), QStringLiteral("N")},
           {QStringLiteral("no-read-back"), QStringLiteral("The device does not read back.")},
           {QStringLiteral("master"), QStringLiteral("Folder of the firmware file."),
            QStringLiteral("DIR")},
           {QStringLiteral("config"), QStringLiteral("Folder of the configuration."),
            QStringLiteral("DIR")}},
          {QStringLiteral("OUT_XML")},
          Run_Job}},
        {QStringLiteral("texts"),
         {QStringLiteral("texts [--language-dir DIR] [--language NAME]"),
          QStringLiteral("Prints the 900 UI texts of a language: index, tab, JSON string. The "
                         "language in effect goes to stderr."),
          {Language_Dir_Option(), Language_Option()},
          {},
          Run_Texts}},
        {QStringLiteral("probe"),
         {QStringLiteral("probe HOST"),
          QStringLiteral("Probes HOST with ICMP echo as the update dialog does: prints "
                         "reachable (exit 0) or silent (exit 1); exit 2 with the reason when "
                         "the probe cannot run."),
          {},
          {QStringLiteral("HOST")},
          Run_Probe}},
        {QStringLiteral("check-version"),
         {QStringLiteral("check-version [--url BASE]"),
          QStringLiteral("Asks the version service whether a newer configurator exists: "
                         "prints newer (exit 0) or not newer (exit 1)."),
          {{QStringLiteral("url"), QStringLiteral("Base address of the web server."),
            QStringLiteral("BASE")}},
          {},
          Run_Check_Version}},
        {QStringLiteral("update"), Update_Command()},
        {QStringLiteral("history"), History_Command()},
        {QStringLiteral("unlock"), Unlock_Command()},
        {QStringLiteral("check"), Check_Command()},
        {QStringLiteral("scan"), Scan_Command()},
        {QStringLiteral("provision"), Provision_Command()},
    }));
    return commands;
}

QString Overview() {
    QString text = QStringLiteral("Usage: cf20914-cli COMMAND [ARGS]\n\nCommands:\n");
    for (const auto &[name, command] : Commands())
        text += QStringLiteral("  ") + command.Synopsis + QLatin1Char('\n');
    return text + QStringLiteral("\nEach command takes --help.\n");
}

int Run(const QStringList &arguments) {
    if (arguments.size() < 2)
        throw Usage_Error{QStringLiteral("no command given; try cf20914-cli --help")};
    const QString name = arguments.at(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        Out() << Overview();
        return 0;
    }
    const auto found = Commands().find(name);
    if (found == Commands().end())
        throw Usage_Error{QStringLiteral("unknown command '%1'; try cf20914-cli --help").arg(name)};
    const Command &command = found->second;

    QCommandLineParser parser;
    parser.setApplicationDescription(command.Description);
    parser.addOptions(command.Options);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    parser.addOption(help);
    for (const QString &argument : command.Positional)
        parser.addPositionalArgument(argument, QString());
    QStringList command_line = arguments.mid(1);
    command_line[0] = QStringLiteral("cf20914-cli ") + name;
    if (!parser.parse(command_line))
        throw Usage_Error{name + QStringLiteral(": ") + parser.errorText()};
    if (parser.isSet(help)) {
        Out() << "Usage: cf20914-cli " << command.Synopsis << "\n\n" << command.Description << '\n';
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (!Positional_Fits(command, int(positional.size())))
        throw Usage_Error{QStringLiteral("usage: cf20914-cli ") + command.Synopsis};
    return command.Run(parser, positional);
}

// The arguments as file names. Qt turns bytes that its file-name encoding cannot decode into
// U+FFFD, and such a name would open or replace a different file, so an argument that does
// not come back as the same bytes is refused.
QStringList File_Name_Arguments(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        const QString decoded = QFile::decodeName(bytes);
        if (QFile::encodeName(decoded) != bytes)
            throw Usage_Error{QStringLiteral("argument %1 (%2) is not in this system's file-name "
                                             "encoding; rename the file")
                                  .arg(i)
                                  .arg(decoded)};
        arguments << decoded;
    }
    return arguments;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    try {
        const int code = Run(File_Name_Arguments(argc, argv));
        Out().flush();
        return code;
    } catch (const Usage_Error &error) {
        Out().flush();
        Refuse(error.Message);
        return 2;
    } catch (const Core_Error &error) {
        Out().flush();
        Refuse(error.message());
        return 2;
    }
}
