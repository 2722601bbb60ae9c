#include "SafeFile.h"

#include "CoreError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString Write_Root;

// True when the entry at path (not what it may point to) is a link.
bool Is_Link(const QString &path) {
#ifdef Q_OS_WIN
    // Of the reparse points, those that lead elsewhere: symbolic links and junctions (mount
    // points). Others, such as the placeholders of files kept in a cloud, are the files
    // themselves.
    WIN32_FIND_DATAW entry{};
    const HANDLE found =
        FindFirstFileW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), &entry);
    if (found == INVALID_HANDLE_VALUE)
        return false;
    FindClose(found);
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (entry.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
            entry.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
#else
    struct stat status {};
    return lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
#endif
}

} // namespace

void Set_Write_Root(const QString &folder) {
    Write_Root = QDir::cleanPath(QDir::fromNativeSeparators(folder));
}

void Refuse_Links(const QString &path) {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (Write_Root.isEmpty() || !clean.startsWith(Write_Root + QLatin1Char('/')))
        return;
    QString entry = Write_Root;
    for (const QString &name : clean.mid(Write_Root.size() + 1).split(QLatin1Char('/'))) {
        entry += QLatin1Char('/') + name;
        if (Is_Link(entry))
            throw Core_Error(
                QStringLiteral("Cannot write %1: %2 is a symbolic link, and the "
                               "program writes nothing through a link")
                    .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(entry)));
    }
}

void Write_File_Safely(const QString &path, const QByteArray &data,
                       const std::function<void()> &before_replace) {
    Refuse_Links(path);
    QSaveFile file(path);
    const auto fail = [&file, &path] {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Core_Error(QStringLiteral("Cannot write %1: %2").arg(path, reason));
    };
    // commit() renames the temporary file even when data left in Qt's buffer could not be
    // written (a full disk), and a buffered flush that gets only part of the data out reports no
    // reason. So the data goes out unbuffered, piece by piece until all of it is written or the
    // operating system says why not, and nothing is renamed unless every byte was written.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw fail();
    for (qint64 written = 0; written < data.size();) {
        const qint64 piece = file.write(data.constData() + written, data.size() - written);
        if (piece <= 0)
            throw fail();
        written += piece;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        throw fail();
    if (before_replace) {
        try {
            before_replace();
        } catch (...) {
            file.cancelWriting();
            throw;
        }
    }
    if (!file.commit())
        throw Core_Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

bool Create_File_Exclusively(const QString &path, const QByteArray &data) {
    Refuse_Links(path);
    auto temporary = std::make_unique<QTemporaryFile>(path + QStringLiteral(".XXXXXX"));
    const auto fail = [&path](const QString &reason) {
        return Core_Error(QStringLiteral("Cannot create %1: %2").arg(path, reason));
    };
    if (!temporary->open())
        throw fail(temporary->errorString());
    if (temporary->write(data) != data.size() || !temporary->flush())
        throw fail(temporary->errorString());
    temporary->close();
#ifdef Q_OS_WIN
    // QTemporaryFile holds its handle until it goes, and Windows moves no open file: it goes
    // first, and the file it leaves is removed here when the move fails.
    temporary->setAutoRemove(false);
    const QString from = QDir::toNativeSeparators(temporary->fileName());
    temporary.reset();
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    const QString to = QDir::toNativeSeparators(path);
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                    reinterpret_cast<const wchar_t *>(to.utf16()), MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    QFile::remove(from);
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return false;
    throw fail(qt_error_string(int(error)));
#else
    // A hard link fails when the target exists, and shows the whole file at once.
    if (link(QFile::encodeName(temporary->fileName()).constData(),
             QFile::encodeName(path).constData()) == 0)
        return true;
    const int error = errno;
    if (error == EEXIST)
        return false;
    if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS && error != EMLINK)
        throw fail(qt_error_string(error));
    // A file system without hard links (FAT on a USB stick): exclusive creation still lets one
    // creator through, only the content follows a moment later.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return file.exists() ? false : throw fail(file.errorString());
    if (file.write(data) != data.size() || !file.flush())
        throw fail(file.errorString());
    return true;
#endif
}

bool Add_File_Name(const QString &existing, const QString &link) {
    try {
        Refuse_Links(link);
    } catch (const Core_Error &) {
        return false;
    }
#ifdef Q_OS_WIN
    return CreateHardLinkW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(link).utf16()),
                           reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(existing).utf16()),
                           nullptr) != 0;
#else
    return ::link(QFile::encodeName(existing).constData(), QFile::encodeName(link).constData()) ==
           0;
#endif
}
