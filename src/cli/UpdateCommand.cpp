// update: Update Device without a window, from the image to the updater's end.

#include "Cli.h"
#include "ProgramFolder.h"

#include "image/Bank.h"
#include "language/LangStrings.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Comon.h"
#include "update/JobFile.h"
#include "update/Probe.h"
#include "update/UpdaterLaunch.h"

#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Longer waits are surely mistyped, and the limit must fit in milliseconds.
constexpr int Longest_Wait_S = 86400;

enum Update_Exit : int {
    Exit_Updater_Ended = 0,
    Exit_Address_Refused = 1,
    Exit_Device_Silent = 3,
    Exit_Wait_Ran_Out = 4,
    Exit_Folder_Busy = 5,
};

int Whole_Number_Option(const QCommandLineParser &parser, const QString &name, int fallback,
                        int highest) {
    if (!parser.isSet(name))
        return fallback;
    const QString text = parser.value(name);
    const auto value = Decimal_Int(text);
    if (!value || !text.front().isDigit() || *value > highest)
        throw Usage_Error{
            QStringLiteral("--%1 takes a whole number from 0 to %2").arg(name).arg(highest)};
    return *value;
}

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
    void Show(qint64 elapsed_ms) {
        if (!Terminal || elapsed_ms / 1000 == Shown)
            return;
        Shown = elapsed_ms / 1000;
        Err() << '\r' << Updater_Wait_Text(elapsed_ms) << Qt::flush;
    }

private:
    bool Terminal;
    qint64 Shown = -1;
};

int Run_Update(const QCommandLineParser &parser, const QStringList &args) {
    if (!parser.isSet(QStringLiteral("ip")))
        throw Usage_Error{QStringLiteral("--ip is required")};
    const int option = Whole_Number_Option(parser, QStringLiteral("option"),
                                           Update_Firmware_And_Configuration, Update_Configuration);
    const int wait_s = Whole_Number_Option(parser, QStringLiteral("wait"),
                                           Updater_Wait_Limit_Ms / 1000, Longest_Wait_S);
    Open_Program_Folder(parser);
    Open_Named_Configuration(args.at(0));

    // A stale image must never reach the device: a parameter file that is not well-formed or an
    // image that cannot be written ends the update here.
    Compile_Bank();
    Save_Bank();

    // The address as it would stand in the dialog's four fields; the job carries it so.
    const QString address = parser.value(QStringLiteral("ip"));
    const std::optional<QString> host = Decimal_IPv4(address);
    if (!host) {
        Refuse(Lang_Strings.at(637));
        return Exit_Address_Refused;
    }
    const Probe_Answer answer = Probe_Device(*host);
    if (answer.Silent) {
        Refuse(Lang_Strings.at(636));
        return Exit_Device_Silent;
    }
    if (!answer.Reachable)
        throw Usage_Error{answer.Error};

    // Decimal_IPv4 has accepted the address, so it splits.
    const Update_Job job{*Checked_IP_Address(address), option,
                         !parser.isSet(QStringLiteral("no-read-back")), App.Master_Dir,
                         App.Proj_Dir};
    Update_Outcome outcome;
    {
        Wait_Display display;
        outcome = Run_Update_Job(
            Join_Path(App.App_Dir, Updater_File_Name),
            [&job] { Write_Update_Job(job, Join_Path(App.App_Dir, Job_File_Name)); }, wait_s * 1000,
            [&display](qint64 elapsed_ms) { display.Show(elapsed_ms); });
    }
    switch (outcome.Result) {
    case Update_Run::Updater_Ended:
        return Exit_Updater_Ended;
    case Update_Run::Wait_Ran_Out:
        Refuse(QStringLiteral("%1 still runs after %2 s; no longer waiting for it")
                   .arg(Updater_File_Name)
                   .arg(wait_s));
        return Exit_Wait_Ran_Out;
    case Update_Run::Folder_Busy:
        Refuse(outcome.Reason);
        return Exit_Folder_Busy;
    case Update_Run::Not_Started:
        break;
    }
    throw Usage_Error{outcome.Reason};
}

} // namespace

Command Update_Command() {
    return {
        QStringLiteral("update NAME --ip ADDRESS [--option 0|1|2] [--no-read-back] "
                       "[--wait SECONDS] [--program-dir DIR] [--language NAME]"),
        QStringLiteral(
            "Updates the device at ADDRESS with configuration NAME as Update Device does: "
            "compiles and writes the image, probes the address, writes the job file beside "
            "the program and runs Ethernet_Update.exe from there, waiting for it at most "
            "SECONDS (150). While another update of the program folder runs, it waits for "
            "that one first, as long at most.\n"
            "Exit codes: 0 the updater ended; 1 the address is refused; 2 usage or file "
            "errors; 3 the device did not answer; 4 the wait ran out (the updater is left "
            "running); 5 another update kept the program folder."),
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
                 QStringLiteral("SECONDS")}},
        {QStringLiteral("NAME")},
        Run_Update};
}
