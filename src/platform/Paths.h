#pragma once

#include <QString>

// Paths are kept in the platform's native form: the files the program shares with the
// updater on Windows expect "\", everything else uses "/".
QChar Path_Separator();

// dir + separator + name, with exactly one separator between them.
QString Join_Path(const QString &dir, const QString &name);

// True when name names an entry of a folder and nothing else: it holds no "/" or "\" and is
// not "." or "..". On Windows it is also a name that Windows keeps as it is: no blank or dot
// at its end, none of the characters <>:"|?* or a control character, no device name (CON,
// NUL, COM1 ...). Names that come from files or users are checked with it before they are
// joined to a folder.
bool Plain_File_Name(const QString &name);

// The folder in native form without a trailing separator (a root folder keeps its own).
QString Native_Folder(const QString &folder);
