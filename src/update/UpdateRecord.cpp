#include "UpdateRecord.h"

#include "image/Bank.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"
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
    return history;
}

Update_History Read_Update_History(const QString &proj_dir) {
    const QString path = Join_Path(proj_dir, Update_Record_File_Name);
    if (!QFileInfo::exists(path))
        return {};
    return Parse_Update_History(Read_Input_File(path, Record_Read_Limit));
}
