#include "InputFile.h"

#include "CoreError.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#endif

namespace {

Core_Error Read_Error(const QString &path, const QString &reason) {
    return Core_Error(QStringLiteral("Cannot read %1: %2").arg(path, reason));
}

const QString Not_Regular = QStringLiteral("not a regular file");

// Opens path for reading only when it is a regular file.
void Open_Regular(QFile &file, const QString &path) {
#ifdef Q_OS_UNIX
    // Checked on the opened descriptor, so nothing can swap the file in between; O_NONBLOCK
    // keeps the open of a pipe without a writer from blocking.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Read_Error(path, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw Read_Error(path, Not_Regular);
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw Read_Error(path, file.errorString());
    }
#else
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        throw Read_Error(path, Not_Regular);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Read_Error(path, file.errorString());
#endif
}

} // namespace

QByteArray Read_Input_File(const QString &path, qint64 limit) {
    QFile file;
    Open_Regular(file, path);
    // Read by its size, so that a small file costs no buffer of the limit's size, then on in
    // small steps until the end: a file that grows meanwhile is still held to the limit.
    QByteArray content;
    qint64 step = qMin(file.size(), limit) + 1;
    for (;;) {
        const QByteArray chunk = file.read(step);
        if (chunk.isEmpty())
            break;
        content += chunk;
        if (content.size() > limit)
            throw Read_Error(path, QStringLiteral("larger than %1 bytes").arg(limit));
        step = qMin<qint64>(limit + 1 - content.size(), 4096);
    }
    if (file.error() != QFileDevice::NoError)
        throw Read_Error(path, file.errorString());
    return content;
}
