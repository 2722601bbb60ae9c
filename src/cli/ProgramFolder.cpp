// What every command on a program folder shares: its options, starting the core on the folder,
// opening a configuration, refusals, the checks before parameters are saved, and the
// configuration's lock.

#include "ProgramFolder.h"
#include "Cli.h"

#include "app/Startup.h"
#include "configurations/ConfigurationLock.h"
#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "parameters/NetworkWarnings.h"
#include "parameters/Validation.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

#include <QCoreApplication>
#include <QFileInfo>

QList<QCommandLineOption> Program_Folder_Options() {
    return {{QStringLiteral("program-dir"),
             QStringLiteral("The program folder (default: the folder of this program)."),
             QStringLiteral("DIR")},
            {QStringLiteral("language"),
             QStringLiteral("Language of the messages for this run (default: the one the "
                            "program's settings name)."),
             QStringLiteral("NAME")}};
}

void Open_Program_Folder(const QCommandLineParser &parser) {
    const QString folder = parser.isSet(QStringLiteral("program-dir"))
                               ? parser.value(QStringLiteral("program-dir"))
                               : QCoreApplication::applicationDirPath();
    if (!QFileInfo(folder).isDir())
        throw Usage_Error{QStringLiteral("no program folder %1").arg(folder)};
    Start_Core(QFileInfo(folder).absoluteFilePath());
    if (parser.isSet(QStringLiteral("language"))) {
        App.Language_Name = parser.value(QStringLiteral("language"));
        Load_Language();
    }
}

void Open_Named_Configuration(const QString &name) {
    Check_Projects_Folder(App.Projects_Dir);
    if (!Configuration_Name_Safe(name) || !QFileInfo(Join_Path(App.Projects_Dir, name)).isDir())
        throw Usage_Error{Lang_Strings.at(18) + QStringLiteral(": ") + name};
    Open_Configuration(name);
}

int Refuse(const QString &message) {
    Err() << "cf20914-cli: " << Escape_Controls(message) << '\n';
    return 1;
}

int Refused_Name(Create_Result result, const QString &name) {
    const QString twin =
        result == Create_Folder_Exists ? Case_Twin(App.Projects_Dir, name) : QString();
    return Refuse(Lang_Strings.at(result) + QStringLiteral(": ") + name +
                  (twin.isEmpty() ? QString()
                                  : QStringLiteral(" (the configuration %1 differs from it only in "
                                                   "the case of its letters)")
                                        .arg(twin)));
}

std::optional<QString> Value_Refusal(const ParGen_Key &key, const QString &value) {
    // The communication settings dialog takes no more; a longer value could make a file too
    // large to be read back.
    if (value.size() > ParGen_Value_Limit)
        return QStringLiteral("the value of %1 is longer than %2 characters")
            .arg(QLatin1String(key.Key))
            .arg(ParGen_Value_Limit);
    if (key.Switch && value != QLatin1String("1") && value != QLatin1String("0"))
        return QStringLiteral("%1 takes 1 or 0").arg(QLatin1String(key.Key));
    return std::nullopt;
}

int Check_Parameters(const ParGen_Params &params, const QString &name, bool strict) {
    if (const auto failed = First_Failed_Rule(params))
        return Refuse(Lang_Strings.at(*failed));
    const QStringList warnings = Network_Warnings(params, Addresses_In_Use(App.Projects_Dir, name));
    for (const QString &warning : warnings)
        Err() << "cf20914-cli: " << (strict ? "" : "warning: ") << Escape_Controls(warning) << '\n';
    return strict && !warnings.isEmpty() ? 1 : 0;
}

std::unique_ptr<Configuration_Lock> Hold_Configuration(const QString &dir) {
    auto lock = std::make_unique<Configuration_Lock>(dir);
    // An update holds its configuration while its updater runs: that wait is said, once.
    bool said = false;
    const auto waiting = [&said, &lock](qint64, const Update_Lock_Holder &holder) {
        if (said || holder.Updater_Pid == 0)
            return;
        said = true;
        Err() << "cf20914-cli: waiting for the update of " << Escape_Controls(lock->Name())
              << " to end (" << Escape_Controls(Holder_Text(holder)) << ")\n"
              << Qt::flush;
    };
    if (lock->Take(Configuration_Lock::Wait_Ms, waiting))
        return lock;
    Refuse(lock->Busy_Text());
    return nullptr;
}
