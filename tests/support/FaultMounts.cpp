#include "FaultMounts.h"

#ifdef Q_OS_LINUX
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

QString System_Error(const char *what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

Fault_Mounts::Fault_Mounts() {
    if (geteuid() != 0) {
        Unavailable = QStringLiteral("mounting a full or read-only file system needs root");
        return;
    }
    static bool private_namespace = false;
    if (!private_namespace) {
        if (unshare(CLONE_NEWNS) != 0) {
            Unavailable = System_Error("cannot make a private mount namespace");
            return;
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            Unavailable = System_Error("cannot make the mounts private");
            return;
        }
        private_namespace = true;
    }
}

Fault_Mounts::~Fault_Mounts() {
    for (auto it = Mounted.crbegin(); it != Mounted.crend(); ++it)
        umount2(QFile::encodeName(*it).constData(), MNT_DETACH);
}

bool Fault_Mounts::Mount_Small_Tmpfs(const QString &dir) {
    if (mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
        Unavailable = System_Error("cannot mount a tmpfs");
        return false;
    }
    Mounted.append(dir);
    return true;
}

bool Fault_Mounts::Fill(const QString &dir) {
    const QByteArray filler = QFile::encodeName(dir + QStringLiteral("/filler"));
    const int fd = open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    while (write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    const bool full = errno == ENOSPC;
    close(fd);
    return full;
}

bool Fault_Mounts::Make_Read_Only(const QString &dir) {
    const QByteArray path = QFile::encodeName(dir);
    if (mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0) {
        Unavailable = System_Error("cannot bind a folder");
        return false;
    }
    Mounted.append(dir);
    if (mount(nullptr, path.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        Unavailable = System_Error("cannot make a folder read-only");
        return false;
    }
    return true;
}

#else

// Elsewhere every mount fails with the reason, which the tests give to QSKIP.
Fault_Mounts::Fault_Mounts()
    : Unavailable(QStringLiteral("full and read-only file systems are made with Linux's mount "
                                 "namespaces")) {}

Fault_Mounts::~Fault_Mounts() = default;

bool Fault_Mounts::Mount_Small_Tmpfs(const QString &) {
    return false;
}

bool Fault_Mounts::Fill(const QString &) {
    return false;
}

bool Fault_Mounts::Make_Read_Only(const QString &) {
    return false;
}

#endif
