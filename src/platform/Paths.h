#pragma once

#include <QString>

// Paths are kept in the platform's native form: the files the program shares with the
// updater on Windows expect "\", everything else uses "/".
QChar Path_Separator();

// dir + separator + name, with exactly one separator between them.
QString Join_Path(const QString &dir, const QString &name);

// The folder in native form without a trailing separator (a root folder keeps its own).
QString Native_Folder(const QString &folder);
