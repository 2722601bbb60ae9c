#include "UpdateRecord.h"

#include "image/Bank.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "shell/AppState.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QUuid>

namespace {

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
        {QStringLiteral("address"), entry.Address.left(Record_Text_Limit)},
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
        line.insert(QStringLiteral("reason"), entry.Reason.left(Record_Text_Limit));
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
    Refuse_Links(file.fileName());
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

namespace {

// One line of the record, the line_number-th: an entry, or a warning when it is none.
void Take_Line(const QByteArray &line, qsizetype line_number,
               const std::function<void(const QJsonObject &)> &entry,
               const std::function<void(const QString &)> &warning) {
    if (line.trimmed().isEmpty())
        return;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        warning(QStringLiteral("line %1 is no complete entry and is skipped").arg(line_number));
    else
        entry(document.object());
}

// Folds each start line into its end line (the end keeps the updater's process) as the record
// is read in order. An end comes soon after its start; a start whose end has not come within
// the next Lookahead entries, or by the end of the record, never saw its end. Entries are handed
// on in order, held back only while a start before them is open.
class Start_Folding {
public:
    explicit Start_Folding(std::function<void(const QJsonObject &)> entry)
        : Entry(std::move(entry)) {}

    void Take(const QJsonObject &line) {
        if (Is_Start(line)) {
            Held.append(line);
        } else {
            const QJsonValue run = line.value(QLatin1String("run"));
            for (qsizetype n = 0; n < Held.size(); ++n) {
                if (Is_Start(Held.at(n)) && Held.at(n).value(QLatin1String("run")) == run) {
                    Held.removeAt(n);
                    break;
                }
            }
            Held.append(line);
        }
        Hand_On(Lookahead);
    }

    // At the end of the record: what is still open never saw its end.
    void Finish() { Hand_On(0); }

private:
    static constexpr qsizetype Lookahead = 16;

    static bool Is_Start(const QJsonObject &line) {
        return line.value(QLatin1String("outcome")).toString() == Update_Result::Updater_Started;
    }

    void Hand_On(qsizetype keep) {
        while (!Held.isEmpty() && (!Is_Start(Held.front()) || Held.size() > keep)) {
            QJsonObject line = Held.takeFirst();
            if (Is_Start(line))
                line.insert(QStringLiteral("outcome"), Update_Result::Ended_Unseen);
            Entry(line);
        }
    }

    std::function<void(const QJsonObject &)> Entry;
    QList<QJsonObject> Held;
};

} // namespace

Update_History Parse_Update_History(const QByteArray &text) {
    Update_History history;
    Start_Folding folding([&history](const QJsonObject &entry) { history.Entries << entry; });
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n)
        Take_Line(
            lines.at(n), n + 1, [&folding](const QJsonObject &entry) { folding.Take(entry); },
            [&history](const QString &warning) { history.Warnings << warning; });
    folding.Finish();
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

void Read_Update_History(const QString &proj_dir,
                         const std::function<void(const QJsonObject &)> &entry,
                         const std::function<void(const QString &)> &warning) {
    Start_Folding folding(entry);
    const auto take = [&folding](const QJsonObject &line) {
        folding.Take(line);
    };
    const QString path = Join_Path(proj_dir, Update_Record_File_Name);
    if (!QFileInfo::exists(path))
        return;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw Core_Error(QStringLiteral("Cannot read %1: %2")
                             .arg(QDir::toNativeSeparators(path),
                                  QFileInfo(path).isFile() ? file.errorString()
                                                           : QStringLiteral("not a regular file")));
    for (qsizetype number = 1; !file.atEnd(); ++number) {
        QByteArray line = file.readLine(Record_Line_Limit + 1);
        if (line.endsWith('\n') || file.atEnd()) {
            Take_Line(line, number, take, warning);
            continue;
        }
        // Longer than any line written: passed over in pieces of the limit.
        while (!line.endsWith('\n') && !file.atEnd())
            line = file.readLine(Record_Line_Limit + 1);
        warning(QStringLiteral("line %1 is longer than %2 bytes and is skipped")
                    .arg(number)
                    .arg(Record_Line_Limit));
    }
    if (file.error() != QFileDevice::NoError)
        throw Core_Error(QStringLiteral("Cannot read %1: %2")
                             .arg(QDir::toNativeSeparators(path), file.errorString()));
    folding.Finish();
}
