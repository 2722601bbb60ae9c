#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Every file the program writes lies in its program folder. A symbolic link there (or on
// Windows a junction), unpacked from an archive or kept on a share,
// would carry a write to a file elsewhere: the writers below refuse a path below the folder
// set here when the path itself or any folder between it and the program folder is such a
// link. Paths outside the folder (a file the user names for an export) are written as given.
// Reading follows links as before.
void Set_Write_Root(const QString &folder);

// Throws Core_Error naming the link when path lies below the write root and it, or a folder
// between the root and it, is a link. Writers that do not go through the functions below (a
// folder made, a record appended) call it first.
void Refuse_Links(const QString &path);

// Replaces the file at path with data. The new content is written to a temporary file beside
// it and renamed over the old one, so a failure at any step (a read-only folder, a full disk,
// a crash) leaves the previous file intact. before_replace, when given, runs once every byte is
// written, just before the old file is replaced; what it throws ends the write there. Throws
// Core_Error with the operating system's reason, or when Refuse_Links refuses path.
void Write_File_Safely(const QString &path, const QByteArray &data,
                       const std::function<void()> &before_replace = {});

// Gives the file at existing a second name, link, on the same file system (a hard link), so
// that replacing existing later leaves its content under link. False when that cannot be done:
// a folder, a file system without such links, a read-only or full one, or a link that
// Refuse_Links refuses.
bool Add_File_Name(const QString &existing, const QString &link);

// Makes the file at path with data, whole or not at all, unless a file is there already: the
// data goes to a temporary file beside it, which is then linked into place without replacing
// anything. False when path exists; throws Core_Error with the reason for any other failure.
// Another process never sees the file empty or half written.
bool Create_File_Exclusively(const QString &path, const QByteArray &data);
