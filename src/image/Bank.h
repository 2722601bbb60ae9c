#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

// The 2048-byte configuration image: parameter fields at fixed offsets, little-endian,
// reserved bytes zero, and an additive checksum in the last four bytes.
inline constexpr int Bank_Size = 2048;
inline constexpr int Bank_Buffer_Capacity = 100001;
inline constexpr int Bank_Checksum_Offset = 0x7FC;
inline constexpr int Bank_Constant_Offset = 0x034;
inline constexpr quint16 Bank_Constant = 10000;
inline constexpr int Bank_Offset_Registers = 0x160;
inline constexpr int Bank_Offset_Status = 0x164;

// Where the fields of one Modbus TCP endpoint lie in the image.
struct Bank_Endpoint {
    const char *Key_Prefix; // of its keys in the parameter file
    int IP, Mask, Gateway, Port, Port_Copy;
    quint8 Default_IP4;
    quint16 Default_Port;
};
inline constexpr Bank_Endpoint Bank_Endpoints[2] = {
    {"Modbus_TCP_Slave_", 0x028, 0x02C, 0x030, 0x036, 0x038, 5, 502},
    {"Modbus_TCP_Slave_2_", 0x150, 0x154, 0x158, 0x15C, 0x15E, 6, 503},
};

using Bank_Image = std::array<quint8, Bank_Size>;

extern Bank_Image Bank_Record;
extern std::array<quint8, Bank_Buffer_Capacity> Bank_Buffer;
extern int Bank_Length;

// Every byte zero, then the constant 10000 at 0x034.
void Clear_Bank();

// Fills Bank_Record from the parameter file App.ParGen_File; a missing file leaves the record
// as it is. Throws Core_Error when the file is not well-formed XML.
void Read_ParGen_Into_Bank();

// Stores the checksum, copies the record into buffer from position on, returns the position
// after it.
int Append_Bank(int position, quint8 *buffer);

// Clear, read, stage: afterwards the first Bank_Length bytes of Bank_Buffer are the image.
void Compile_Bank();

// The image of a configuration: proj_dir/bin/bank.bin.
QString Bank_File_Path(const QString &proj_dir);

// Writes the staged image to Proj_Dir/bin/bank.bin, creating the bin folder when missing.
// Throws Core_Error with the reason when it cannot be written; the old file then stays.
void Save_Bank();

// Writes the staged image to path (safely, as Save_Bank does).
void Write_Bank_File(const QString &path);

// The sum of the bytes before the checksum, each unsigned.
quint32 Bank_Checksum(const quint8 *image);

quint16 Read_U16(const quint8 *image, int offset);
quint32 Read_U32(const quint8 *image, int offset);
