#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

// Beside ParGen.xml: one line of JSON for every update of the configuration, never rewritten,
// only appended to.
inline const QString Update_Record_File_Name = QStringLiteral("updates.jsonl");

// Beside ParGen.xml: what the updater of the last update wrote on its standard output and error.
inline const QString Updater_Log_File_Name = QStringLiteral("updater.log");

// How an update ended, as the record names it.
namespace Update_Result {
inline const QString Refused = QStringLiteral("refused");
inline const QString Address_Refused = QStringLiteral("address refused");
inline const QString Device_Silent = QStringLiteral("device silent");
inline const QString Probe_Failed = QStringLiteral("probe failed");
inline const QString Lock_Busy = QStringLiteral("lock busy");
inline const QString Not_Started = QStringLiteral("updater not started");
inline const QString Updater_Ended = QStringLiteral("updater ended");
inline const QString Wait_Ran_Out = QStringLiteral("wait ran out");
// Not an end: the line written as the updater starts, so that an update whose starter was
// killed leaves a trace. Its end line follows with the same run.
inline const QString Updater_Started = QStringLiteral("updater started");
// Not written: how history shows a start whose end line never came.
inline const QString Ended_Unseen = QStringLiteral("ended unseen");
inline const QString Cancelled = QStringLiteral("cancelled"); // the wait for another update
} // namespace Update_Result

// One update as the record keeps it.
struct Update_Entry {
    QString Source; // "window" or "command line"
    QString Address;
    int Option = 0;
    bool Read_Back = true;
    QByteArray Image;             // the image file's content; empty when it was not compiled
    QString Firmware_Path;        // empty when the firmware was not sent
    QString Outcome;              // one of Update_Result
    int Exit_Code = -1;           // the updater's, when it ended
    qint64 Elapsed_Ms = 0;        // from the checks to the outcome
    QString Reason;               // a refusal's or a failure's text
    QJsonArray Device_Check;      // the check of the device after the update, when it ran
    bool Check_Cancelled = false; // the user left that check before it ended
    QString Run;                  // one update's start and end lines share it
    qint64 Updater_Pid = 0;       // the updater's process, once it was started
    QString Updater_Log;          // the file beside ParGen.xml that holds the updater's output
};

// A new entry of an update from source, with a run of its own.
Update_Entry New_Update_Entry(const QString &source, const QString &address, int option,
                              bool read_back);

// For the update of entry, whose updater pid has just started: keeps pid and the updater's log
// (when the updater writes one there) in entry, for its end line, and appends the start line.
// Throws as Append_Update_Record does.
void Record_Updater_Start(const QString &proj_dir, Update_Entry &entry, qint64 pid);
// The longest line the record is read with; no line is written longer (a typed address or a
// reason beyond Record_Text_Limit characters is cut there).
inline constexpr qint64 Record_Line_Limit = 1024 * 1024;
inline constexpr int Record_Text_Limit = 4096;

// The entry as one line of JSON, with the time (UTC), the program's version, the image's
// SHA-256 and checksum and the firmware's SHA-256 and size.
QByteArray Update_Record_Line(const Update_Entry &entry);

// Appends the entry to the record of the configuration in proj_dir. A line that an earlier
// crash left without its end stays on a line of its own. Throws Core_Error with the reason when
// the record cannot be written.
void Append_Update_Record(const QString &proj_dir, const Update_Entry &entry);

// The record read back: the entries in order, and a warning for every line that is no entry
// (the one a crash cut short), which is skipped. A start line is folded into its end line (the
// end keeps the updater's process); one whose end never came stands as an entry of its own with
// the outcome Ended_Unseen.
struct Update_History {
    QList<QJsonObject> Entries;
    QStringList Warnings;
};
Update_History Parse_Update_History(const QByteArray &text);

// What each endpoint did in the entry's check after the update, "answers/silent"; empty when
// none ran.
QString Check_States(const QJsonObject &entry);

// One entry as the window's view of the record shows it: the time (UTC), the address, the
// option, the outcome in words (with the updater's exit code and the reason), the seconds it
// took, what each endpoint did in the check afterwards ("answers/silent") and the entry as one
// line of JSON (its keys in order).
struct Record_Row {
    QString Time;
    QString Address;
    QString Option;
    QString Outcome;
    QString Seconds;
    QString Check;
    QString Raw;
};

// The entries newest first.
QList<Record_Row> Record_Rows(const Update_History &history);

// Reads the record of the configuration in proj_dir line by line, whatever its size, folding
// start lines as Parse_Update_History does: each entry goes to entry, in order, and each line
// that is no entry (cut short by a crash, or
// longer than Record_Line_Limit) to warning, which names it. Nothing when there is no record.
// Throws Core_Error when it cannot be read.
void Read_Update_History(const QString &proj_dir,
                         const std::function<void(const QJsonObject &)> &entry,
                         const std::function<void(const QString &)> &warning);
