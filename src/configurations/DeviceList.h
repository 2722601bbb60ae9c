#pragma once

#include "parameters/ParGen.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// A device list is far below this; the limit keeps a mistaken file from filling memory.
inline constexpr qint64 Device_List_Limit = 4 * 1024 * 1024;

// One record of a CSV text with the line it starts on.
struct Csv_Record {
    int Line = 0;
    QStringList Fields;
};

// The records of CSV text as it comes from spreadsheets and editors: UTF-8 with or without a
// byte-order mark, lines ended by CR LF, LF or CR, the last one with or without an end, fields
// separated by commas, a field in double quotes may hold commas, line ends and doubled quotes.
// Blanks around an unquoted field go. Blank lines and lines starting with "#" are skipped.
// Problems (text that is not UTF-8, a quote left open, text after a closing quote) are added
// to errors as "line N: reason".
QList<Csv_Record> Read_Csv(const QByteArray &text, QStringList &errors);

// One device of a list: the configuration it gets, the values of the columns that are not
// empty in file order, the address it answers at now (empty: the new address of endpoint 1)
// and the update option (nullopt: the update's default).
struct Device_Row {
    int Line = 0;
    QString Name;
    QString Reach;
    QList<std::pair<const ParGen_Key *, QString>> Values;
    std::optional<int> Option;
};

// The device list: the rows and every problem found in the header and the rows, each as
// "line N: reason". The list is usable only when Errors is empty.
struct Device_List {
    QList<Device_Row> Rows;
    QStringList Errors;
};

// Reads a device list. The header names the columns: "name" (required), "reach", "option",
// any parameter key, or the short forms "address", "mask", "gateway", "port" of endpoint 1
// ("address2", "mask2", "gateway2", "port2" of endpoint 2; an address column takes four
// dotted bytes, a gateway also switches the endpoint's gateway on), "offset_registers" and
// "offset_status". Each row is checked on its own: the number of fields, a safe configuration
// name that no earlier row uses, an address where one belongs, a switch of 1 or 0, an option
// of 0, 1 or 2. The rules are for Check_Device (they need the configuration's other values).
Device_List Read_Device_List(const QByteArray &text);

// params with the values of row applied.
ParGen_Params Apply_Device_Row(ParGen_Params params, const Device_Row &row);

// The address the update of row uses: Reach, or the address endpoint 1 gets.
QString Device_Reach(const Device_Row &row, const ParGen_Params &params);
