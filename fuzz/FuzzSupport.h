#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

// The readers take paths, so each input goes through a file as it does in the program: the
// size limit and the regular-file check are fuzzed with the parsers.
QString Scratch_File(const QString &name);
void Write_Scratch(const QString &path, const uint8_t *data, size_t size);

// text without the characters of code 0 to 32 at either end, the program's trimming.
std::u16string Reference_Trim(std::u16string text);

// A property the target checks: its failure ends the run with a crash that libFuzzer keeps.
void Fuzz_Check(bool holds, const char *what);
