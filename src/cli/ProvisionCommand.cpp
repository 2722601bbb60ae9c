// provision: every device of a list created, set and updated as new, set and update do it,
// after the whole list has been checked.

#include "Cli.h"
#include "ProgramFolder.h"
#include "UpdateRun.h"

#include "configurations/ConfigurationLock.h"
#include "configurations/Configurations.h"
#include "configurations/DeviceList.h"
#include "configurations/ManageConfigurations.h"
#include "language/LangStrings.h"
#include "parameters/NetworkWarnings.h"
#include "parameters/Validation.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "update/JobFile.h"
#include "update/ModbusCheck.h"
#include "update/UpdatePlan.h"
#include "update/UpdaterLaunch.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <atomic>
#include <csignal>

namespace {

// A device of the list with everything the run needs, found by the check.
struct Planned_Device {
    Device_Row Row;
    bool Exists = false;
    ParGen_Params Params;
    QString Reach;
    int Option = Update_Firmware_And_Configuration;
};

// How far a device came and how it ended, as a row of the report.
struct Device_Outcome {
    QString Name;
    int Line = 0;
    QString Step = QStringLiteral("-");
    QString Result = QStringLiteral("not run");
    std::optional<int> Exit_Code;
    QString Reason;
    std::optional<int> Updater_Exit_Code;
    QString Verified = QStringLiteral("not checked");
    // What became of the configuration: created, changed, restored, removed or kept.
    QString Configuration;
    QList<std::pair<QString, QString>> Extra; // the list's columns that were passed over
};

const QString Result_Ok = QStringLiteral("ok");

// The exit code of a run that an interrupt stopped, as a shell gives it for SIGINT.
constexpr int Exit_Interrupted = 130;

// Signals that ask the run to stop: the first after the running device, the second also gives up
// waiting for its updater.
std::atomic<int> Interrupts{0};

extern "C" void Count_Interrupt(int) {
    Interrupts.fetch_add(1);
}

QString Row_Text(const Device_Row &row, const QString &text) {
    return QStringLiteral("line %1: %2").arg(row.Line).arg(text);
}

// Checks every row against the configuration it changes: the rules, the address to reach, and
// the network warnings against the other rows and the configurations the list leaves alone.
// Errors and warnings are added as "line N: ..." texts.
QList<Planned_Device> Plan_Devices(const Device_List &list, QStringList &errors,
                                   QStringList &warnings) {
    QList<Planned_Device> plan;
    QStringList names;
    for (const Device_Row &row : list.Rows) {
        Planned_Device device{row, false, Default_ParGen(), QString(), {}};
        const QString folder = Join_Path(App.Projects_Dir, row.Name);
        device.Exists = QFileInfo(folder).isDir();
        const QString twin = device.Exists ? QString() : Case_Twin(App.Projects_Dir, row.Name);
        if (!twin.isEmpty()) {
            errors << Row_Text(row, QStringLiteral("name '%1' differs from the configuration %2 "
                                                   "only in the case of its letters")
                                        .arg(row.Name, twin));
            continue;
        }
        try {
            if (device.Exists)
                device.Params = Load_ParGen(Join_Path(folder, ParGen_File_Name));
        } catch (const Core_Error &error) {
            errors << Row_Text(row, error.message());
            continue;
        }
        device.Params = Apply_Device_Row(device.Params, row);
        if (const auto failure = Device_Rule_Failure(row, device.Params)) {
            errors << Row_Text(row, *failure);
            continue;
        }
        device.Reach = Device_Reach(row, device.Params);
        device.Option = row.Option.value_or(Update_Firmware_And_Configuration);
        names << row.Name;
        plan << device;
    }
    QList<Used_Addresses> in_use;
    for (const Used_Addresses &used : Addresses_In_Use(App.Projects_Dir, QString())) {
        if (Find_Configuration(names, used.Configuration) < 0)
            in_use << used;
    }
    for (const Planned_Device &device : plan)
        in_use << Addresses_Of(device.Row.Name, device.Params);
    for (const Planned_Device &device : plan) {
        QList<Used_Addresses> others = in_use;
        others.removeIf([&device](const Used_Addresses &used) {
            return used.Configuration == device.Row.Name;
        });
        for (const QString &warning : Network_Warnings(device.Params, others))
            warnings << Row_Text(device.Row, warning);
    }
    return plan;
}

// What the whole batch needs before its first device: the firmware when an option sends it,
// the updater, and for verify the Modbus module. Each problem as a text.
QStringList Batch_Errors(const QList<Planned_Device> &plan, bool verify) {
    QStringList errors;
    const QFileInfo firmware(Firmware_Path());
    if (std::any_of(plan.begin(), plan.end(),
                    [](const Planned_Device &device) { return Sends_Firmware(device.Option); }) &&
        (!firmware.isFile() || firmware.size() == 0))
        errors << Lang_Strings.at(652).arg(QDir::toNativeSeparators(firmware.filePath()));
    const QFileInfo updater(Join_Path(App.App_Dir, Updater_File_Name));
    if (!updater.isFile() || !updater.isExecutable())
        errors << Lang_Strings.at(653).arg(QDir::toNativeSeparators(updater.filePath()));
    if (verify) {
        try {
            Make_Endpoint_Probe();
        } catch (const Core_Error &error) {
            errors << QStringLiteral("--verify cannot check the devices: ") + error.message();
        }
    }
    return errors;
}

QString Plan_Text(const Planned_Device &device) {
    QStringList values;
    for (const auto &[key, value] : device.Row.Values)
        values << QLatin1String(key->Key) + QLatin1Char('=') + value;
    return QStringLiteral("line %1: %2: %3, set %4, update at %5 with option %6")
        .arg(device.Row.Line)
        .arg(device.Row.Name, device.Exists ? QStringLiteral("exists") : QStringLiteral("create"),
             values.isEmpty() ? QStringLiteral("nothing") : values.join(QLatin1Char(' ')),
             device.Reach)
        .arg(device.Option);
}

struct Batch_Options {
    int Verify_S = -1;
    int Wait_S = Updater_Wait_Limit_Ms / 1000;
};

// Creates, sets and updates one device under its configuration's lock, then checks it when
// asked; the outcome names the step where it stopped. The list's values go onto the
// configuration as it is at the device's turn, so a change made meanwhile to other values
// stands. When the device fails before its updater ran, a configuration made for it is removed
// and an existing one gets its files back; once the updater ran, the configuration stays.
Device_Outcome Provision_Device(const Planned_Device &device, const Batch_Options &options) {
    Device_Outcome outcome;
    outcome.Name = device.Row.Name;
    outcome.Line = device.Row.Line;
    outcome.Extra = device.Row.Extra;
    const QString name = Escape_Controls(device.Row.Name);
    Err() << "== " << name << " (line " << device.Row.Line << ")\n" << Qt::flush;
    outcome.Step = QStringLiteral("create");
    const QString folder = Join_Path(App.Projects_Dir, device.Row.Name);
    auto lock = Hold_Configuration(folder);
    if (!lock) {
        outcome.Result = QStringLiteral("failed");
        outcome.Exit_Code = Exit_Configuration_Busy;
        outcome.Reason = QStringLiteral("refused before sending: another change held the "
                                        "configuration");
        return outcome;
    }
    // The lock is held through the update and the check after it: the update joins it.
    bool created = false;
    std::optional<Configuration_Files> saved;
    const auto undo = [&]() -> QString {
        if (!saved)
            return QString();
        try {
            Restore_Configuration_Files(*std::exchange(saved, std::nullopt));
            outcome.Configuration = QStringLiteral("restored");
            return QStringLiteral("the configuration's previous ParGen.xml and bin/bank.bin were "
                                  "put back");
        } catch (const Core_Error &error) {
            return QStringLiteral("the configuration's previous files could not be put back: ") +
                   error.message();
        }
    };
    Update_Ending ending;
    try {
        if (QFileInfo(folder).isDir()) {
            saved = Save_Configuration_Files(folder);
            Open_Named_Configuration(device.Row.Name);
        } else {
            // Made with its parameters, so that a run killed here leaves no configuration
            // without them.
            const Create_Result result =
                Create_Configuration(device.Row.Name, [&device](const QString &folder) {
                    Save_ParGen(device.Params, Join_Path(folder, ParGen_File_Name));
                });
            if (result != Create_OK)
                throw Core_Error(Lang_Strings.at(result));
            created = true;
        }
        outcome.Step = QStringLiteral("set");
        const ParGen_Params params = Apply_Device_Row(Load_ParGen(App.ParGen_File), device.Row);
        if (const auto failure = Device_Rule_Failure(device.Row, params)) {
            ending.Exit = Exit_Refused;
            ending.Reason = QStringLiteral("refused before sending: ") + *failure;
            Refuse(name + QStringLiteral(": ") + *failure);
        } else {
            Save_ParGen(params, App.ParGen_File);
            outcome.Configuration = created ? QStringLiteral("created") : QStringLiteral("changed");
            outcome.Step = QStringLiteral("update");
            Update_Request request;
            request.Address = device.Reach;
            request.Option = device.Option;
            request.Verify_S = options.Verify_S;
            request.Wait_S = options.Wait_S;
            request.Line_Prefix = name + QStringLiteral(": ");
            request.Give_Up = [] {
                return Interrupts.load() > 1;
            };
            request.Undo = undo;
            ending = Update_Active_Configuration(request);
            if (ending.Exit == Exit_Usage)
                Refuse(request.Line_Prefix + ending.Message);
        }
    } catch (const Usage_Error &error) {
        Refuse(error.Message);
        ending.Exit = Exit_Usage;
        ending.Reason = error.Message;
    } catch (const Core_Error &error) {
        Refuse(error.message());
        ending.Exit = Exit_Usage;
        ending.Reason = error.message();
    }
    outcome.Exit_Code = ending.Exit;
    outcome.Updater_Exit_Code = ending.Updater_Exit_Code;
    outcome.Verified = ending.Verified;
    outcome.Reason = ending.Reason;
    if (ending.Exit == Exit_Updater_Ended) {
        outcome.Result = Result_Ok;
        return outcome;
    }
    outcome.Result = QStringLiteral("failed");
    if (ending.Exit == Exit_Not_Answering)
        outcome.Step = QStringLiteral("verify");
    if (ending.Updater_Ran) {
        // The device may hold what it was sent: the configuration says what that is.
        outcome.Configuration = QStringLiteral("kept");
        outcome.Reason += QStringLiteral("; the device may hold the new values");
    } else if (created) {
        outcome.Configuration = QStringLiteral("removed");
        if (!QDir(App.Proj_Dir).removeRecursively())
            outcome.Reason += QStringLiteral("; the new configuration could not be removed");
        else
            outcome.Reason += QStringLiteral("; the configuration made for it was removed");
    } else if (saved) {
        outcome.Reason += QStringLiteral("; ") + undo();
    }
    return outcome;
}

QString Number_Text(const std::optional<int> &number) {
    return number ? QString::number(*number) : QString();
}

// The outcomes as a table with aligned columns.
void Print_Summary(const QList<Device_Outcome> &outcomes) {
    QList<QStringList> rows{{QStringLiteral("device"), QStringLiteral("line"),
                             QStringLiteral("step"), QStringLiteral("result"),
                             QStringLiteral("exit code")}};
    for (const Device_Outcome &outcome : outcomes)
        rows << QStringList{Escape_Controls(outcome.Name), QString::number(outcome.Line),
                            outcome.Step, outcome.Result, Number_Text(outcome.Exit_Code)};
    QList<qsizetype> widths(rows.front().size(), 0);
    for (const QStringList &row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row.at(c).size());
    }
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c)
            line += row.at(c).leftJustified(widths[c] + 2);
        Out() << Escape_Controls(line.trimmed()) << '\n';
    }
    Out() << Qt::flush;
}

QString Csv_Field(const QString &text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// The report's fields of an outcome in their order; the list's passed-over columns follow.
const QStringList Report_Columns{QStringLiteral("device"),
                                 QStringLiteral("line"),
                                 QStringLiteral("step"),
                                 QStringLiteral("result"),
                                 QStringLiteral("exit_code"),
                                 QStringLiteral("reason"),
                                 QStringLiteral("updater_exit_code"),
                                 QStringLiteral("verified"),
                                 QStringLiteral("configuration")};

QStringList Report_Values(const Device_Outcome &outcome) {
    return {outcome.Name,
            QString::number(outcome.Line),
            outcome.Step,
            outcome.Result,
            Number_Text(outcome.Exit_Code),
            outcome.Reason,
            Number_Text(outcome.Updater_Exit_Code),
            outcome.Verified,
            outcome.Configuration};
}

QJsonObject Report_Object(const Device_Outcome &outcome) {
    const QStringList values = Report_Values(outcome);
    QJsonObject object;
    for (qsizetype c = 0; c < Report_Columns.size(); ++c)
        object.insert(Report_Columns.at(c), values.at(c));
    // Numbers stay numbers, as they always were in the report.
    object.insert(QStringLiteral("line"), outcome.Line);
    for (const auto &[key, number] :
         {std::pair{QStringLiteral("exit_code"), outcome.Exit_Code},
          std::pair{QStringLiteral("updater_exit_code"), outcome.Updater_Exit_Code}})
        object.insert(key, number ? QJsonValue(*number) : QJsonValue());
    QJsonObject extra;
    for (const auto &[column, value] : outcome.Extra)
        extra.insert(column, value);
    if (!extra.isEmpty())
        object.insert(QStringLiteral("columns"), extra);
    return object;
}

enum class Report_Format { Csv, Json, Json_Lines };

std::optional<Report_Format> Format_Of(const QString &path) {
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return Report_Format::Csv;
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        return Report_Format::Json;
    if (path.endsWith(QLatin1String(".jsonl"), Qt::CaseInsensitive))
        return Report_Format::Json_Lines;
    return std::nullopt;
}

QByteArray Report_Text(const QList<Device_Outcome> &outcomes, Report_Format format) {
    if (format == Report_Format::Json) {
        QJsonArray devices;
        for (const Device_Outcome &outcome : outcomes)
            devices.append(Report_Object(outcome));
        return QJsonDocument(devices).toJson(QJsonDocument::Indented);
    }
    QByteArray text;
    if (format == Report_Format::Json_Lines) {
        for (const Device_Outcome &outcome : outcomes)
            text += QJsonDocument(Report_Object(outcome)).toJson(QJsonDocument::Compact) + '\n';
        return text;
    }
    QStringList header = Report_Columns;
    for (const auto &extra :
         outcomes.isEmpty() ? decltype(Device_Outcome::Extra)() : outcomes.front().Extra)
        header << Csv_Field(extra.first);
    text = header.join(QLatin1Char(',')).toUtf8() + "\r\n";
    for (const Device_Outcome &outcome : outcomes) {
        QStringList fields;
        for (const QString &value : Report_Values(outcome))
            fields << Csv_Field(value);
        for (const auto &extra : outcome.Extra)
            fields << Csv_Field(extra.second);
        text += fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    return text;
}

// The report file, written whole after every change: a run that is killed leaves the report of
// what was done up to then. A report that cannot be written is said once; the run goes on.
class Report_File {
public:
    Report_File(QString path, Report_Format format) : Path(std::move(path)), Format(format) {}
    void Write(const QList<Device_Outcome> &outcomes) {
        if (Path.isEmpty())
            return;
        try {
            Write_File_Safely(Path, Report_Text(outcomes, Format));
        } catch (const Core_Error &error) {
            if (!Failed)
                Err() << "cf20914-cli: warning: " << Escape_Controls(error.message()) << '\n'
                      << Qt::flush;
            Failed = true;
        }
    }

private:
    QString Path;
    Report_Format Format;
    bool Failed = false;
};

// The rows of an earlier report as column-to-text maps; a usage error when it cannot be read.
QList<QMap<QString, QString>> Report_Rows(const QString &path) {
    const std::optional<Report_Format> format = Format_Of(path);
    const auto bad = [&path](const QString &reason) {
        return Usage_Error{QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason)};
    };
    if (!format)
        throw bad(QStringLiteral("--resume takes a report ending in .csv, .json or .jsonl"));
    QByteArray bytes;
    try {
        bytes = Read_Input_File(path, Device_List_Limit);
    } catch (const Core_Error &error) {
        throw Usage_Error{error.message()};
    }
    QList<QMap<QString, QString>> rows;
    if (format == Report_Format::Csv) {
        QStringList errors;
        QStringList notes;
        const QList<Csv_Record> records = Read_Csv(bytes, errors, notes);
        if (!errors.isEmpty())
            throw bad(errors.front());
        for (qsizetype r = 1; r < records.size(); ++r) {
            QMap<QString, QString> row;
            for (qsizetype c = 0; c < records.front().Fields.size(); ++c)
                row.insert(records.front().Fields.at(c), records.at(r).Fields.value(c));
            rows << row;
        }
        return rows;
    }
    QList<QByteArray> lines{bytes};
    if (format == Report_Format::Json_Lines)
        lines = bytes.split('\n');
    for (const QByteArray &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError)
            throw bad(error.errorString());
        const QJsonArray objects =
            document.isArray() ? document.array() : QJsonArray{document.object()};
        for (const QJsonValue &object : objects) {
            QMap<QString, QString> row;
            const QVariantMap values = object.toObject().toVariantMap();
            for (auto value = values.begin(); value != values.end(); ++value)
                row.insert(value.key(), value.value().toString());
            rows << row;
        }
    }
    return rows;
}

// The outcomes of the devices an earlier report shows as done, kept as they were.
QList<Device_Outcome> Done_Earlier(const QString &path) {
    QList<Device_Outcome> done;
    for (const QMap<QString, QString> &row : Report_Rows(path)) {
        if (row.value(QStringLiteral("result")) != Result_Ok)
            continue;
        Device_Outcome outcome;
        outcome.Name = row.value(QStringLiteral("device"));
        outcome.Line = row.value(QStringLiteral("line")).toInt();
        outcome.Step = row.value(QStringLiteral("step"));
        outcome.Result = Result_Ok;
        outcome.Exit_Code = 0;
        outcome.Reason = row.value(QStringLiteral("reason"));
        if (const auto code = Decimal_Int(row.value(QStringLiteral("updater_exit_code"))))
            outcome.Updater_Exit_Code = *code;
        outcome.Verified = row.value(QStringLiteral("verified"), outcome.Verified);
        outcome.Configuration = row.value(QStringLiteral("configuration"));
        done << outcome;
    }
    return done;
}

int Run_Provision(const QCommandLineParser &parser, const QStringList &args) {
    const QString report = parser.value(QStringLiteral("report"));
    const std::optional<Report_Format> format = Format_Of(report);
    if (!report.isEmpty() && !format)
        throw Usage_Error{QStringLiteral("--report takes a file ending in .csv, .json or .jsonl")};
    if (!report.isEmpty()) {
        const QFileInfo folder(QFileInfo(report).absolutePath());
        if (!folder.isDir() || !folder.isWritable())
            throw Usage_Error{QStringLiteral("the folder of the report, %1, %2")
                                  .arg(QDir::toNativeSeparators(folder.filePath()),
                                       folder.isDir() ? QStringLiteral("may not be written")
                                                      : QStringLiteral("does not exist"))};
    }
    Batch_Options options;
    options.Wait_S =
        Number_Option(parser, QStringLiteral("wait"), options.Wait_S, 0, Longest_Wait_S);
    const bool verify = parser.isSet(QStringLiteral("verify"));
    if (verify)
        options.Verify_S = Device_Restart_Wait_S;
    Open_Program_Folder(parser);
    const QList<Device_Outcome> done = parser.isSet(QStringLiteral("resume"))
                                           ? Done_Earlier(parser.value(QStringLiteral("resume")))
                                           : QList<Device_Outcome>();
    const Device_List list =
        Read_Device_List(Read_Input_File(args.at(0), Device_List_Limit),
                         parser.isSet(QStringLiteral("ignore-unknown-columns")));
    for (const QString &note : list.Notes)
        Err() << "cf20914-cli: note: " << Escape_Controls(note) << '\n';
    QStringList errors = list.Errors;
    QStringList warnings;
    const QList<Planned_Device> plan = Plan_Devices(list, errors, warnings);
    const bool strict = parser.isSet(QStringLiteral("strict"));
    if (strict)
        errors << warnings;
    else
        for (const QString &warning : warnings)
            Err() << "cf20914-cli: warning: " << Escape_Controls(warning) << '\n';
    if (!errors.isEmpty() || list.Errors.isEmpty()) {
        // In the order of the file's lines, as a user goes through them; the batch's own
        // problems after them.
        const auto line_of = [](const QString &error) {
            return error.section(QLatin1Char(' '), 1, 1).section(QLatin1Char(':'), 0, 0).toInt();
        };
        std::stable_sort(
            errors.begin(), errors.end(),
            [&line_of](const QString &a, const QString &b) { return line_of(a) < line_of(b); });
        if (list.Errors.isEmpty())
            errors << Batch_Errors(plan, verify);
        for (const QString &error : errors)
            Err() << "cf20914-cli: " << Escape_Controls(error) << '\n';
        if (!errors.isEmpty()) {
            Err() << "cf20914-cli: nothing was changed\n";
            return 1;
        }
    }
    if (parser.isSet(QStringLiteral("dry-run"))) {
        for (const Planned_Device &device : plan)
            Out() << Escape_Controls(Plan_Text(device)) << '\n';
        return 0;
    }

    QList<Device_Outcome> outcomes;
    for (const Planned_Device &device : plan) {
        Device_Outcome outcome;
        outcome.Name = device.Row.Name;
        outcome.Line = device.Row.Line;
        outcome.Extra = device.Row.Extra;
        outcomes << outcome;
    }
    Report_File report_file(report, format.value_or(Report_Format::Csv));
    report_file.Write(outcomes);
    // An interrupt lets the running device end as usual; the devices after it are not begun.
    std::signal(SIGINT, Count_Interrupt);
    std::signal(SIGTERM, Count_Interrupt);
    bool stopped = false;
    for (qsizetype i = 0; i < plan.size(); ++i) {
        const Planned_Device &device = plan.at(i);
        Device_Outcome &outcome = outcomes[i];
        const auto earlier =
            std::find_if(done.begin(), done.end(), [&device](const Device_Outcome &old) {
                return old.Name.compare(device.Row.Name, Qt::CaseInsensitive) == 0;
            });
        if (earlier != done.end()) {
            outcome = *earlier;
            outcome.Line = device.Row.Line;
            outcome.Extra = device.Row.Extra;
        } else if (Interrupts.load() > 0) {
            outcome.Reason = QStringLiteral("the run was interrupted");
        } else if (!stopped) {
            outcome.Result = QStringLiteral("running");
            report_file.Write(outcomes);
            outcome = Provision_Device(device, options);
            Out() << Escape_Controls(device.Row.Name) << ": " << outcome.Result
                  << (outcome.Reason.isEmpty()
                          ? QString()
                          : QStringLiteral(": ") + Escape_Controls(outcome.Reason))
                  << '\n'
                  << Qt::flush;
            stopped = outcome.Exit_Code != 0 && !parser.isSet(QStringLiteral("keep-going"));
        }
        report_file.Write(outcomes);
    }
    Out() << '\n';
    Print_Summary(outcomes);
    if (Interrupts.load() > 0) {
        Err() << "cf20914-cli: interrupted; the devices not run are named in the summary\n";
        return Exit_Interrupted;
    }
    for (const Device_Outcome &outcome : outcomes) {
        if (outcome.Exit_Code != 0)
            return outcome.Exit_Code.value_or(1);
    }
    return 0;
}

} // namespace

Command Provision_Command() {
    return {
        QStringLiteral("provision DEVICES.csv [--dry-run] [--keep-going] [--verify] "
                       "[--wait SECONDS] [--report FILE] [--resume REPORT] [--strict] "
                       "[--ignore-unknown-columns] [--program-dir DIR] [--language NAME]"),
        QStringLiteral(
            "Provisions every device of a CSV list: creates its configuration when it is "
            "missing, sets the list's values as set does and updates the device as update "
            "does (with its checks, summary and record). The header names the columns, in any "
            "case and with blanks around them: name (the configuration), reach (the address the "
            "device answers at now; empty: its new endpoint-1 address), option (0, 1 or 2; "
            "default 0), any parameter key, or the short forms address, mask, gateway, port "
            "(endpoint 1), address2, mask2, gateway2, port2 (endpoint 2), offset_registers, "
            "offset_status. An empty cell leaves the value as it is; a gateway column switches "
            "the gateway on. The file is read as spreadsheets save it: UTF-8 or UTF-16 with a "
            "byte-order mark, UTF-8 without one, otherwise the Windows ANSI code page (with a "
            "note); fields separated by commas, semicolons or tabs (whichever the header uses, "
            "or what a first line sep=X names); quoted fields may hold separators, quotes and "
            "line ends; blank lines, lines starting with #, rows of separators alone and empty "
            "columns after the last are skipped.\n"
            "The whole list is checked first (columns, values, the rules, names unique in the "
            "list), and so is what the batch needs (the firmware when an option sends it, the "
            "updater, the Modbus module for --verify, the report's folder); with any error "
            "nothing is changed, each error is named with its line, and the exit code is 1. "
            "Network warnings are printed and do not stop the run unless --strict is given. "
            "Then the devices are provisioned in list order, each under its configuration's "
            "lock: the list's values go onto the configuration as it is at the device's turn. "
            "The first that fails stops the run unless --keep-going is given. A device that "
            "fails before its updater ran leaves its configuration as it was (one the run made "
            "is removed again); once the updater ran, the configuration stays, as the device "
            "may hold it. --verify checks each updated device at its new endpoints as update "
            "--verify does; --wait limits each updater as update --wait does. A line on stdout "
            "for each device, a summary at the end, and --report FILE (CSV, JSON or JSON Lines "
            "by its extension .csv, .json, .jsonl), written anew as each device ends: device, "
            "line, step, result, exit code, reason, the updater's own exit code, verified, what "
            "became of the configuration. An interrupt (Ctrl-C, SIGTERM) lets the running "
            "device end and runs no further device; a second one gives up waiting for its "
            "updater. --resume REPORT skips the devices an earlier report shows as ok. "
            "--dry-run prints the plan and changes nothing.\n"
            "Exit codes: 0 every device succeeded; 1 the list or the batch has errors; 2 usage "
            "or file errors; 130 interrupted; else the exit code of the first device that "
            "failed (see update)."),
        Program_Folder_Options() +
            QList<QCommandLineOption>{
                {QStringLiteral("dry-run"),
                 QStringLiteral("Check the list and print the plan; change and contact nothing.")},
                {QStringLiteral("keep-going"),
                 QStringLiteral("Go on with the next device after one fails.")},
                {QStringLiteral("verify"),
                 QStringLiteral("Check that each device answers at its new endpoints.")},
                {QStringLiteral("wait"),
                 QStringLiteral("Longest wait for each updater, in seconds (default 150)."),
                 QStringLiteral("SECONDS")},
                {QStringLiteral("report"),
                 QStringLiteral("Write the report to FILE (.csv, .json or .jsonl)."),
                 QStringLiteral("FILE")},
                {QStringLiteral("resume"),
                 QStringLiteral("Skip the devices that REPORT shows as ok."),
                 QStringLiteral("REPORT")},
                {QStringLiteral("strict"), QStringLiteral("Network warnings count as errors.")},
                {QStringLiteral("ignore-unknown-columns"),
                 QStringLiteral("Pass over columns of other names; the report carries them.")}},
        {QStringLiteral("DEVICES.csv")},
        Run_Provision};
}
