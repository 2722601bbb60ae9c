#include "FileAttributes.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

bool Is_Plain_Writable_File(const QString &path) {
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    constexpr DWORD allowed = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL |
                              FILE_ATTRIBUTE_SPARSE_FILE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    return (attributes & ~allowed) == 0;
#else
    struct stat status {};
    if (lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISREG(status.st_mode) && (status.st_mode & S_IWUSR) != 0;
#endif
}
