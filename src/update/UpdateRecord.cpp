#include "UpdateRecord.h"

#include "image/Bank.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "shell/AppState.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>
#include <QUuid>

namespace {

// Some ten thousand updates; a longer record is read in no part rather than in part.
constexpr qint64 Record_Read_Limit = 16 * 1024 * 1024;

QString Sha256(const QByteArray &bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The firmware is hashed as it is read, whatever its size.
QString File_Sha256(const QString &path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

QByteArray Update_Record_Line(const Update_Entry &entry) {
    QJsonObject line{
        {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
        {QStringLiteral("version"), Own_Version},
        {QStringLiteral("source"), entry.Source},
        {QStringLiteral("address"), entry.Address},
        {QStringLiteral("option"), entry.Option},
        {QStringLiteral("read_back"), entry.Read_Back},
        {QStringLiteral("outcome"), entry.Outcome},
        {QStringLiteral("elapsed_ms"), entry.Elapsed_Ms},
    };
    if (entry.Image.size() == Bank_Size) {
        line.insert(QStringLiteral("image_sha256"), Sha256(entry.Image));
        line.insert(QStringLiteral("image_checksum"),
                    qint64(Read_U32(reinterpret_cast<const quint8 *>(entry.Image.constData()),
                                    Bank_Checksum_Offset)));
    }
    if (!entry.Firmware_Path.isEmpty()) {
        line.insert(QStringLiteral("firmware_sha256"), File_Sha256(entry.Firmware_Path));
        line.insert(QStringLiteral("firmware_size"), QFileInfo(entry.Firmware_Path).size());
    }
    if (entry.Outcome == Update_Result::Updater_Ended)
        line.insert(QStringLiteral("exit_code"), entry.Exit_Code);
    if (!entry.Reason.isEmpty())
        line.insert(QStringLiteral("reason"), entry.Reason);
    if (!entry.Device_Check.isEmpty())
        line.insert(QStringLiteral("device_check"), entry.Device_Check);
    if (!entry.Run.isEmpty())
        line.insert(QStringLiteral("run"), entry.Run);
    if (entry.Updater_Pid > 0)
        line.insert(QStringLiteral("updater_pid"), entry.Updater_Pid);
    if (!entry.Updater_Log.isEmpty())
        line.insert(QStringLiteral("updater_log"), entry.Updater_Log);
    if (entry.Check_Cancelled)
        line.insert(QStringLiteral("device_check_cancelled"), true);
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

void Append_Update_Record(const QString &proj_dir, const Update_Entry &entry) {
    QFile file(Join_Path(proj_dir, Update_Record_File_Name));
    const auto fail = [&file] {
        return Core_Error(QStringLiteral("Cannot write %1: %2")
                              .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    };
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        throw fail();
    QByteArray line = Update_Record_Line(entry);
    // A line cut short by a crash gets its end here, so it stays one bad line of its own.
    char last = '\n';
    if (file.size() > 0 && (!file.seek(file.size() - 1) || !file.getChar(&last)))
        throw fail();
    if (last != '\n')
        line.prepend('\n');
    // One write, so that a crash leaves at most this line incomplete.
    if (file.write(line) != line.size() || !file.flush())
        throw fail();
}

Update_Entry New_Update_Entry(const QString &source, const QString &address, int option,
                              bool read_back) {
    Update_Entry entry;
    entry.Source = source;
    entry.Address = address;
    entry.Option = option;
    entry.Read_Back = read_back;
    entry.Run = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return entry;
}

void Record_Updater_Start(const QString &proj_dir, Update_Entry &entry, qint64 pid) {
    entry.Updater_Pid = pid;
    // The log is made as the updater starts, where the platform gives it one.
    if (QFileInfo::exists(Join_Path(proj_dir, Updater_Log_File_Name)))
        entry.Updater_Log = Updater_Log_File_Name;
    Update_Entry start = entry;
    start.Outcome = Update_Result::Updater_Started;
    start.Reason.clear();
    Append_Update_Record(proj_dir, start);
}

Update_History Parse_Update_History(const QByteArray &text) {
    Update_History history;
    const QList<QByteArray> lines = text.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QByteArray &line = lines.at(n);
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            history.Warnings
                << QStringLiteral("line %1 is no complete entry and is skipped").arg(n + 1);
            continue;
        }
        history.Entries << document.object();
    }
    // A start is shown by its end; one without an end shows that the end was never seen.
    const QString run_key = QStringLiteral("run");
    const QString outcome_key = QStringLiteral("outcome");
    QSet<QString> ended;
    for (const QJsonObject &entry : history.Entries) {
        if (entry.value(outcome_key).toString() != Update_Result::Updater_Started)
            ended.insert(entry.value(run_key).toString());
    }
    QList<QJsonObject> entries;
    for (QJsonObject entry : history.Entries) {
        if (entry.value(outcome_key).toString() == Update_Result::Updater_Started) {
            if (ended.contains(entry.value(run_key).toString()))
                continue;
            entry.insert(outcome_key, Update_Result::Ended_Unseen);
        }
        entries << entry;
    }
    history.Entries = entries;
    return history;
}

QString Check_States(const QJsonObject &entry) {
    QStringList states;
    for (const QJsonValue &endpoint : entry.value(QStringLiteral("device_check")).toArray())
        states << endpoint.toObject().value(QStringLiteral("state")).toString();
    return states.join(QLatin1Char('/'));
}

QList<Record_Row> Record_Rows(const Update_History &history) {
    QList<Record_Row> rows;
    for (auto entry = history.Entries.crbegin(); entry != history.Entries.crend(); ++entry) {
        const auto text = [&entry](const char *key) {
            return entry->value(QLatin1String(key)).toVariant().toString();
        };
        Record_Row row;
        const QDateTime time = QDateTime::fromString(text("time"), Qt::ISODateWithMs);
        row.Time =
            time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : text("time");
        row.Address = text("address");
        row.Option = text("option");
        QStringList outcome{text("outcome")};
        if (entry->contains(QLatin1String("exit_code")))
            outcome.front() += QStringLiteral(" with exit code ") + text("exit_code");
        if (!text("reason").isEmpty())
            outcome << text("reason");
        row.Outcome = outcome.join(QStringLiteral(": "));
        row.Seconds =
            QString::number(entry->value(QLatin1String("elapsed_ms")).toDouble() / 1000, 'f', 1);
        row.Check = Check_States(*entry);
        row.Raw = QString::fromUtf8(QJsonDocument(*entry).toJson(QJsonDocument::Compact));
        rows << row;
    }
    return rows;
}

Update_History Read_Update_History(const QString &proj_dir) {
    const QString path = Join_Path(proj_dir, Update_Record_File_Name);
    if (!QFileInfo::exists(path))
        return {};
    return Parse_Update_History(Read_Input_File(path, Record_Read_Limit));
}
