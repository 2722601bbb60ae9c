#pragma once

#include <QStringList>

// The program-wide table of UI texts, addressed by a zero-based index. Windows read it by
// index whenever they apply their texts or show a message.
extern QStringList Lang_Strings;

// The number of entries after a fill; the language-file reader accepts only indexes below it.
extern int Lang_Count;

inline constexpr int Lang_Size = 900;

// Empties the table and appends the English default of every index in order.
void Fill_Default_Lang();
