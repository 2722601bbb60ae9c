#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Files the program reads are a few kilobytes; a limit far above that keeps a hostile or
// mistaken input (a device file, a huge file) from exhausting memory.
inline constexpr qint64 Text_File_Limit = 1024 * 1024;

// The whole content of the regular file at path, at most limit bytes. Throws Core_Error naming
// the file and the reason when it cannot be opened or read, is not a regular file (a folder, a
// device, a pipe) or holds more than limit bytes. Symbolic links are followed.
QByteArray Read_Input_File(const QString &path, qint64 limit);
