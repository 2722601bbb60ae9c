// update: Update Device without a window, from the image to the updater's end.

#include "Cli.h"
#include "ProgramFolder.h"
#include "UpdateRun.h"

#include "configurations/ConfigurationLock.h"
#include "image/Bank.h"
#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "update/JobFile.h"
#include "update/ModbusCheck.h"
#include "update/Probe.h"
#include "update/UpdateLock.h"
#include "update/UpdatePlan.h"
#include "update/UpdateRecord.h"
#include "update/UpdaterLaunch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <deque>
#include <limits>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// How long the wait has run, rewritten in place, where someone watches a terminal.
class Wait_Display {
public:
#ifdef Q_OS_WIN
    Wait_Display() : Terminal(_isatty(_fileno(stderr)) != 0) {}
#else
    Wait_Display() : Terminal(isatty(fileno(stderr)) != 0) {}
#endif
    ~Wait_Display() {
        if (Shown >= 0)
            Err() << '\n' << Qt::flush;
    }
    void Show(const Update_Progress &progress) {
        if (!Terminal || progress.Elapsed_Ms / 1000 == Shown)
            return;
        Shown = progress.Elapsed_Ms / 1000;
        const QString text = progress.Waiting_For_Lock ? Update_Progress_Text(progress)
                                                       : Updater_Wait_Text(progress.Elapsed_Ms);
        Err() << '\r' << Escape_Controls(text) << "\x1b[K" << Qt::flush;
    }

private:
    bool Terminal;
    qint64 Shown = -1;
};

int Run_Update(const QCommandLineParser &parser, const QStringList &args) {
    if (!parser.isSet(QStringLiteral("ip")))
        throw Usage_Error{QStringLiteral("--ip is required")};
    Update_Request request;
    request.Address = parser.value(QStringLiteral("ip"));
    request.Option = Number_Option(parser, QStringLiteral("option"),
                                   Update_Firmware_And_Configuration, 0, Update_Configuration);
    request.Wait_S = Number_Option(parser, QStringLiteral("wait"), Updater_Wait_Limit_Ms / 1000, 0,
                                   Longest_Wait_S);
    request.Read_Back = !parser.isSet(QStringLiteral("no-read-back"));
    request.Dry_Run = parser.isSet(QStringLiteral("dry-run"));
    // --verify takes its SECONDS as an optional second name after NAME.
    if (parser.isSet(QStringLiteral("verify")))
        request.Verify_S = args.size() > 1 ? Whole_Number(args.at(1), QStringLiteral("--verify"), 1,
                                                          Longest_Wait_S)
                                           : Device_Restart_Wait_S;
    else if (args.size() > 1)
        throw Usage_Error{QStringLiteral("SECONDS goes with --verify")};
    Open_Program_Folder(parser);
    Open_Named_Configuration(args.at(0));
    const Update_Ending ending = Update_Active_Configuration(request);
    if (ending.Exit == Exit_Usage)
        throw Usage_Error{ending.Message};
    return ending.Exit;
}

} // namespace

Update_Ending Update_Active_Configuration(const Update_Request &request) {
    // The address as it would stand in the dialog's four fields; the job carries it so.
    const QString &address = request.Address;
    const int option = request.Option;
    Update_Entry entry =
        New_Update_Entry(QStringLiteral("command line"), address, option, request.Read_Back);
    QElapsedTimer clock;
    clock.start();
    Update_Ending ending;
    ending.Verified = QStringLiteral("not checked");
    const auto say = [&request](const QString &line) {
        Out() << request.Line_Prefix << line << '\n' << Qt::flush;
    };
    // Ends the update with exit and the reason in words: gives the caller its undo when the
    // updater never ran, then records it (a dry run records nothing). A record that cannot be
    // written is said, but does not change the update's result.
    const auto end = [&](int exit, const QString &reason) {
        ending.Exit = exit;
        ending.Reason = reason;
        const QString undone = !ending.Updater_Ran && exit != Exit_Updater_Ended && request.Undo
                                   ? request.Undo()
                                   : QString();
        if (!undone.isEmpty()) {
            ending.Reason += QStringLiteral("; ") + undone;
            entry.Reason += (entry.Reason.isEmpty() ? QString() : QStringLiteral("; ")) + undone;
        }
        if (request.Dry_Run)
            return ending;
        entry.Elapsed_Ms = clock.elapsed();
        try {
            Append_Update_Record(App.Proj_Dir, entry);
        } catch (const Core_Error &error) {
            Err() << "cf20914-cli: warning: " << Escape_Controls(error.message()) << '\n';
        }
        return ending;
    };
    const auto refused = [&](const QString &outcome, const QString &text, int exit,
                             const QString &reason) {
        entry.Outcome = outcome;
        entry.Reason = text;
        Refuse(request.Line_Prefix + text);
        return end(exit, reason);
    };
    const auto failed = [&](const QString &outcome, const QString &text, const QString &reason) {
        entry.Outcome = outcome;
        entry.Reason = text;
        ending.Message = text;
        return end(Exit_Usage, reason);
    };
    const QString before = QStringLiteral("refused before sending: ");

    // Nothing reaches the device unseen: every check runs before the probe. A parameter file
    // that is not well-formed ends the update here too, with its reason.
    if (const std::optional<QString> refusal = Update_Refusal(option, Update_Front::Command_Line))
        return refused(Update_Result::Refused, *refusal, Exit_Refused, before + *refusal);
    const std::optional<QString> host = Decimal_IPv4(address);
    if (!host)
        return refused(Update_Result::Address_Refused, Lang_Strings.at(637), Exit_Refused,
                       before + Lang_Strings.at(637));
    if (const std::optional<QString> refusal = Device_Address_Refusal(*host))
        return refused(Update_Result::Address_Refused, *refusal, Exit_Refused, before + *refusal);

    Compile_Bank();
    entry.Image = QByteArray(reinterpret_cast<const char *>(Bank_Buffer.data()), Bank_Length);
    if (Sends_Firmware(option))
        entry.Firmware_Path = Firmware_Path();
    const QString summary =
        Update_Summary(App.Proj_Name, entry.Image, option).join(QLatin1Char('\n'));
    if (request.Dry_Run) {
        Out() << summary << '\n';
        return ending;
    }
    Err() << summary << '\n' << Qt::flush;
    // A stale image must never reach the device: one that cannot be written ends the update.
    Save_Bank();

    const Probe_Answer answer = Probe_Device(*host);
    if (answer.Silent)
        return refused(Update_Result::Device_Silent,
                       Lang_Strings.at(636) + QLatin1Char(' ') + address, Exit_Device_Silent,
                       QStringLiteral("device silent: no answer at ") + address);
    if (!answer.Reachable)
        return failed(Update_Result::Probe_Failed, answer.Error,
                      before + QStringLiteral("the probe could not run: ") + answer.Error);

    // Decimal_IPv4 has accepted the address, so it splits.
    const QString updater = Join_Path(App.App_Dir, Updater_File_Name);
    const Update_Job job{*Checked_IP_Address(address),
                         option,
                         entry.Read_Back,
                         App.Master_Dir,
                         App.Proj_Dir,
                         updater};
    Updater_Extras extras;
    extras.Output_Log = Join_Path(App.Proj_Dir, Updater_Log_File_Name);
    extras.Give_Up = request.Give_Up;
    extras.Started = [&](qint64 pid) {
        ending.Updater_Ran = true;
        try {
            Record_Updater_Start(App.Proj_Dir, entry, pid);
        } catch (const Core_Error &error) {
            Err() << "cf20914-cli: warning: " << Escape_Controls(error.message()) << '\n';
        }
    };
    Update_Outcome outcome;
    {
        Wait_Display display;
        outcome = Run_Update_Job(
            updater, [&job] { Write_Update_Job(job, Join_Path(App.App_Dir, Job_File_Name)); },
            request.Wait_S * 1000,
            [&display](const Update_Progress &progress) { display.Show(progress); }, extras);
    }
    switch (outcome.Result) {
    case Update_Run::Updater_Ended:
        entry.Outcome = Update_Result::Updater_Ended;
        entry.Exit_Code = outcome.Exit_Code;
        ending.Updater_Exit_Code = outcome.Exit_Code;
        say(Update_End_Text(outcome));
        if (outcome.Exit_Code != 0)
            return end(
                Exit_Updater_Failed,
                QStringLiteral("updater failed with its own exit code %1").arg(outcome.Exit_Code));
        if (request.Verify_S < 0 || !Sends_Configuration(option))
            return end(Exit_Updater_Ended, QString());
        break;
    case Update_Run::Wait_Ran_Out:
        return refused(Update_Result::Wait_Ran_Out, Update_End_Text(outcome), Exit_Wait_Ran_Out,
                       QStringLiteral("wait ran out: the updater still ran after %1")
                           .arg(Minutes_And_Seconds(outcome.Elapsed_Ms)));
    case Update_Run::Folder_Busy:
    case Update_Run::Cancelled: // the tool never cancels a wait
        return refused(Update_Result::Lock_Busy, outcome.Reason, Exit_Folder_Busy,
                       before + outcome.Reason);
    case Update_Run::Not_Started:
        return failed(Update_Result::Not_Started, outcome.Reason,
                      before + QStringLiteral("the updater could not be started: ") +
                          outcome.Reason);
    }

    // The device at the endpoints just sent, awaited while it restarts.
    try {
        const QList<Endpoint_Result> results =
            Check_Endpoints(Sent_Endpoints(), After_Update_Check(request.Verify_S * 1000));
        QStringList names;
        for (const QString &name : Configuration_Endpoint_Names())
            names << request.Line_Prefix + name;
        Print_Check_Results(results, names, false);
        Out() << Qt::flush;
        entry.Device_Check = Check_Results_Json(results, Configuration_Endpoint_Names());
        QStringList silent;
        for (int i = 0; i < results.size(); ++i) {
            if (!results.at(i).answers())
                silent << Configuration_Endpoint_Names().value(i);
        }
        ending.Verified = silent.isEmpty() ? QStringLiteral("yes") : QStringLiteral("no");
        return silent.isEmpty()
                   ? end(Exit_Updater_Ended, QString())
                   : end(Exit_Not_Answering, QStringLiteral("check failed: %1 did not answer")
                                                 .arg(silent.join(QStringLiteral(" and "))));
    } catch (const Core_Error &error) {
        entry.Reason = error.message();
        ending.Message = error.message();
        return end(Exit_Usage, QStringLiteral("check failed: ") + error.message());
    }
}

namespace {

// One entry as a line of the history's table, its fields separated by tabs.
QString History_Row(const QJsonObject &entry) {
    const auto text = [&entry](const char *key) {
        const QJsonValue value = entry.value(QLatin1String(key));
        return value.isString()   ? value.toString()
               : value.isBool()   ? QString::number(int(value.toBool()))
               : value.isDouble() ? QString::number(value.toInteger())
                                  : QString();
    };
    const QString checksum =
        entry.contains(QStringLiteral("image_checksum"))
            ? QStringLiteral("0x%1").arg(entry.value(QStringLiteral("image_checksum")).toInteger(),
                                         8, 16, QLatin1Char('0'))
            : QString();
    QStringList fields{
        text("time"),
        text("source"),
        text("address"),
        text("option"),
        text("read_back"),
        text("outcome"),
        text("exit_code"),
        QString::number(entry.value(QStringLiteral("elapsed_ms")).toDouble() / 1000, 'f', 1),
        checksum,
        Check_States(entry),
        text("reason")};
    // Every field comes from the file, which anyone may have edited: a tab or a control
    // character in one is shown as an escape.
    for (QString &field : fields)
        field = Escape_Controls(field);
    return fields.join(QLatin1Char('\t'));
}

int Run_History(const QCommandLineParser &parser, const QStringList &args) {
    const int last =
        Number_Option(parser, QStringLiteral("last"), 0, 1, std::numeric_limits<int>::max());
    Open_Program_Folder(parser);
    Open_Named_Configuration(args.at(0));
    const bool json = parser.isSet(QStringLiteral("json"));
    // The entries go out as they are read, or, with --last, the newest ones once all are read.
    bool first = true;
    const auto print = [json, &first](const QJsonObject &entry) {
        if (json)
            Out() << (first ? "[" : ",")
                  << Escape_Json_Controls(
                         QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Compact)));
        else
            Out() << History_Row(entry) << '\n';
        first = false;
    };
    if (!json)
        Out() << "time (UTC)\tsource\taddress\toption\tread back\toutcome\texit code\tseconds\t"
                 "image checksum\tdevice check\treason\n";
    std::deque<QJsonObject> newest;
    Read_Update_History(
        App.Proj_Dir,
        [&](const QJsonObject &entry) {
            if (last == 0)
                return print(entry);
            newest.push_back(entry);
            if (newest.size() > size_t(last))
                newest.pop_front();
        },
        [](const QString &warning) {
            Err() << "cf20914-cli: warning: " << Update_Record_File_Name << ": " << warning << '\n';
        });
    for (const QJsonObject &entry : newest)
        print(entry);
    if (json)
        Out() << (first ? "[" : "") << "]\n";
    return 0;
}

// A lock file of the program folder as unlock finds it.
struct Found_Lock {
    QString Path;
    QString What; // "the update lock", "the lock of configuration NAME"
    std::optional<Lock_Status> Status;
};

// The update lock and the configurations' locks. A configuration lock that cannot be read
// names no holder, and is stale as the configurations judge it.
QList<Found_Lock> Program_Folder_Locks() {
    QList<Found_Lock> found;
    if (const std::optional<Lock_Status> status = Read_Update_Lock(App.App_Dir))
        found.append({Join_Path(App.App_Dir, Update_Lock_File_Name),
                      QStringLiteral("the update lock"), status});
    const QDir locks(Join_Path(App.Projects_Dir, Configuration_Locks_Folder));
    for (const QFileInfo &file :
         locks.entryInfoList({QLatin1Char('*') + Configuration_Lock_Suffix},
                             QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        std::optional<Lock_Status> status;
        try {
            status = Read_Holder_File(file.filePath());
        } catch (const Core_Error &) {
            status = Lock_Status{};
        }
        if (status)
            found.append(
                {QDir::toNativeSeparators(file.filePath()),
                 QStringLiteral("the lock of configuration %1").arg(file.completeBaseName()),
                 status});
    }
    return found;
}

QString Holder_Of(const Found_Lock &lock) {
    return lock.Status->Holder ? Holder_Text(*lock.Status->Holder)
                               : QStringLiteral("a lock file that names no process");
}

int Run_Unlock(const QCommandLineParser &parser, const QStringList &) {
    Open_Program_Folder(parser);
    const QList<Found_Lock> found = Program_Folder_Locks();
    if (found.isEmpty()) {
        Out() << "The program folder is not locked.\n";
        return 0;
    }
    // A live holder of this computer is never cut off: an update from its job, a change from
    // its configuration.
    QList<Found_Lock> stale;
    bool update_held = false;
    for (const Found_Lock &lock : found) {
        if (!lock.Status->Held) {
            stale.append(lock);
        } else if (lock.Path.endsWith(Update_Lock_File_Name)) {
            update_held = true;
            Refuse(Update_Busy_Text(*lock.Status->Holder));
        } else {
            Refuse(QStringLiteral("%1 is held by %2, which runs").arg(lock.What, Holder_Of(lock)));
        }
    }
    if (!stale.isEmpty() && !parser.isSet(QStringLiteral("yes"))) {
        for (const Found_Lock &lock : stale)
            Err() << "Found " << Escape_Controls(lock.What) << ", which names "
                  << Escape_Controls(Holder_Of(lock)) << ".\n";
        Err() << "Remove " << (stale.size() == 1 ? "it" : "them")
              << " only when no update or change of this program folder runs anywhere. Remove? "
                 "[y/N] "
              << Qt::flush;
        QTextStream input(stdin);
        const QString answer = input.readLine().trimmed();
        if (answer.compare(QStringLiteral("y"), Qt::CaseInsensitive) != 0 &&
            answer.compare(QStringLiteral("yes"), Qt::CaseInsensitive) != 0)
            return Refuse(QStringLiteral("the locks were left as they were"));
    }
    for (const Found_Lock &lock : stale) {
        Remove_Lock_File(lock.Path);
        Out() << "Removed " << Escape_Controls(lock.What) << " of "
              << Escape_Controls(Holder_Of(lock)) << ".\n";
    }
    return update_held ? Exit_Folder_Busy : 0;
}

} // namespace

Command Update_Command() {
    return {
        QStringLiteral("update NAME --ip ADDRESS [--option 0|1|2] [--no-read-back] "
                       "[--wait SECONDS] [--verify [SECONDS]] [--dry-run] [--program-dir DIR] "
                       "[--language NAME]"),
        QStringLiteral(
            "Updates the device at ADDRESS with configuration NAME as Update Device does. "
            "First it checks that the configuration's parameters were saved and pass every "
            "rule, that the firmware file is there when it is sent and that the updater can "
            "be started; then it prints on stderr what will be sent (the configuration, the "
            "image's checksum, both endpoints, the offsets and the firmware), writes the image, "
            "probes the address, writes the job file beside the program and runs "
            "Ethernet_Update.exe from there, waiting for it at most SECONDS (150), and prints "
            "how it ended. While another update of the program folder runs, it waits for that "
            "one first, as long at most. --dry-run prints what would be sent on stdout and "
            "stops before the probe. Every update is recorded in the configuration's "
            "updates.jsonl (see history). --verify checks, after an updater that ended with exit "
            "code 0, that the device answers Modbus TCP at both endpoints of the configuration "
            "just sent, awaiting it at most SECONDS (60) while it restarts, and prints what each "
            "endpoint says (see check); the record keeps it. An update of the firmware alone "
            "leaves "
            "the device's addresses as they were and is not checked.\n"
            "Exit codes: 0 the updater ended with exit code 0; 1 a check refused the update or "
            "the address; 2 usage or file errors; 3 the device did not answer; 4 the wait ran "
            "out (the updater is left running and keeps the program folder locked until it "
            "ends); 5 another update kept the program folder; 6 with --verify, an endpoint did not "
            "answer in time; 7 the updater ended with another exit code, a failure."),
        Program_Folder_Options() +
            QList<QCommandLineOption>{
                {QStringLiteral("ip"), QStringLiteral("Device address, four bytes."),
                 QStringLiteral("ADDRESS")},
                {QStringLiteral("option"),
                 QStringLiteral("0 firmware and configuration (default), 1 firmware, "
                                "2 configuration."),
                 QStringLiteral("N")},
                {QStringLiteral("no-read-back"), QStringLiteral("The device does not read back.")},
                {QStringLiteral("wait"),
                 QStringLiteral("Longest wait for the updater, in seconds (default 150)."),
                 QStringLiteral("SECONDS")},
                {QStringLiteral("verify"),
                 QStringLiteral("Check afterwards that the device answers at its endpoints, "
                                "awaiting it SECONDS (default 60).")},
                {QStringLiteral("dry-run"),
                 QStringLiteral("Check and print what would be sent; contact nothing.")}},
        {QStringLiteral("NAME"), QStringLiteral("[SECONDS]")},
        Run_Update};
}

Command History_Command() {
    return {
        QStringLiteral("history NAME [--json] [--last N] [--program-dir DIR] [--language NAME]"),
        QStringLiteral("Prints the record of the updates of configuration NAME, oldest first: "
                       "one line an update, its fields separated by tabs, or with --json one "
                       "JSON array; with --last N only the newest N. A record of any size is "
                       "read line by line. A line of the record that is no complete entry (a "
                       "crash cut it short) is skipped with a warning on stderr."),
        Program_Folder_Options() +
            QList<QCommandLineOption>{
                {QStringLiteral("json"), QStringLiteral("Print the entries as JSON.")},
                {QStringLiteral("last"), QStringLiteral("Only the newest N entries."),
                 QStringLiteral("N")}},
        {QStringLiteral("NAME")},
        Run_History};
}

Command Unlock_Command() {
    return {QStringLiteral("unlock [--yes] [--program-dir DIR]"),
            QStringLiteral("Removes the update lock of the program folder and the locks of its "
                           "configurations (PROJECTS/.locks) that no process of this computer "
                           "holds: one left by another computer (a program folder moved or "
                           "shared), by processes that have ended or whose numbers other "
                           "processes have now, or one that names no process. It names each "
                           "holder and asks first, unless --yes is given; locks still held are "
                           "named and kept.\n"
                           "Exit codes: 0 removed or not locked; 1 not confirmed; 5 an update of "
                           "this computer still runs."),
            Program_Folder_Options() +
                QList<QCommandLineOption>{
                    {QStringLiteral("yes"), QStringLiteral("Remove without asking.")}},
            {},
            Run_Unlock};
}
