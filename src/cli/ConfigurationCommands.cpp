// The commands that work on the configurations of a program folder as the windows do: list, new,
// get and set.

#include "Cli.h"
#include "ProgramFolder.h"

#include "configurations/ConfigurationLock.h"
#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "parameters/NetworkWarnings.h"
#include "parameters/ParGen.h"
#include "parameters/Validation.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

const ParGen_Key &Known_Key(const QString &name) {
    const ParGen_Key *key = Find_ParGen_Key(name);
    if (!key)
        throw Usage_Error{QStringLiteral("unknown key '%1'").arg(name)};
    return *key;
}

int Run_List(const QCommandLineParser &parser, const QStringList &) {
    Open_Program_Folder(parser);
    const QStringList names = Load_Existing_Configuration(App.Projects_Dir);
    const int active =
        App.Proj_Dir.isEmpty() ? -1 : Find_Configuration(names, Active_Folder_Name());
    for (int i = 0; i < names.size(); ++i)
        Out() << (i == active ? "* " : "  ") << Escape_Controls(names.at(i)) << '\n';
    return 0;
}

int Run_New(const QCommandLineParser &parser, const QStringList &args) {
    Open_Program_Folder(parser);
    const Create_Result result = Create_Configuration(args.at(0));
    return result == Create_OK ? 0 : Refused_Name(result, args.at(0));
}

int Run_Get(const QCommandLineParser &parser, const QStringList &args) {
    Open_Program_Folder(parser);
    QList<const ParGen_Key *> keys;
    for (const QString &name : args.mid(1))
        keys << &Known_Key(name);
    if (keys.isEmpty()) {
        for (const ParGen_Key &key : ParGen_Keys())
            keys << &key;
    }
    Open_Named_Configuration(args.at(0));
    const ParGen_Params params = Load_ParGen(App.ParGen_File);
    if (parser.isSet(QStringLiteral("json"))) {
        QStringList members;
        for (const ParGen_Key *key : keys)
            members << Json_String(QLatin1String(key->Key)) + QLatin1Char(':') +
                           Json_String(ParGen_Value(params, *key));
        Out() << '{' << members.join(QLatin1Char(',')) << "}\n";
    } else {
        for (const ParGen_Key *key : keys)
            Out() << key->Key << '=' << Escape_Controls(ParGen_Value(params, *key)) << '\n';
    }
    return 0;
}

int Run_Set(const QCommandLineParser &parser, const QStringList &args) {
    Open_Program_Folder(parser);
    // Every pair is checked before the file is read, so a mistyped call changes nothing.
    QList<std::pair<const ParGen_Key *, QString>> changes;
    for (const QString &pair : args.mid(1)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            throw Usage_Error{QStringLiteral("'%1' is not KEY=VALUE").arg(pair)};
        const ParGen_Key &key = Known_Key(pair.left(equals));
        const QString value = pair.mid(equals + 1);
        if (const auto refusal = Value_Refusal(key, value))
            throw Usage_Error{*refusal};
        changes.append({&key, value});
    }
    Open_Named_Configuration(args.at(0));
    // From reading the file to replacing it, no other change of the configuration may come in
    // between: it would be lost.
    const auto lock = Hold_Configuration(App.Proj_Dir);
    if (!lock)
        return Exit_Configuration_Busy;
    ParGen_Params params = Load_ParGen(App.ParGen_File);
    for (const auto &[key, value] : changes)
        Set_ParGen_Value(params, *key, value);
    if (const int refused =
            Check_Parameters(params, args.at(0), parser.isSet(QStringLiteral("strict"))))
        return refused;
    Save_ParGen(params, App.ParGen_File);
    return 0;
}

} // namespace

Command_Table With_Configuration_Commands(Command_Table table) {
    const QList<QCommandLineOption> folder = Program_Folder_Options();
    table[QStringLiteral("list")] = {
        QStringLiteral("list [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Lists the configurations of the program folder as the open dialog does, "
                       "one a line; the active one is marked with \"* \", the others begin with "
                       "two blanks."),
        folder,
        {},
        Run_List};
    table[QStringLiteral("new")] = {
        QStringLiteral("new NAME [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Creates the configuration NAME with its bin folder as the create dialog "
                       "does. Exit 1 with the dialog's message when it refuses the name."),
        folder,
        {QStringLiteral("NAME")},
        Run_New};
    table[QStringLiteral("get")] = {
        QStringLiteral("get NAME [KEY...] [--json] [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Prints the communication parameters of configuration NAME as KEY=VALUE "
                       "lines, all thirty in file order or the KEYs given; a parameter the file "
                       "lacks shows its default. --json prints one JSON object instead."),
        folder + QList<QCommandLineOption>{{QStringLiteral("json"),
                                            QStringLiteral("One JSON object instead of lines.")}},
        {QStringLiteral("NAME"), QStringLiteral("[KEY...]")},
        Run_Get};
    table[QStringLiteral("set")] = {
        QStringLiteral("set NAME KEY=VALUE... [--strict] [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Sets parameters of configuration NAME and saves them, as OK in the "
                       "communication settings dialog does: when a rule fails, its message goes "
                       "to stderr, the exit code is 1 and the file stays as it was. Values that "
                       "pass the rules but may not work on a network are saved with a warning "
                       "on stderr each; with --strict they are refused (exit 1). A gateway "
                       "switch (..._EN_GAT) takes 1 or 0 (another value exits with 2, as an "
                       "unknown key or a value longer than 32767 characters does). Runs on one "
                       "configuration take turns; one that cannot have its turn within 10 s "
                       "exits with 5 and changes nothing."),
        folder + QList<QCommandLineOption>{{QStringLiteral("strict"),
                                            QStringLiteral("Network warnings refuse too.")}},
        {QStringLiteral("NAME"), QStringLiteral("KEY=VALUE...")},
        Run_Set};
    return table;
}
