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

// The records of CSV text as spreadsheets and editors save it. The text is UTF-8 or UTF-16 with
// a byte-order mark, UTF-8 without one, or else the ANSI code page, which adds a note to notes
// (see Decode_Text). Lines end with CR LF, LF or CR, the last one with or without an end.
// Fields are separated by the separator a first line "sep=X" names, or else by the most frequent
// of comma, semicolon and tab in the first line that is not skipped (the header). A field in
// double quotes may hold separators, line ends and doubled quotes. Blanks around an unquoted
// field go. Blank lines, lines starting with "#" and rows whose fields are all empty are
// skipped. Problems (a quote left open, text after a closing quote) are added to errors as
// "line N: reason".
QList<Csv_Record> Read_Csv(const QByteArray &text, QStringList &errors, QStringList &notes);

// One device of a list: the configuration it gets, the values of the columns that are not
// empty in file order, the address it answers at now (empty: the new address of endpoint 1)
// and the update option (nullopt: the update's default).
struct Device_Row {
    int Line = 0;
    QString Name;
    QString Reach;
    QList<std::pair<const ParGen_Key *, QString>> Values;
    // The cell each key's value came from, as "column 'cell'", for the messages about it.
    QList<std::pair<const ParGen_Key *, QString>> Cells;
    std::optional<int> Option;
    // Columns the reader was told to pass over, with their cells, for the report.
    QList<std::pair<QString, QString>> Extra;
};

// The device list: the rows and every problem found in the header and the rows, each as
// "line N: reason". The list is usable only when Errors is empty. Notes say how the file was
// read where that may surprise (the ANSI code page).
struct Device_List {
    QList<Device_Row> Rows;
    QStringList Errors;
    QStringList Notes;
};

// Reads a device list (see Read_Csv). The header names the columns, in any case of their letters
// and with blanks around them: "name" (required), "reach", "option",
// any parameter key, or the short forms "address", "mask", "gateway", "port" of endpoint 1
// ("address2", "mask2", "gateway2", "port2" of endpoint 2; an address column takes four
// dotted bytes, a gateway also switches the endpoint's gateway on), "offset_registers" and
// "offset_status". Each row is checked on its own: the number of fields, a safe configuration
// name that no earlier row uses, an address where one belongs, a switch of 1 or 0, an option
// of 0, 1 or 2; every such error shows the cell. Empty columns after the last named one are
// dropped. A column of another name is an error that lists the known ones, or with
// ignore_unknown_columns is carried in each row's Extra. The rules are for
// Device_Rule_Failure (they need the configuration's other values).
Device_List Read_Device_List(const QByteArray &text, bool ignore_unknown_columns = false);

// The message of the first rule that params (a configuration with row applied) fail, with the
// value that fails it: the row's cell, or the configuration's own value; nullopt when every rule
// passes.
std::optional<QString> Device_Rule_Failure(const Device_Row &row, const ParGen_Params &params);

// params with the values of row applied.
ParGen_Params Apply_Device_Row(ParGen_Params params, const Device_Row &row);

// The address the update of row uses: Reach, or the address endpoint 1 gets.
QString Device_Reach(const Device_Row &row, const ParGen_Params &params);
