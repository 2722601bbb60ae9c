#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with data. The new content is written to a temporary file beside
// it and renamed over the old one, so a failure at any step (a read-only folder, a full disk,
// a crash) leaves the previous file intact. Throws Core_Error with the operating system's
// reason.
void Write_File_Safely(const QString &path, const QByteArray &data);

// Makes the file at path with data, whole or not at all, unless a file is there already: the
// data goes to a temporary file beside it, which is then linked into place without replacing
// anything. False when path exists; throws Core_Error with the reason for any other failure.
// Another process never sees the file empty or half written.
bool Create_File_Exclusively(const QString &path, const QByteArray &data);
