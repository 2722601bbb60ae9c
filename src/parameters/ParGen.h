#pragma once

#include <QString>
#include <array>

// The longest text a parameter takes, in the dialog's fields and from the command line. Thirty
// values of digits that long still make a file the program reads back; the writer refuses a
// file that would not be.
inline constexpr int ParGen_Value_Limit = 32767;

// The communication parameters of one configuration, each field named after its key in the
// parameter file. The texts are kept exactly as typed; numbers are read from them only where
// they are used.
struct ParGen_Params {
    QString Modbus_TCP_Slave_IP1, Modbus_TCP_Slave_IP2, Modbus_TCP_Slave_IP3, Modbus_TCP_Slave_IP4;
    QString Modbus_TCP_Slave_SM1, Modbus_TCP_Slave_SM2, Modbus_TCP_Slave_SM3, Modbus_TCP_Slave_SM4;
    QString Modbus_TCP_Slave_GAT1, Modbus_TCP_Slave_GAT2, Modbus_TCP_Slave_GAT3,
        Modbus_TCP_Slave_GAT4;
    bool Modbus_TCP_Slave_EN_GAT = false;
    QString Modbus_TCP_Slave_Port;
    QString Modbus_TCP_Slave_2_IP1, Modbus_TCP_Slave_2_IP2, Modbus_TCP_Slave_2_IP3,
        Modbus_TCP_Slave_2_IP4;
    QString Modbus_TCP_Slave_2_SM1, Modbus_TCP_Slave_2_SM2, Modbus_TCP_Slave_2_SM3,
        Modbus_TCP_Slave_2_SM4;
    QString Modbus_TCP_Slave_2_GAT1, Modbus_TCP_Slave_2_GAT2, Modbus_TCP_Slave_2_GAT3,
        Modbus_TCP_Slave_2_GAT4;
    bool Modbus_TCP_Slave_2_EN_GAT = false;
    QString Modbus_TCP_Slave_2_Port;
    QString OPTIONS_OFFSET_REGISTERS;
    QString OPTIONS_OFFSET_STATUS;

    bool operator==(const ParGen_Params &other) const;
};

// The fields of one Modbus TCP endpoint, the address bytes most significant first.
struct ParGen_Endpoint {
    std::array<QString ParGen_Params::*, 4> IP, SM, GAT;
    bool ParGen_Params::*EN_GAT;
    QString ParGen_Params::*Port;
};

// Endpoint 1 and endpoint 2.
const std::array<ParGen_Endpoint, 2> &ParGen_Endpoints();

// One key of the parameter file: a text field, or a gateway switch stored as "1" or "0".
struct ParGen_Key {
    const char *Key;
    QString ParGen_Params::*Text; // null for a switch
    bool ParGen_Params::*Switch;  // null for a text
    const char *Default;          // the text default; switches default to off
};

// The thirty keys in file order.
const std::array<ParGen_Key, 30> &ParGen_Keys();

// The position in ParGen_Keys() of the key held in the text field.
std::size_t ParGen_Key_Index(QString ParGen_Params::*field);

// The key of that name (exactly, case included), or null.
const ParGen_Key *Find_ParGen_Key(const QString &name);

// The value of key as the file stores it: the text, or "1" or "0" for a switch.
QString ParGen_Value(const ParGen_Params &params, const ParGen_Key &key);

// Sets key from its file form. A switch takes "1" or "0" only: false for anything else, and
// params stays as it was.
bool Set_ParGen_Value(ParGen_Params &params, const ParGen_Key &key, const QString &value);

ParGen_Params Default_ParGen();

// current with every parameter that edited holds otherwise than shown: the edits of a dialog that
// showed shown, laid over the parameters as they are now.
ParGen_Params Apply_Changes(ParGen_Params current, const ParGen_Params &shown,
                            const ParGen_Params &edited);

// Reads the file key by key, falling back to each key's default; a missing file gives the
// defaults. Throws Core_Error when the file cannot be read or is not well-formed XML.
ParGen_Params Load_ParGen(const QString &path);

// Writes a new file with the thirty keys in order and the version comment after them. Does
// not validate. Throws Core_Error when the file cannot be written; the old file stays.
void Save_ParGen(const ParGen_Params &params, const QString &path);
