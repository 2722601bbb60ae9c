// provision: every device of a list created, set and updated as new, set and update do it,
// after the whole list has been checked.

#include "Cli.h"
#include "ProgramFolder.h"
#include "UpdateRun.h"

#include "configurations/ConfigurationLock.h"
#include "configurations/Configurations.h"
#include "configurations/DeviceList.h"
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
#include "update/UpdatePlan.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A device of the list with everything the run needs, found by the check.
struct Planned_Device {
    Device_Row Row;
    bool Exists = false;
    ParGen_Params Params;
    QString Reach;
    int Option = Update_Firmware_And_Configuration;
};

// How far a device came and how it ended.
struct Device_Outcome {
    QString Name;
    int Line = 0;
    QString Step = QStringLiteral("-");
    QString Result = QStringLiteral("not run");
    std::optional<int> Exit_Code;
    QString Reason;
};

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
        try {
            if (device.Exists)
                device.Params = Load_ParGen(Join_Path(folder, ParGen_File_Name));
        } catch (const Core_Error &error) {
            errors << Row_Text(row, error.message());
            continue;
        }
        device.Params = Apply_Device_Row(device.Params, row);
        if (const auto failed = First_Failed_Rule(device.Params)) {
            errors << Row_Text(row, Lang_Strings.at(*failed));
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

// Creates, sets and updates one device, then checks it when verify_s is not -1; the outcome
// names the step where it stopped. A configuration it created is removed again when the device
// fails.
Device_Outcome Provision_Device(const Planned_Device &device, int verify_s) {
    Device_Outcome outcome{device.Row.Name, device.Row.Line, {}, {}, {}, {}};
    bool created = false;
    // A configuration the updater was given stays, with its record: the device may hold it now,
    // and an updater left running still reads it.
    const auto fail = [&](const QString &reason, int exit_code, bool sent = false) {
        outcome.Result = QStringLiteral("failed");
        outcome.Reason = reason;
        outcome.Exit_Code = exit_code;
        if (created && !sent && !QDir(App.Proj_Dir).removeRecursively())
            outcome.Reason += QStringLiteral("; the new configuration could not be removed");
        return outcome;
    };
    Err() << "== " << Escape_Controls(device.Row.Name) << " (line " << device.Row.Line << ")\n"
          << Qt::flush;
    outcome.Step = QStringLiteral("create");
    // The configuration is made and set under its lock; the update reads it as it stands then.
    auto lock = Hold_Configuration(Join_Path(App.Projects_Dir, device.Row.Name));
    if (!lock)
        return fail(QStringLiteral("another change holds the configuration"),
                    Exit_Configuration_Busy);
    try {
        if (device.Exists) {
            Open_Named_Configuration(device.Row.Name);
        } else {
            // Made with its parameters, so that a run killed here leaves no configuration
            // without them.
            const Create_Result result =
                Create_Configuration(device.Row.Name, [&device](const QString &folder) {
                    Save_ParGen(device.Params, Join_Path(folder, ParGen_File_Name));
                });
            if (result != Create_OK)
                return fail(Lang_Strings.at(result), 1);
            created = true;
        }
        outcome.Step = QStringLiteral("set");
        Save_ParGen(device.Params, App.ParGen_File);
        lock.reset();
        outcome.Step = QStringLiteral("update");
        Update_Request request;
        request.Address = device.Reach;
        request.Option = device.Option;
        request.Verify_S = verify_s;
        const int code = Update_Active_Configuration(request);
        if (code == Exit_Not_Answering) {
            outcome.Step = QStringLiteral("verify");
            return fail(QStringLiteral("the device does not answer at every endpoint"), code, true);
        }
        if (code != 0)
            return fail(QStringLiteral("the update ended with exit code %1").arg(code), code,
                        code == Exit_Wait_Ran_Out || code == Exit_Updater_Failed);
    } catch (const Usage_Error &error) {
        Refuse(error.Message);
        return fail(error.Message, 2);
    } catch (const Core_Error &error) {
        Refuse(error.message());
        return fail(error.message(), 2);
    }
    outcome.Result = QStringLiteral("ok");
    outcome.Exit_Code = 0;
    return outcome;
}

QString Exit_Text(const Device_Outcome &outcome) {
    return outcome.Exit_Code ? QString::number(*outcome.Exit_Code) : QString();
}

// The outcomes as a table with aligned columns.
void Print_Summary(const QList<Device_Outcome> &outcomes) {
    QList<QStringList> rows{{QStringLiteral("device"), QStringLiteral("line"),
                             QStringLiteral("step"), QStringLiteral("result"),
                             QStringLiteral("exit code")}};
    for (const Device_Outcome &outcome : outcomes)
        rows << QStringList{outcome.Name, QString::number(outcome.Line), outcome.Step,
                            outcome.Result, Exit_Text(outcome)};
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
}

QString Csv_Field(const QString &text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QByteArray Report_Text(const QList<Device_Outcome> &outcomes, bool json) {
    if (json) {
        QJsonArray devices;
        for (const Device_Outcome &outcome : outcomes) {
            QJsonObject device{{QStringLiteral("device"), outcome.Name},
                               {QStringLiteral("line"), outcome.Line},
                               {QStringLiteral("step"), outcome.Step},
                               {QStringLiteral("result"), outcome.Result},
                               {QStringLiteral("reason"), outcome.Reason}};
            device.insert(QStringLiteral("exit_code"),
                          outcome.Exit_Code ? QJsonValue(*outcome.Exit_Code) : QJsonValue());
            devices.append(device);
        }
        return QJsonDocument(devices).toJson(QJsonDocument::Indented);
    }
    QString text = QStringLiteral("device,line,step,result,exit_code,reason\r\n");
    for (const Device_Outcome &outcome : outcomes)
        text += QStringList{Csv_Field(outcome.Name),
                            QString::number(outcome.Line),
                            outcome.Step,
                            outcome.Result,
                            Exit_Text(outcome),
                            Csv_Field(outcome.Reason)}
                    .join(QLatin1Char(',')) +
                QStringLiteral("\r\n");
    return text.toUtf8();
}

int Run_Provision(const QCommandLineParser &parser, const QStringList &args) {
    const QString report = parser.value(QStringLiteral("report"));
    const bool json = report.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
    if (!report.isEmpty() && !json && !report.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        throw Usage_Error{QStringLiteral("--report takes a file ending in .csv or .json")};
    Open_Program_Folder(parser);
    const Device_List list = Read_Device_List(Read_Input_File(args.at(0), Device_List_Limit));
    QStringList errors = list.Errors;
    QStringList warnings;
    const QList<Planned_Device> plan = Plan_Devices(list, errors, warnings);
    const bool strict = parser.isSet(QStringLiteral("strict"));
    for (const QString &warning : warnings)
        Err() << "cf20914-cli: " << (strict ? "" : "warning: ") << Escape_Controls(warning) << '\n';
    if (strict)
        errors << warnings;
    if (!errors.isEmpty()) {
        // In the order of the file's lines, as a user goes through them.
        const auto line_of = [](const QString &error) {
            return error.section(QLatin1Char(' '), 1, 1).section(QLatin1Char(':'), 0, 0).toInt();
        };
        std::stable_sort(
            errors.begin(), errors.end(),
            [&line_of](const QString &a, const QString &b) { return line_of(a) < line_of(b); });
        for (const QString &error : errors)
            Err() << "cf20914-cli: " << Escape_Controls(error) << '\n';
        Err() << "cf20914-cli: nothing was changed\n";
        return 1;
    }
    if (parser.isSet(QStringLiteral("dry-run"))) {
        for (const Planned_Device &device : plan)
            Out() << Escape_Controls(Plan_Text(device)) << '\n';
        return 0;
    }

    QList<Device_Outcome> outcomes;
    bool stopped = false;
    for (const Planned_Device &device : plan) {
        if (stopped) {
            outcomes << Device_Outcome{device.Row.Name,     device.Row.Line,
                                       QStringLiteral("-"), QStringLiteral("not run"),
                                       std::nullopt,        QString()};
            continue;
        }
        outcomes << Provision_Device(
            device, parser.isSet(QStringLiteral("verify")) ? Device_Restart_Wait_S : -1);
        stopped = outcomes.last().Exit_Code != 0 && !parser.isSet(QStringLiteral("keep-going"));
    }
    Out() << '\n';
    Print_Summary(outcomes);
    if (!report.isEmpty())
        Write_File_Safely(report, Report_Text(outcomes, json));
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
                       "[--report FILE] [--strict] [--program-dir DIR] [--language NAME]"),
        QStringLiteral(
            "Provisions every device of a CSV list: creates its configuration when it is "
            "missing, sets the list's values as set does and updates the device as update "
            "does (with its checks, summary and record). The header names the columns: name "
            "(the configuration), reach (the address the device answers at now; empty: its "
            "new endpoint-1 address), option (0, 1 or 2; default 0), any parameter key, or the "
            "short forms address, mask, gateway, port (endpoint 1), address2, mask2, gateway2, "
            "port2 (endpoint 2), offset_registers, offset_status. An empty cell leaves the "
            "value as it is; a gateway column switches the gateway on. UTF-8 with or without "
            "a byte-order mark, CR LF or LF; quoted fields may hold commas, quotes and line "
            "ends; blank lines and lines starting with # are skipped.\n"
            "The whole list is checked first (columns, values, the rules, names unique in the "
            "list); with any error nothing is changed, each error is named with its line, and "
            "the exit code is 1. Network warnings are printed and do not stop the run unless "
            "--strict is given. Then the devices are provisioned in list order; the first that "
            "fails stops the run unless --keep-going is given, and a configuration the run "
            "created for a device that failed is removed again. --verify checks each updated "
            "device at its new endpoints as update --verify does. A summary (device, line, step "
            "reached, result, exit code) ends the run and is written to --report FILE as CSV or "
            "JSON by its extension. --dry-run prints the plan and changes nothing.\n"
            "Exit codes: 0 every device succeeded; 1 the list has errors; 2 usage or file "
            "errors; else the exit code of the first device that failed (see update)."),
        Program_Folder_Options() +
            QList<QCommandLineOption>{
                {QStringLiteral("dry-run"),
                 QStringLiteral("Check the list and print the plan; change and contact nothing.")},
                {QStringLiteral("keep-going"),
                 QStringLiteral("Go on with the next device after one fails.")},
                {QStringLiteral("verify"),
                 QStringLiteral("Check that each device answers at its new endpoints.")},
                {QStringLiteral("report"),
                 QStringLiteral("Write the summary to FILE (.csv or .json)."),
                 QStringLiteral("FILE")},
                {QStringLiteral("strict"), QStringLiteral("Network warnings count as errors.")}},
        {QStringLiteral("DEVICES.csv")},
        Run_Provision};
}
