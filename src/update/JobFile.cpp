#include "JobFile.h"

#include "image/Bank.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/ProcessLaunch.h"
#include "platform/XmlFile.h"
#include "shell/Conversions.h"

#include <utility>

namespace {

// The values in which a firmware and a configuration operation differ.
struct Operation_Kind {
    QString File_Name;
    const char *Start_Address;
    const char *Bank_Type;
    const char *Write_CSS;
    const char *Address_CSS;
    bool Last;
};

void Append_Operation(QDomDocument &doc, QDomElement &operations, const Operation_Kind &kind,
                      bool read_back) {
    QDomElement operation = Append_Text_Element(doc, operations, QStringLiteral("Operation"));
    const QString read_back_text = read_back ? QStringLiteral("1") : QStringLiteral("0");
    const std::pair<const char *, QString> children[] = {
        {"Ope_Protection_Enabled", QString()},
        {"Ope_GoToBoot_Before", QStringLiteral("0")},
        {"Ope_GoToApp_Before", QStringLiteral("0")},
        {"Ope_IP_Address", QString()},
        {"Ope_Port", QStringLiteral("2007")},
        {"Ope_Erase_Memory", QStringLiteral("0")},
        {"Ope_FileName", kind.File_Name},
        {"Ope_Start_Address", QLatin1String(kind.Start_Address)},
        {"Ope_Memory_Type", QStringLiteral("0")},
        {"Ope_Bank_Type", QLatin1String(kind.Bank_Type)},
        {"Ope_Read_Back", read_back_text},
        {"Ope_Write_CSS", QLatin1String(kind.Write_CSS)},
        {"Ope_Address_CSS", QLatin1String(kind.Address_CSS)},
        {"Ope_Command_CSS", QStringLiteral("0x0B")},
        {"Ope_Write_Internal_Data", QStringLiteral("0")},
        {"Ope_WID_Address", QStringLiteral("0x78200")},
        {"Ope_WID_Command", QStringLiteral("0x0B")},
        {"Ope_WID_Data", QString()},
        {"Ope_GoToApp_After", kind.Last ? QStringLiteral("1") : QStringLiteral("0")},
    };
    for (const auto &[name, text] : children)
        Append_Text_Element(doc, operation, QLatin1String(name), text);
}

} // namespace

QDomDocument Build_Update_Job(const Update_Job &job) {
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Ethernet_Update"));
    doc.appendChild(root);
    const std::pair<const char *, QString> header[] = {
        {"Version", QStringLiteral("1000")},
        {"Title", QStringLiteral("Velmor - CF20914 Ethernet Update")},
        {"IP_Address_Dev", job.IP_Address},
        {"Application_Port", QStringLiteral("10000")},
        {"Boot_Port", QStringLiteral("2007")},
        {"Address_Protection", QStringLiteral("0x78000")},
    };
    for (const auto &[name, text] : header)
        Append_Text_Element(doc, root, QLatin1String(name), text);
    QDomElement protections = Append_Text_Element(doc, root, QStringLiteral("Protections"));
    Append_Text_Element(doc, protections, QStringLiteral("Protection"), QStringLiteral("0x2E7"));
    QDomElement operations = Append_Text_Element(doc, root, QStringLiteral("Operations"));

    const auto file_name = [&job](const QString &path) {
        return job.Updater.isEmpty() ? path : Path_For_Program(job.Updater, path);
    };
    const bool firmware =
        job.Option == Update_Firmware_And_Configuration || job.Option == Update_Firmware;
    const bool configuration =
        job.Option == Update_Firmware_And_Configuration || job.Option == Update_Configuration;
    if (firmware)
        Append_Operation(doc, operations,
                         {file_name(Join_Path(job.Master_Dir, Firmware_File_Name)), "0x8000", "1",
                          "1", "0x78100", !configuration},
                         job.Read_Back);
    if (configuration)
        Append_Operation(
            doc, operations,
            {file_name(Bank_File_Path(job.Proj_Dir)), "0x68000", "2", "0", "0x50100", true},
            job.Read_Back);
    return doc;
}

void Write_Update_Job(const Update_Job &job, const QString &path) {
    const std::optional<QString> address = Checked_IP_Address(job.IP_Address);
    if (!address)
        throw Core_Error(QStringLiteral("Cannot write %1: \"%2\" is not an IPv4 address")
                             .arg(path, job.IP_Address));
    Update_Job checked = job;
    checked.IP_Address = *address;
    Write_Xml_File(Build_Update_Job(checked), path);
}
