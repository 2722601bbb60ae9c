#pragma once

#include <QString>
#include <QStringList>

// The whole file as lines. A byte-order mark chooses UTF-8, UTF-16 LE or UTF-16 BE; a file
// without one is read in the ANSI code page (the system's on Windows, windows-1252 elsewhere).
// Lines end at CR LF, a lone CR or a lone LF. A file that cannot be read (see Read_Input_File)
// gives no lines.
QStringList Read_Text_Lines(const QString &path);

// The locale of the language file Load_Language applied last (its remark line
// "; Locale = <name>", for example "de" or "pt_BR"); empty when it names none or a name that
// is not a plain locale name.
extern QString Lang_Locale;

// Applies the entry lines of a language file, in file order, to Lang_Strings. Returns the
// locale its remark line names (the last such line counts), or an empty text.
QString Read_Lang_File(const QString &path);

// Refills Lang_Strings with the defaults and lays the file of App.Language_Name over them, with
// its Lang_Locale; without that file, or when the name is not a plain file name, the language
// becomes "English" (with English.lng applied when present).
void Load_Language();

// The language files (names with their ".lng") in language_dir that may be offered: plain
// files the user can write (see Is_Plain_Writable_File), sorted by name ignoring case in the
// user's locale order.
QStringList List_Language_Files(const QString &language_dir);

// The language a listed file stands for: its name without the ".lng".
QString Language_Of_File(const QString &file_name);

// The file of Qt's own texts (standard buttons, context menus) for locale: "qtbase_<locale>.qm"
// in language_dir; empty for an empty locale.
QString Qt_Translation_File(const QString &language_dir, const QString &locale);
