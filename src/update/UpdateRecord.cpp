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

} // namespace

Update_History Parse_Update_History(const QByteArray &text) {
    Update_History history;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n)
        Take_Line(
            lines.at(n), n + 1, [&history](const QJsonObject &entry) { history.Entries << entry; },
            [&history](const QString &warning) { history.Warnings << warning; });
    return history;
}

void Read_Update_History(const QString &proj_dir,
                         const std::function<void(const QJsonObject &)> &entry,
                         const std::function<void(const QString &)> &warning) {
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
            Take_Line(line, number, entry, warning);
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
}
