#include "Bank.h"

#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "platform/XmlFile.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

#include <QFileInfo>
#include <cstring>
#include <filesystem>

Bank_Image Bank_Record;
std::array<quint8, Bank_Buffer_Capacity> Bank_Buffer;
int Bank_Length = 0;

namespace {

void Write_U16(int offset, quint16 value) {
    Bank_Record[offset] = quint8(value);
    Bank_Record[offset + 1] = quint8(value >> 8);
}

void Write_U32(int offset, quint32 value) {
    for (int i = 0; i < 4; ++i)
        Bank_Record[offset + i] = quint8(value >> (8 * i));
}

// The key's text as an integer, or the default when the key is missing or unreadable.
int Read_Key(const QDomElement &root, const QString &key, int default_value) {
    return Text_To_Int_Def(Child_Text(root, key).value_or(QString()), default_value);
}

void Read_Octets(const QDomElement &root, const QString &key, int offset,
                 const std::array<quint8, 4> &defaults) {
    for (int i = 0; i < 4; ++i)
        Bank_Record[offset + i] = quint8(Read_Key(root, key + QString::number(i + 1), defaults[i]));
}

void Read_Endpoint(const QDomElement &root, const Bank_Endpoint &endpoint) {
    const QString prefix = QLatin1String(endpoint.Key_Prefix);
    Read_Octets(root, prefix + QLatin1String("IP"), endpoint.IP,
                {192, 168, 0, endpoint.Default_IP4});
    Read_Octets(root, prefix + QLatin1String("SM"), endpoint.Mask, {255, 255, 255, 0});
    Read_Octets(root, prefix + QLatin1String("GAT"), endpoint.Gateway, {192, 168, 0, 1});
    if (Child_Text(root, prefix + QLatin1String("EN_GAT")) != QLatin1String("1"))
        std::memset(&Bank_Record[endpoint.Gateway], 0xFF, 4);
    const quint16 port =
        quint16(Read_Key(root, prefix + QLatin1String("Port"), endpoint.Default_Port));
    Write_U16(endpoint.Port, port);
    Write_U16(endpoint.Port_Copy, port);
}

QString Bank_Folder(const QString &proj_dir) {
    return Join_Path(proj_dir, QStringLiteral("bin"));
}

} // namespace

quint16 Read_U16(const quint8 *image, int offset) {
    return quint16(image[offset] | (image[offset + 1] << 8));
}

quint32 Read_U32(const quint8 *image, int offset) {
    return quint32(image[offset]) | quint32(image[offset + 1]) << 8 |
           quint32(image[offset + 2]) << 16 | quint32(image[offset + 3]) << 24;
}

quint32 Bank_Checksum(const quint8 *image) {
    quint32 sum = 0;
    for (int i = 0; i < Bank_Checksum_Offset; ++i)
        sum += image[i];
    return sum;
}

void Clear_Bank() {
    Bank_Record.fill(0);
    Write_U16(Bank_Constant_Offset, Bank_Constant);
}

void Read_ParGen_Into_Bank() {
    if (!QFileInfo::exists(App.ParGen_File))
        return;
    const QDomElement root = First_Top_Element(Read_Xml_File(App.ParGen_File));
    for (const Bank_Endpoint &endpoint : Bank_Endpoints)
        Read_Endpoint(root, endpoint);
    Write_U32(Bank_Offset_Registers,
              quint32(Read_Key(root, QStringLiteral("OPTIONS_OFFSET_REGISTERS"), 0)));
    Write_U32(Bank_Offset_Status,
              quint32(Read_Key(root, QStringLiteral("OPTIONS_OFFSET_STATUS"), 0)));
}

int Append_Bank(int position, quint8 *buffer) {
    Write_U32(Bank_Checksum_Offset, Bank_Checksum(Bank_Record.data()));
    std::memcpy(buffer + position, Bank_Record.data(), Bank_Size);
    return position + Bank_Size;
}

void Compile_Bank() {
    Clear_Bank();
    Read_ParGen_Into_Bank();
    Bank_Length = 0;
    Bank_Length = Append_Bank(0, Bank_Buffer.data());
}

void Write_Bank_File(const QString &path) {
    Write_File_Safely(path,
                      QByteArray(reinterpret_cast<const char *>(Bank_Buffer.data()), Bank_Length));
}

QString Bank_File_Path(const QString &proj_dir) {
    return Join_Path(Bank_Folder(proj_dir), QStringLiteral("bank.bin"));
}

void Save_Bank() {
    const QString bin = Bank_Folder(App.Proj_Dir);
    Refuse_Links(bin);
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(bin.toStdU16String()), error);
    if (error)
        throw Core_Error(QStringLiteral("Cannot create the folder %1: %2")
                             .arg(bin, QString::fromLocal8Bit(error.message())));
    Write_Bank_File(Bank_File_Path(App.Proj_Dir));
}
