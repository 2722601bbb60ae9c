#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with data. The new content is written to a temporary file beside
// it and renamed over the old one, so a failure at any step (a read-only folder, a full disk,
// a crash) leaves the previous file intact. Throws Core_Error with the operating system's
// reason.
void Write_File_Safely(const QString &path, const QByteArray &data);
