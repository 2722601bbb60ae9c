#include "DeviceList.h"

#include "configurations/Configurations.h"
#include "shell/Conversions.h"

#include <QStringDecoder>
#include <array>
#include <map>

namespace {

QString At_Line(int line, const QString &reason) {
    return QStringLiteral("line %1: %2").arg(line).arg(reason);
}

// What a column holds: the name, the reach, the option, or parameter keys. An address column
// splits over four keys; a gateway column sets the gateway switch besides.
struct Column {
    enum Kind { Name, Reach, Option, Key, Address } What = Key;
    std::array<const ParGen_Key *, 4> Keys{};
    const ParGen_Key *Switch = nullptr;
};

std::optional<Column> Known_Column(const QString &header) {
    if (header == QLatin1String("name"))
        return Column{Column::Name, {}, nullptr};
    if (header == QLatin1String("reach"))
        return Column{Column::Reach, {}, nullptr};
    if (header == QLatin1String("option"))
        return Column{Column::Option, {}, nullptr};
    if (const ParGen_Key *key = Find_ParGen_Key(header))
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
            return QStringLiteral("%1 '%2' is not four decimal bytes").arg(header, value);
        for (int i = 0; i < 4; ++i)
            row.Values.append({column.Keys[i], parts[i]});
        if (column.Switch)
            row.Values.append({column.Switch, QStringLiteral("1")});
        return std::nullopt;
    }
    case Column::Key:
        if (column.Keys[0]->Switch && value != QLatin1String("1") && value != QLatin1String("0"))
            return QStringLiteral("%1 takes 1 or 0").arg(header);
        row.Values.append({column.Keys[0], value});
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

QList<Csv_Record> Read_Csv(const QByteArray &bytes, QStringList &errors) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (decoder.hasError()) {
        errors << QStringLiteral("the file is not UTF-8 text");
        return {};
    }
    const qsizetype n = text.size();
    // The length of the line end at at: 2 for CR LF, 1 for LF or CR, 0 for none.
    const auto line_end = [&text, n](qsizetype at) -> qsizetype {
        if (at >= n)
            return 0;
        if (text.at(at) == QLatin1Char('\r'))
            return at + 1 < n && text.at(at + 1) == QLatin1Char('\n') ? 2 : 1;
        return text.at(at) == QLatin1Char('\n') ? 1 : 0;
    };
    const auto blank = [&text, n](qsizetype at) {
        return at < n && (text.at(at) == QLatin1Char(' ') || text.at(at) == QLatin1Char('\t'));
    };
    const auto field_end = [&text, n, &line_end](qsizetype at) {
        return at >= n || text.at(at) == QLatin1Char(',') || line_end(at) > 0;
    };
    QList<Csv_Record> records;
    qsizetype i = 0;
    int line = 1;
    while (i < n) {
        Csv_Record record{line, {}};
        qsizetype first = i;
        while (blank(first))
            ++first;
        if (first < n && text.at(first) == QLatin1Char('#')) {
            while (i < n && !line_end(i))
                ++i;
            i += line_end(i);
            ++line;
            continue;
        }
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
            if (i >= n || text.at(i) != QLatin1Char(','))
                break;
            ++i;
        }
        i += line_end(i);
        ++line;
        const bool empty = record.Fields.size() == 1 && record.Fields.front().isEmpty();
        if (!bad && !empty)
            records << record;
    }
    return records;
}

Device_List Read_Device_List(const QByteArray &text) {
    Device_List list;
    const QList<Csv_Record> records = Read_Csv(text, list.Errors);
    if (records.isEmpty()) {
        if (list.Errors.isEmpty())
            list.Errors << At_Line(1, QStringLiteral("the list has no header line"));
        return list;
    }
    const Csv_Record &header = records.front();
    QList<Column> columns;
    std::map<const ParGen_Key *, QString> set_by;
    bool has_name = false;
    for (const QString &name : header.Fields) {
        const std::optional<Column> column = Known_Column(name);
        if (!column) {
            list.Errors << At_Line(header.Line, QStringLiteral("unknown column '%1'").arg(name));
            continue;
        }
        const bool twice =
            (column->What == Column::Name && has_name) ||
            std::any_of(columns.begin(), columns.end(), [&column](const Column &other) {
                return other.What == column->What && other.What != Column::Key &&
                       other.What != Column::Address;
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
        const Csv_Record &record = records.at(r);
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
            if (value.isEmpty() && columns.at(c).What != Column::Name)
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

QString Device_Reach(const Device_Row &row, const ParGen_Params &params) {
    if (!row.Reach.isEmpty())
        return row.Reach;
    const QString parts[] = {params.Modbus_TCP_Slave_IP1, params.Modbus_TCP_Slave_IP2,
                             params.Modbus_TCP_Slave_IP3, params.Modbus_TCP_Slave_IP4};
    return Decimal_IPv4(QStringList(std::begin(parts), std::end(parts)).join(QLatin1Char('.')))
        .value_or(QString());
}
