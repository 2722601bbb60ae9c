// The integer conversions and the address split against plain readings of their rules.

#include "FuzzSupport.h"

#include "shell/Conversions.h"

#include <optional>
#include <string>

namespace {

using Text = std::u16string;

int Digit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return 99;
}

// Digits of base and nothing else, at least one, as a number; digits beyond the twentieth
// significant one cannot fit and give nullopt.
std::optional<unsigned __int128> Digits(const Text &digits, int base) {
    if (digits.empty())
        return std::nullopt;
    unsigned __int128 value = 0;
    int significant = 0;
    for (char16_t c : digits) {
        if (Digit(c) >= base)
            return std::nullopt;
        if (value > 0 || Digit(c) > 0)
            ++significant;
        if (significant > 20)
            return std::nullopt;
        value = value * unsigned(base) + unsigned(Digit(c));
    }
    return value;
}

int Reference_Int(const Text &text, int def) {
    std::size_t pos = text.find_first_not_of(u' ');
    if (pos == Text::npos)
        return def;
    bool negative = false;
    if (text[pos] == u'+' || text[pos] == u'-')
        negative = text[pos++] == u'-';
    const Text rest = text.substr(pos);
    const bool hex0x = rest.size() >= 2 && rest[0] == u'0' && (rest[1] == u'x' || rest[1] == u'X');
    const bool hex1 = !rest.empty() && (rest[0] == u'$' || rest[0] == u'x' || rest[0] == u'X');
    if (hex0x || hex1) {
        const auto value = Digits(rest.substr(hex0x ? 2 : 1), 16);
        if (!value || *value > 0xFFFFFFFFu)
            return def;
        const auto pattern = std::uint32_t(*value);
        return int(negative ? 0u - pattern : pattern);
    }
    const auto value = Digits(rest, 10);
    if (!value || *value > (negative ? 2147483648u : 2147483647u))
        return def;
    return int(negative ? -std::int64_t(*value) : std::int64_t(*value));
}

std::optional<int> Reference_Decimal(const Text &text) {
    const bool sign = !text.empty() && (text[0] == u'+' || text[0] == u'-');
    const auto value = Digits(text.substr(sign ? 1 : 0), 10);
    const bool negative = sign && text[0] == u'-';
    if (!value || *value > (negative ? 2147483648u : 2147483647u))
        return std::nullopt;
    return int(negative ? -std::int64_t(*value) : std::int64_t(*value));
}

bool Reference_Split(const Text &text, std::array<Text, 4> &parts) {
    Text rest = Reference_Trim(text);
    for (int i = 0; i < 3; ++i) {
        const std::size_t dot = rest.find(u'.');
        if (dot == Text::npos)
            return false;
        parts[i] = Reference_Trim(rest.substr(0, dot));
        rest = Reference_Trim(rest.substr(dot + 1));
    }
    parts[3] = rest;
    for (const Text &part : parts) {
        const int value = Reference_Int(part, 1000);
        if (value < 0 || value > 255)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const Text u16 = text.toStdU16String();
    Fuzz_Check(Text_To_Int_Def(text, -77) == Reference_Int(u16, -77), "Text_To_Int_Def");
    Fuzz_Check(Decimal_Int(text) == Reference_Decimal(u16), "Decimal_Int");

    std::array<QString, 4> parts;
    std::array<Text, 4> reference_parts;
    const bool valid = Split_IP_Address(text, parts);
    Fuzz_Check(valid == Reference_Split(u16, reference_parts), "Split_IP_Address");
    if (valid) {
        for (int i = 0; i < 4; ++i)
            Fuzz_Check(parts[i].toStdU16String() == reference_parts[i], "an address part");
        Fuzz_Check(Checked_IP_Address(text) == parts[0] + QLatin1Char('.') + parts[1] +
                                                   QLatin1Char('.') + parts[2] + QLatin1Char('.') +
                                                   parts[3],
                   "the checked address");
    } else {
        Fuzz_Check(!Checked_IP_Address(text), "no checked address");
    }
    return 0;
}
