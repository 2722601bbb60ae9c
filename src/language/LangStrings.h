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

// Entries of the messages about the program folder's files.
enum Folder_Text : int {
    Text_Projects_Missing = 700,      // %1 the folder
    Text_Projects_Not_Folder = 701,   // %1 the folder
    Text_Projects_Unreadable = 702,   // %1 the folder
    Text_Projects_Not_Writable = 703, // %1 the folder
    Text_Settings_Kept_Aside = 704,   // %1 where the unreadable settings file went
    Text_Configuration_Busy = 705,    // %1 configuration, %2 program, %3 process, %4 host
};
