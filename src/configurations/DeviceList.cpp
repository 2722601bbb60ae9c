#include "DeviceList.h"

#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "parameters/Validation.h"
#include "shell/Conversions.h"
#include "shell/TextDecoding.h"

#include <array>
#include <map>

namespace {

QString At_Line(int line, const QString &reason) {
    return QStringLiteral("line %1: %2").arg(line).arg(reason);
}

// What a column holds: the name, the reach, the option, or parameter keys. An address column
// splits over four keys; a gateway column sets the gateway switch besides.
struct Column {
    enum Kind { Name, Reach, Option, Key, Address, Extra } What = Key;
    std::array<const ParGen_Key *, 4> Keys{};
    const ParGen_Key *Switch = nullptr;
};

// The column names besides the parameter keys, as the error for an unknown column lists them.
const QStringList Short_Columns{
    QStringLiteral("name"),         QStringLiteral("reach"),    QStringLiteral("option"),
    QStringLiteral("address"),      QStringLiteral("mask"),     QStringLiteral("gateway"),
    QStringLiteral("port"),         QStringLiteral("address2"), QStringLiteral("mask2"),
    QStringLiteral("gateway2"),     QStringLiteral("port2"),    QStringLiteral("offset_registers"),
    QStringLiteral("offset_status")};

// A parameter key whose name is name in any case.
const ParGen_Key *Key_In_Any_Case(const QString &name) {
    for (const ParGen_Key &key : ParGen_Keys()) {
        if (name.compare(QLatin1String(key.Key), Qt::CaseInsensitive) == 0)
            return &key;
    }
    return nullptr;
}

// The column a header names, in any case of its letters and with blanks around it.
std::optional<Column> Known_Column(const QString &written) {
    const QString header = written.trimmed().toLower();
    if (header == QLatin1String("name"))
        return Column{Column::Name, {}, nullptr};
    if (header == QLatin1String("reach"))
        return Column{Column::Reach, {}, nullptr};
    if (header == QLatin1String("option"))
        return Column{Column::Option, {}, nullptr};
    if (const ParGen_Key *key = Key_In_Any_Case(header))
        return Column{Column::Key, {key}, nullptr};
    const auto key = [](const QString &name) {
        return Find_ParGen_Key(name);
    };
    const auto four = [&key](const QString &stem, const char *part) {
        std::array<const ParGen_Key *, 4> keys{};
        for (int i = 0; i < 4; ++i)
            keys[i] = key(QStringLiteral("%1_%2%3").arg(stem, QLatin1String(part)).arg(i + 1));
        return keys;
    };
    // The short forms of endpoint 1 have no suffix, those of endpoint 2 end in "2".
    for (const auto &[suffix, stem] :
         {std::pair{QString(), QStringLiteral("Modbus_TCP_Slave")},
          std::pair{QStringLiteral("2"), QStringLiteral("Modbus_TCP_Slave_2")}}) {
        if (header == QLatin1String("address") + suffix)
            return Column{Column::Address, four(stem, "IP"), nullptr};
        if (header == QLatin1String("mask") + suffix)
            return Column{Column::Address, four(stem, "SM"), nullptr};
        if (header == QLatin1String("gateway") + suffix)
            return Column{Column::Address, four(stem, "GAT"), key(stem + QLatin1String("_EN_GAT"))};
        if (header == QLatin1String("port") + suffix)
            return Column{Column::Key, {key(stem + QLatin1String("_Port"))}, nullptr};
    }
    if (header == QLatin1String("offset_registers"))
        return Column{Column::Key, {key(QStringLiteral("OPTIONS_OFFSET_REGISTERS"))}, nullptr};
    if (header == QLatin1String("offset_status"))
        return Column{Column::Key, {key(QStringLiteral("OPTIONS_OFFSET_STATUS"))}, nullptr};
    return std::nullopt;
}

QString Unknown_Column_Text(const QString &header) {
    QStringList known = Short_Columns;
    for (const ParGen_Key &key : ParGen_Keys())
        known << QLatin1String(key.Key);
    return QStringLiteral("unknown column '%1'; the known columns are %2 (letters in either case)")
        .arg(header, known.join(QStringLiteral(", ")));
}

// The parameter keys a column sets.
QList<const ParGen_Key *> Keys_Of(const Column &column) {
    QList<const ParGen_Key *> keys;
    for (const ParGen_Key *key : column.Keys) {
        if (key)
            keys << key;
    }
    if (column.Switch)
        keys << column.Switch;
    return keys;
}

// Reads one field's value into row; the reason when the value cannot be used.
std::optional<QString> Take_Field(const Column &column, const QString &header, const QString &value,
                                  Device_Row &row) {
    const QString cell = QStringLiteral("%1 '%2'").arg(header, value);
    switch (column.What) {
    case Column::Name:
        row.Name = value;
        return std::nullopt;
    case Column::Reach:
        if (!Decimal_IPv4(value))
            return QStringLiteral("reach '%1' is not an address of four decimal bytes").arg(value);
        row.Reach = *Decimal_IPv4(value);
        return std::nullopt;
    case Column::Option: {
        const auto option = Decimal_Int(value);
        if (!option || *option < 0 || *option > 2 || !value.front().isDigit())
            return QStringLiteral("option '%1' is not 0, 1 or 2").arg(value);
        row.Option = *option;
        return std::nullopt;
    }
    case Column::Address: {
        std::array<QString, 4> parts;
        if (!Decimal_IPv4(value) || !Split_IP_Address(value, parts))
            return QStringLiteral("%1 is not four decimal bytes").arg(cell);
        for (int i = 0; i < 4; ++i) {
            row.Values.append({column.Keys[i], parts[i]});
            row.Cells.append({column.Keys[i], cell});
        }
        if (column.Switch)
            row.Values.append({column.Switch, QStringLiteral("1")});
        return std::nullopt;
    }
    case Column::Key:
        if (column.Keys[0]->Switch && value != QLatin1String("1") && value != QLatin1String("0"))
            return QStringLiteral("%1 takes 1 or 0, not '%2'").arg(header, value);
        row.Values.append({column.Keys[0], value});
        row.Cells.append({column.Keys[0], cell});
        return std::nullopt;
    case Column::Extra:
        row.Extra.append({header, value});
        return std::nullopt;
    }
    return std::nullopt;
}

// The separator of the header line: the most frequent of comma, semicolon and tab outside
// quotes, a comma when there is none (a list of one column) or on a tie.
QChar Header_Separator(const QString &text, qsizetype from) {
    const QChar candidates[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};
    qsizetype counts[3] = {0, 0, 0};
    bool quoted = false;
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        for (int k = 0; k < 3; ++k)
            counts[k] += !quoted && c == candidates[k];
    }
    int best = 0;
    for (int k = 1; k < 3; ++k) {
        if (counts[k] > counts[best])
            best = k;
    }
    return candidates[best];
}

} // namespace

QList<Csv_Record> Read_Csv(const QByteArray &bytes, QStringList &errors, QStringList &notes) {
    const Decoded_Text decoded = Decode_Text(bytes, true);
    if (decoded.Invalid) {
        errors << QStringLiteral("the file's byte-order mark names an encoding its text does not "
                                 "follow");
        return {};
    }
    if (decoded.Ansi)
        notes << QStringLiteral("the file is not UTF-8 text; it is read in %1, as Excel saves "
                                "\"CSV\" on Windows")
                     .arg(Ansi_Code_Page_Name());
    const QString &text = decoded.Text;
    const qsizetype n = text.size();
    // The length of the line end at at: 2 for CR LF, 1 for LF or CR, 0 for none.
    const auto line_end = [&text, n](qsizetype at) -> qsizetype {
        if (at >= n)
            return 0;
        if (text.at(at) == QLatin1Char('\r'))
            return at + 1 < n && text.at(at + 1) == QLatin1Char('\n') ? 2 : 1;
        return text.at(at) == QLatin1Char('\n') ? 1 : 0;
    };
    const auto skip_line = [&line_end, n](qsizetype at) {
        while (at < n && !line_end(at))
            ++at;
        return at + line_end(at);
    };
    qsizetype i = 0;
    int line = 1;
    QChar separator;
    // Excel writes and reads a first line "sep=;" that names the separator.
    if (text.startsWith(QLatin1String("sep="), Qt::CaseInsensitive) && n > 4 && !line_end(4)) {
        separator = text.at(4);
        i = skip_line(4);
        ++line;
    }
    const auto blank = [&text, n, &separator](qsizetype at) {
        return at < n && text.at(at) != separator &&
               (text.at(at) == QLatin1Char(' ') || text.at(at) == QLatin1Char('\t'));
    };
    const auto field_end = [&text, n, &line_end, &separator](qsizetype at) {
        return at >= n || text.at(at) == separator || line_end(at) > 0;
    };
    QList<Csv_Record> records;
    while (i < n) {
        Csv_Record record{line, {}};
        qsizetype first = i;
        while (blank(first))
            ++first;
        if (first >= n || line_end(first) || text.at(first) == QLatin1Char('#')) {
            i = skip_line(first);
            ++line;
            continue;
        }
        if (separator.isNull())
            separator = Header_Separator(text, first);
        bool bad = false;
        for (;;) {
            QString field;
            while (blank(i))
                ++i;
            if (i < n && text.at(i) == QLatin1Char('"')) {
                bool closed = false;
                for (++i; i < n && !closed;) {
                    if (text.at(i) == QLatin1Char('"')) {
                        closed = i + 1 >= n || text.at(i + 1) != QLatin1Char('"');
                        if (!closed)
                            field += QLatin1Char('"');
                        i += closed ? 1 : 2;
                    } else if (const qsizetype end = line_end(i)) {
                        field += QLatin1Char('\n');
                        i += end;
                        ++line;
                    } else {
                        field += text.at(i++);
                    }
                }
                if (!closed) {
                    errors << At_Line(record.Line, QStringLiteral("a quote is left open"));
                    return records;
                }
                while (blank(i))
                    ++i;
                if (!field_end(i)) {
                    if (!bad)
                        errors << At_Line(record.Line,
                                          QStringLiteral("text after a closing quote"));
                    bad = true;
                    while (!field_end(i))
                        ++i;
                }
            } else {
                while (!field_end(i))
                    field += text.at(i++);
                field = field.trimmed();
            }
            record.Fields << field;
            if (i >= n || text.at(i) != separator)
                break;
            ++i;
        }
        i += line_end(i);
        ++line;
        // A row of separators alone is what a spreadsheet leaves of a row it once formatted.
        const bool empty = std::all_of(record.Fields.begin(), record.Fields.end(),
                                       [](const QString &field) { return field.isEmpty(); });
        if (!bad && !empty)
            records << record;
    }
    return records;
}

Device_List Read_Device_List(const QByteArray &text, bool ignore_unknown_columns) {
    Device_List list;
    const QList<Csv_Record> records = Read_Csv(text, list.Errors, list.Notes);
    if (records.isEmpty()) {
        if (list.Errors.isEmpty())
            list.Errors << At_Line(1, QStringLiteral("the list has no header line"));
        return list;
    }
    Csv_Record header = records.front();
    // Columns a spreadsheet exports empty beyond the last one used.
    while (!header.Fields.isEmpty() && header.Fields.last().isEmpty())
        header.Fields.removeLast();
    QList<Column> columns;
    std::map<const ParGen_Key *, QString> set_by;
    bool has_name = false;
    for (const QString &name : header.Fields) {
        std::optional<Column> column = Known_Column(name);
        if (!column && ignore_unknown_columns)
            column = Column{Column::Extra, {}, nullptr};
        if (!column) {
            list.Errors << At_Line(header.Line, Unknown_Column_Text(name));
            continue;
        }
        const bool twice =
            (column->What == Column::Name && has_name) ||
            std::any_of(columns.begin(), columns.end(), [&column](const Column &other) {
                return other.What == column->What && other.What != Column::Key &&
                       other.What != Column::Address && other.What != Column::Extra;
            });
        for (const ParGen_Key *key : Keys_Of(*column)) {
            const auto [found, added] = set_by.emplace(key, name);
            if (!added && !twice)
                list.Errors << At_Line(header.Line,
                                       QStringLiteral("columns '%1' and '%2' both "
                                                      "set %3")
                                           .arg(found->second, name, QLatin1String(key->Key)));
        }
        if (twice)
            list.Errors << At_Line(header.Line,
                                   QStringLiteral("column '%1' is given twice").arg(name));
        has_name = has_name || column->What == Column::Name;
        columns << *column;
    }
    if (!has_name)
        list.Errors << At_Line(header.Line, QStringLiteral("the header has no column 'name'"));
    if (!list.Errors.isEmpty())
        return list;

    QStringList names;
    for (qsizetype r = 1; r < records.size(); ++r) {
        Csv_Record record = records.at(r);
        while (record.Fields.size() > columns.size() && record.Fields.last().isEmpty())
            record.Fields.removeLast();
        if (record.Fields.size() != columns.size()) {
            list.Errors << At_Line(record.Line, QStringLiteral("%1 fields where the header has %2")
                                                    .arg(record.Fields.size())
                                                    .arg(columns.size()));
            continue;
        }
        Device_Row row;
        row.Line = record.Line;
        bool good = true;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const QString &value = record.Fields.at(c);
            if (value.isEmpty() && columns.at(c).What != Column::Name &&
                columns.at(c).What != Column::Extra)
                continue; // an empty cell leaves the value as it is
            if (const auto reason = Take_Field(columns.at(c), header.Fields.at(c), value, row)) {
                list.Errors << At_Line(record.Line, *reason);
                good = false;
            }
        }
        if (!Configuration_Name_Safe(row.Name)) {
            list.Errors << At_Line(
                record.Line,
                QStringLiteral("name '%1' is not a valid configuration name").arg(row.Name));
            good = false;
        } else if (Find_Configuration(names, row.Name) >= 0) {
            list.Errors << At_Line(
                record.Line, QStringLiteral("name '%1' is given on line %2 already")
                                 .arg(row.Name)
                                 .arg(list.Rows.at(Find_Configuration(names, row.Name)).Line));
            good = false;
        }
        if (good) {
            names << row.Name;
            list.Rows << row;
        }
    }
    if (list.Rows.isEmpty() && list.Errors.isEmpty())
        list.Errors << At_Line(header.Line, QStringLiteral("the list names no device"));
    return list;
}

ParGen_Params Apply_Device_Row(ParGen_Params params, const Device_Row &row) {
    for (const auto &[key, value] : row.Values)
        Set_ParGen_Value(params, *key, value);
    return params;
}

std::optional<QString> Device_Rule_Failure(const Device_Row &row, const ParGen_Params &params) {
    const ParGen_Rule *rule = Failed_Rule(params);
    if (!rule)
        return std::nullopt;
    const ParGen_Key &key = ParGen_Keys().at(ParGen_Key_Index(rule->Field));
    const auto cell = std::find_if(row.Cells.begin(), row.Cells.end(),
                                   [&key](const std::pair<const ParGen_Key *, QString> &given) {
                                       return given.first == &key;
                                   });
    const QString source = cell != row.Cells.end()
                               ? cell->second
                               : QStringLiteral("%1 '%2' of the configuration")
                                     .arg(QLatin1String(key.Key), ParGen_Value(params, key));
    return QStringLiteral("%1 (%2)").arg(Lang_Strings.at(rule->Message), source);
}

QString Device_Reach(const Device_Row &row, const ParGen_Params &params) {
    if (!row.Reach.isEmpty())
        return row.Reach;
    const QString parts[] = {params.Modbus_TCP_Slave_IP1, params.Modbus_TCP_Slave_IP2,
                             params.Modbus_TCP_Slave_IP3, params.Modbus_TCP_Slave_IP4};
    return Decimal_IPv4(QStringList(std::begin(parts), std::end(parts)).join(QLatin1Char('.')))
        .value_or(QString());
}
