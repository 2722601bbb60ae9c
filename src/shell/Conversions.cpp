#include "Conversions.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>

QString Trim_Controls(const QString &text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

namespace {

// C0, DEL and C1 (Qt's Other_Control), and the characters that change how a terminal or a
// list shows the text around them without showing themselves: bidirectional embeddings,
// overrides and isolates, line and paragraph separators, zero-width characters and marks.
bool Is_Control(QChar c) {
    const char16_t u = c.unicode();
    return c.category() == QChar::Other_Control || (u >= 0x200B && u <= 0x200F) ||
           (u >= 0x2028 && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0xFEFF;
}

} // namespace

bool Holds_Control(const QString &text) {
    return std::any_of(text.begin(), text.end(), Is_Control);
}

namespace {

// text with every control character replaced by what escape makes of it.
template <typename Escape> QString With_Controls_Escaped(const QString &text, Escape escape) {
    if (!Holds_Control(text))
        return text;
    QString escaped;
    escaped.reserve(text.size() + 16);
    for (const QChar c : text)
        escaped += Is_Control(c) ? escape(c) : QString(c);
    return escaped;
}

} // namespace

QString Escape_Controls(const QString &text) {
    return With_Controls_Escaped(text, [](QChar c) {
        if (c == QLatin1Char('\t'))
            return QStringLiteral("\\t");
        if (c == QLatin1Char('\n'))
            return QStringLiteral("\\n");
        if (c == QLatin1Char('\r'))
            return QStringLiteral("\\r");
        if (c.unicode() <= 0xFF)
            return QLatin1String("\\x") +
                   QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        return QLatin1String("\\u") + QString::number(c.unicode(), 16).toUpper();
    });
}

QString Escape_Json_Controls(const QString &json) {
    return With_Controls_Escaped(json, [](QChar c) {
        return QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    });
}

QString Ascii_Upper(const QString &text) {
    QString upper = text;
    for (QChar &c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    return upper;
}

namespace {

int Digit_Value(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return 99;
}

// At least one digit of base from pos to the end of text, their value not above limit.
std::optional<quint64> Read_Digits(const QString &text, qsizetype pos, int base, quint64 limit) {
    if (pos >= text.size())
        return std::nullopt;
    quint64 value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = Digit_Value(text.at(pos));
        if (digit >= base)
            return std::nullopt;
        value = value * quint64(base) + quint64(digit);
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

} // namespace

int Text_To_Int_Def(const QString &text, int default_value) {
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos) == QLatin1Char(' '))
        ++pos;
    bool negative = false;
    if (pos < text.size() &&
        (text.at(pos) == QLatin1Char('+') || text.at(pos) == QLatin1Char('-'))) {
        negative = text.at(pos) == QLatin1Char('-');
        ++pos;
    }
    const QStringView rest = QStringView(text).mid(pos);
    qsizetype prefix = 0;
    if (rest.startsWith(u"0x", Qt::CaseInsensitive))
        prefix = 2;
    else if (rest.startsWith(u'$') || rest.startsWith(u'x') || rest.startsWith(u'X'))
        prefix = 1;
    if (prefix > 0) {
        const auto value = Read_Digits(text, pos + prefix, 16, 0xFFFFFFFFu);
        if (!value)
            return default_value;
        const quint32 pattern = quint32(*value);
        return int(negative ? 0u - pattern : pattern);
    }
    const quint64 limit = negative ? 2147483648u : 2147483647u;
    const auto value = Read_Digits(text, pos, 10, limit);
    if (!value)
        return default_value;
    return negative ? int(-qint64(*value)) : int(*value);
}

std::optional<int> Decimal_Int(const QString &text) {
    // Checked by hand rather than with a regular expression: the version check calls this on a
    // worker thread, and a MinGW build of Qt whose worker thread used the regular expression
    // engine can hang at exit under Wine.
    const qsizetype first = text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'));
    if (text.size() == first)
        return std::nullopt;
    for (qsizetype i = first; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool Split_IP_Address(const QString &text, std::array<QString, 4> &parts) {
    QString rest = Trim_Controls(text);
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        if (dot < 0)
            return false;
        parts[i] = Trim_Controls(rest.left(dot));
        rest = Trim_Controls(rest.mid(dot + 1));
    }
    parts[3] = rest;
    bool valid = true;
    for (const QString &part : parts) {
        const int value = Text_To_Int_Def(part, 1000);
        valid = valid && value >= 0 && value <= 255;
    }
    return valid;
}

QString IPv4_Text(quint32 number) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(number >> 24)
        .arg((number >> 16) & 0xFF)
        .arg((number >> 8) & 0xFF)
        .arg(number & 0xFF);
}

std::optional<QString> Decimal_IPv4(const QString &text) {
    std::array<QString, 4> parts;
    if (!Split_IP_Address(text, parts))
        return std::nullopt;
    QStringList bytes;
    for (const QString &part : parts) {
        // Split_IP_Address has checked the range; it also takes signs and hexadecimal.
        if (!std::all_of(part.cbegin(), part.cend(),
                         [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
        bytes << QString::number(part.toInt());
    }
    return bytes.join(QLatin1Char('.'));
}

std::optional<QString> Checked_IP_Address(const QString &text) {
    std::array<QString, 4> parts;
    if (!Split_IP_Address(text, parts))
        return std::nullopt;
    return QStringList(parts.begin(), parts.end()).join(QLatin1Char('.'));
}

QString Seconds_Text(qint64 ms) {
    const int decimals = ms < 10000 && ms % 1000 != 0 ? 1 : 0;
    return QLocale::c().toString(double(ms) / 1000.0, 'f', decimals) + QStringLiteral(" s");
}
