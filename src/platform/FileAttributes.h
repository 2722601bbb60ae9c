#pragma once

#include <QString>

// True for a plain file that the program may list as one of its own: a regular file, not a
// link, that its owner may write. On Windows the file's attributes may hold nothing but hidden,
// system, archive, normal, sparse and not-content-indexed; on other systems, which have no
// such attributes, folders, symbolic links, read-only files and anything that is not a
// regular file (devices, pipes, sockets) are left out.
bool Is_Plain_Writable_File(const QString &path);
