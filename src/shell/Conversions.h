#pragma once

#include <QString>
#include <array>
#include <optional>

// Removes every character of code 0 to 32 from both ends.
QString Trim_Controls(const QString &text);

// True when text holds a control character: C0 (code 0 to 31), DEL, C1 (code 128 to 159), a
// bidirectional control (U+202A to U+202E, U+2066 to U+2069), a line or paragraph separator
// (U+2028, U+2029) or a zero-width character (U+200B to U+200F, U+FEFF).
bool Holds_Control(const QString &text);

// text with every control character (see Holds_Control) written out as an escape: "\t",
// "\n", "\r", "\x" and two hexadecimal digits up to code 255 ("\x1B"), else "\u" and four
// ("\u202E"). Outside text (a server's reply, a file's content, a name) is so shown on a
// terminal rather than obeyed by it. This is the one way such text reaches stdout, stderr or a
// window.
QString Escape_Controls(const QString &text);

// JSON text with every control character (see Holds_Control) that its writer left as it is
// written as a \u escape; the JSON stays valid and means the same.
QString Escape_Json_Controls(const QString &json);

// The text with the letters a-z made upper case; every other character stays as it is.
QString Ascii_Upper(const QString &text);

// Reads the whole text as one signed 32-bit integer: leading spaces (code 32 only), an
// optional sign, then decimal digits or hexadecimal digits after "$", "x", "X", "0x" or "0X",
// and nothing after the digits. Any other text gives default_value.
int Text_To_Int_Def(const QString &text, int default_value);

// Decimal digits with an optional sign and nothing else, within the range of int.
std::optional<int> Decimal_Int(const QString &text);

// Splits a dotted IPv4 text into four trimmed parts; true when each part is a number in
// 0..255. The parts are handed out even when the test fails.
bool Split_IP_Address(const QString &text, std::array<QString, 4> &parts);

// The address in its plain dotted form ("10.99.0.10") when text is four parts, split as
// Split_IP_Address does, of decimal digits only, each 0..255 with any leading zeros; nullopt for
// any other text. A resolver would read "010" as octal, or "08" as part of a host name.
std::optional<QString> Decimal_IPv4(const QString &text);

// "A.B.C.D" for an IPv4 address in host order.
QString IPv4_Text(quint32 number);

// The four parts of an address that Split_IP_Address accepts, joined with "." (leading zeros
// stay as typed, blanks and control characters around the parts go); nullopt for any other
// text.
std::optional<QString> Checked_IP_Address(const QString &text);

// "42 s", "2.5 s": a time in seconds, as the program's texts give every time they name; tenths
// only below ten seconds, where they tell something.
QString Seconds_Text(qint64 ms);
