// The commands that manage configurations as a whole: copy, rename, delete, export, import.

#include "Cli.h"
#include "ProgramFolder.h"

#include "app/WindowMarker.h"
#include "configurations/ConfigurationLock.h"
#include "configurations/ManageConfigurations.h"
#include "language/LangStrings.h"
#include "parameters/ParGen.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <vector>

namespace {

const QList<QCommandLineOption> Folder = Program_Folder_Options();

// The configuration the settings file remembers follows a rename, unless the window runs: it
// writes the name it holds into the settings when it closes, and would undo the change. After a
// deletion (new_name empty) none is remembered; a window that runs forgets it too when it
// closes, as its folder is gone.
void Follow_In_Settings(const QString &name, const QString &new_name) {
    const QString path = Settings_File_Path(App);
    AppState settings = App;
    Load_Settings(settings, path);
    if (settings.Proj_Name != name)
        return;
    if (!new_name.isEmpty() && Window_Running(App.App_Dir)) {
        Err() << "cf20914-cli: note: the window of this program folder runs; open "
              << Escape_Controls(new_name) << " there, as it still remembers "
              << Escape_Controls(name) << '\n';
        return;
    }
    settings.Proj_Name = new_name;
    Save_Settings(settings, path);
}

// Holds the configuration opened and the one of new_name for a copy or rename; a name that they
// refuse anyway names no lock file. The two are taken in the order of their lock files' paths,
// so that a copy of A to B and one of B to A at once cannot each hold one and wait for the
// other. Empty, after saying what holds one, when another change keeps either.
std::vector<std::unique_ptr<Configuration_Lock>> Hold_Pair(const QString &new_name) {
    QStringList folders{App.Proj_Dir};
    if (Configuration_Name_Safe(new_name))
        folders << Join_Path(App.Projects_Dir, new_name);
    std::sort(folders.begin(), folders.end(), [](const QString &a, const QString &b) {
        return Configuration_Lock_Path(a) < Configuration_Lock_Path(b);
    });
    std::vector<std::unique_ptr<Configuration_Lock>> locks;
    for (const QString &folder : folders) {
        locks.push_back(Hold_Configuration(folder));
        if (!locks.back())
            return {};
    }
    return locks;
}

// A copy or rename onto a configuration that exists (itself included) is refused at once,
// before any lock is waited for; under the locks the name is checked again.
int Run_Copy_Or_Rename(const QCommandLineParser &parser, const QStringList &args,
                       Create_Result (*change)(const QString &, const QString &)) {
    Open_Program_Folder(parser);
    Open_Named_Configuration(args.at(0));
    if (QFileInfo::exists(Join_Path(App.Projects_Dir, args.at(1))) &&
        Configuration_Name_Safe(args.at(1)))
        return Refused_Name(Create_Folder_Exists, args.at(1));
    const auto locks = Hold_Pair(args.at(1));
    if (locks.empty())
        return Exit_Configuration_Busy;
    const Create_Result result = change(args.at(0), args.at(1));
    return result == Create_OK ? 0 : Refused_Name(result, args.at(1));
}

int Run_Copy(const QCommandLineParser &parser, const QStringList &args) {
    return Run_Copy_Or_Rename(parser, args, Copy_Configuration);
}

int Run_Rename(const QCommandLineParser &parser, const QStringList &args) {
    const int result = Run_Copy_Or_Rename(parser, args, Rename_Configuration);
    if (result == 0)
        Follow_In_Settings(args.at(0), args.at(1));
    return result;
}

int Run_Delete(const QCommandLineParser &parser, const QStringList &args) {
    Open_Program_Folder(parser);
    Open_Named_Configuration(args.at(0));
    if (!parser.isSet(QStringLiteral("yes")))
        return Refuse(QStringLiteral("delete removes %1 with every file in it; give --yes to "
                                     "confirm")
                          .arg(args.at(0)));
    const auto lock = Hold_Configuration(App.Proj_Dir);
    if (!lock)
        return Exit_Configuration_Busy;
    Delete_Configuration(args.at(0));
    Follow_In_Settings(args.at(0), QString());
    return 0;
}

int Run_Export(const QCommandLineParser &parser, const QStringList &args) {
    Open_Program_Folder(parser);
    Open_Named_Configuration(args.at(0));
    if (!QFileInfo::exists(App.ParGen_File))
        Err() << "cf20914-cli: warning: the parameters of " << args.at(0)
              << " were never saved; exporting the defaults\n";
    const ParGen_Params params = Load_ParGen(App.ParGen_File);
    QJsonObject values;
    for (const ParGen_Key &key : ParGen_Keys())
        values.insert(QLatin1String(key.Key), ParGen_Value(params, key));
    const QJsonObject file{{QStringLiteral("name"), args.at(0)},
                           {QStringLiteral("parameters"), values}};
    Write_File_Safely(args.at(1), QJsonDocument(file).toJson(QJsonDocument::Indented));
    return 0;
}

// The first key that an object of the JSON text (well-formed) names twice; JSON readers keep
// only one of the two, so what the file says would depend on the reader.
std::optional<QString> Twice_Named_Key(const QByteArray &json) {
    // For each open object: the keys seen so far; null for an open array.
    QList<std::optional<QSet<QString>>> open;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == '{' || c == '[') {
            open.append(c == '{' ? std::optional<QSet<QString>>(QSet<QString>()) : std::nullopt);
        } else if (c == '}' || c == ']') {
            open.removeLast();
        } else if (c == '"') {
            const qsizetype start = i;
            for (++i; json.at(i) != '"'; ++i)
                i += json.at(i) == '\\';
            qsizetype next = i + 1;
            while (next < json.size() && QChar::isSpace(json.at(next)))
                ++next;
            if (open.isEmpty() || !open.last() || next >= json.size() || json.at(next) != ':')
                continue;
            const QString key = QJsonDocument::fromJson('[' + json.mid(start, i + 1 - start) + ']')
                                    .array()
                                    .at(0)
                                    .toString();
            if (open.last()->contains(key))
                return key;
            open.last()->insert(key);
        }
    }
    return std::nullopt;
}

// The name and parameters of an exported file; a key it lacks takes its default. Each value
// is checked as set checks it.
std::pair<QString, ParGen_Params> Read_Export(const QString &path) {
    const QByteArray bytes = Read_Input_File(path, Text_File_Limit);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const auto bad = [&path](const QString &reason) {
        return Usage_Error{QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason)};
    };
    if (error.error != QJsonParseError::NoError)
        throw bad(error.errorString() + QStringLiteral(" at offset %1").arg(error.offset));
    if (const std::optional<QString> twice = Twice_Named_Key(bytes))
        throw bad(QStringLiteral("the key \"%1\" is given twice").arg(*twice));
    const QJsonObject file = document.object();
    if (!file.value(QStringLiteral("parameters")).isObject())
        throw bad(QStringLiteral("no object \"parameters\""));
    const QJsonValue name = file.value(QStringLiteral("name"));
    if (!name.isUndefined() && !name.isString())
        throw bad(QStringLiteral("the name is not a string"));
    ParGen_Params params = Default_ParGen();
    const QJsonObject values = file.value(QStringLiteral("parameters")).toObject();
    for (auto value = values.begin(); value != values.end(); ++value) {
        const ParGen_Key *key = Find_ParGen_Key(value.key());
        if (!key)
            throw bad(QStringLiteral("unknown key '%1'").arg(value.key()));
        if (!value->isString())
            throw bad(QStringLiteral("%1 takes a string").arg(value.key()));
        if (const auto refusal = Value_Refusal(*key, value->toString()))
            throw bad(*refusal);
        Set_ParGen_Value(params, *key, value->toString());
    }
    return {name.toString(), params};
}

int Run_Import(const QCommandLineParser &parser, const QStringList &args) {
    Open_Program_Folder(parser);
    const auto [file_name, params] = Read_Export(args.at(0));
    const QString name = args.size() > 1 ? args.at(1) : file_name;
    if (!Configuration_Name_Safe(name))
        return Refused_Name(name.isEmpty() ? Create_Name_Empty : Create_Name_Refused, name);
    const auto lock = Hold_Configuration(Join_Path(App.Projects_Dir, name));
    if (!lock)
        return Exit_Configuration_Busy;
    const bool exists = QFileInfo(Join_Path(App.Projects_Dir, name)).isDir();
    if (exists && !parser.isSet(QStringLiteral("force")))
        return Refuse(Lang_Strings.at(Create_Folder_Exists) + QStringLiteral(": ") + name +
                      QStringLiteral(" (--force replaces its parameters)"));
    // Checked before a folder is made, so a refused file leaves nothing behind.
    if (const int refused = Check_Parameters(params, name, parser.isSet(QStringLiteral("strict"))))
        return refused;
    if (exists) {
        Open_Named_Configuration(name);
        Save_ParGen(params, App.ParGen_File);
    } else if (const Create_Result result =
                   Create_Configuration(name, [&params = params](const QString &folder) {
                       Save_ParGen(params, Join_Path(folder, ParGen_File_Name));
                   })) {
        return Refused_Name(result, name);
    }
    return 0;
}

} // namespace

Command_Table With_Manage_Commands(Command_Table table) {
    table[QStringLiteral("copy")] = {
        QStringLiteral("copy NAME NEW [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Copies configuration NAME with its files to the new configuration NEW, "
                       "whose name the create dialog's rules check. The record of updates stays "
                       "with NAME. Exit 1 with the create dialog's message when it refuses NEW."),
        Folder,
        {QStringLiteral("NAME"), QStringLiteral("NEW")},
        Run_Copy};
    table[QStringLiteral("rename")] = {
        QStringLiteral("rename NAME NEW [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Renames configuration NAME to NEW, whose name the create dialog's rules "
                       "check. When the settings remember NAME as the active configuration, "
                       "they remember NEW afterwards, unless the window of this program folder "
                       "runs (it marks the folder with the file CF20914.running while it runs, "
                       "and writes its own configuration into the settings when it closes)."),
        Folder,
        {QStringLiteral("NAME"), QStringLiteral("NEW")},
        Run_Rename};
    table[QStringLiteral("delete")] = {
        QStringLiteral("delete NAME --yes [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Deletes configuration NAME with every file in it. Without --yes it "
                       "refuses (exit 1) and deletes nothing."),
        Folder + QList<QCommandLineOption>{{QStringLiteral("yes"),
                                            QStringLiteral("Confirm the deletion.")}},
        {QStringLiteral("NAME")},
        Run_Delete};
    table[QStringLiteral("export")] = {
        QStringLiteral("export NAME FILE.json [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Writes the name and the thirty communication parameters of "
                       "configuration NAME to FILE.json, as an object {\"name\": ..., "
                       "\"parameters\": {KEY: VALUE, ...}} with every value a string."),
        Folder,
        {QStringLiteral("NAME"), QStringLiteral("FILE.json")},
        Run_Export};
    table[QStringLiteral("import")] = {
        QStringLiteral("import FILE.json [NAME] [--force] [--strict] [--program-dir DIR] "
                       "[--language NAME]"),
        QStringLiteral("Makes the configuration NAME (default: the name in the file) from a "
                       "file that export wrote; a key the file lacks takes its default. The "
                       "values are checked as set checks them: a failing rule's message, exit 1 "
                       "and nothing made; network warnings go to stderr (with --strict they "
                       "refuse too). An existing configuration is refused unless --force, which "
                       "replaces its parameters."),
        Folder +
            QList<QCommandLineOption>{
                {QStringLiteral("force"), QStringLiteral("Replace the parameters of an "
                                                         "existing configuration.")},
                {QStringLiteral("strict"), QStringLiteral("Network warnings refuse too.")}},
        {QStringLiteral("FILE.json"), QStringLiteral("[NAME]")},
        Run_Import};
    return table;
}
