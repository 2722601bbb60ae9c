#include "UpdatePlan.h"

#include "image/Bank.h"
#include "language/LangStrings.h"
#include "parameters/ParGen.h"
#include "parameters/Validation.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "update/JobFile.h"
#include "update/ModbusCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

QString Native(const QString &path) {
    return QDir::toNativeSeparators(path);
}

QString Octets(const quint8 *image, int offset) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(image[offset])
        .arg(image[offset + 1])
        .arg(image[offset + 2])
        .arg(image[offset + 3]);
}

} // namespace

bool Sends_Firmware(int option) {
    return option == Update_Firmware_And_Configuration || option == Update_Firmware;
}

bool Sends_Configuration(int option) {
    return option == Update_Firmware_And_Configuration || option == Update_Configuration;
}

QList<Modbus_Endpoint> Sent_Endpoints() {
    return Configuration_Endpoints(Load_ParGen(App.ParGen_File));
}

QString Firmware_Path() {
    return Join_Path(App.Master_Dir, Firmware_File_Name);
}

std::optional<QString> Configuration_Refusal(Update_Front front) {
    if (!QFileInfo::exists(App.ParGen_File))
        return Lang_Strings.at(front == Update_Front::Window ? 650 : 651);
    if (const std::optional<int> message = First_Failed_Rule(Load_ParGen(App.ParGen_File)))
        return Lang_Strings.at(*message);
    return std::nullopt;
}

std::optional<QString> Update_Refusal(int option, Update_Front front) {
    if (std::optional<QString> refusal = Configuration_Refusal(front))
        return refusal;
    const QFileInfo firmware(Firmware_Path());
    if (Sends_Firmware(option) && (!firmware.isFile() || firmware.size() == 0))
        return Lang_Strings.at(652).arg(Native(firmware.filePath()));
    const QFileInfo updater(Join_Path(App.App_Dir, Updater_File_Name));
    if (!updater.isFile() || !updater.isExecutable())
        return Lang_Strings.at(653).arg(Native(updater.filePath()));
    return std::nullopt;
}

QStringList Update_Summary(const QString &name, const QByteArray &image, int option) {
    QStringList lines{Lang_Strings.at(654).arg(name)};
    if (!Sends_Configuration(option)) {
        // Firmware alone: the device keeps its configuration, endpoints and offsets.
        lines << Lang_Strings.at(690);
    } else if (image.size() == Bank_Size) {
        const auto *bytes = reinterpret_cast<const quint8 *>(image.constData());
        lines << Lang_Strings.at(655).arg(QStringLiteral("0x%1").arg(
            Read_U32(bytes, Bank_Checksum_Offset), 8, 16, QLatin1Char('0')));
        const QStringList names = Configuration_Endpoint_Names();
        for (std::size_t n = 0; n < std::size(Bank_Endpoints); ++n)
            lines << Lang_Strings.at(656)
                         .arg(names.at(int(n)), Octets(bytes, Bank_Endpoints[n].IP))
                         .arg(Read_U16(bytes, Bank_Endpoints[n].Port));
        lines << Lang_Strings.at(657)
                     .arg(qint32(Read_U32(bytes, Bank_Offset_Registers)))
                     .arg(qint32(Read_U32(bytes, Bank_Offset_Status)));
    }
    if (!Sends_Firmware(option)) {
        lines << Lang_Strings.at(659);
    } else {
        const QFileInfo firmware(Firmware_Path());
        lines << (firmware.isFile()
                      ? Lang_Strings.at(658).arg(
                            firmware.fileName(), QLocale::c().toString(firmware.size()),
                            firmware.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                      : Lang_Strings.at(652).arg(Native(firmware.filePath())));
    }
    return lines;
}
