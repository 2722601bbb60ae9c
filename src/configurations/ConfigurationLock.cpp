#include "ConfigurationLock.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>

Configuration_Lock::Configuration_Lock(const QString &configuration_dir)
    : Name(QFileInfo(configuration_dir).fileName()),
      Path(configuration_dir + QStringLiteral(".lock")), File(Path) {
    File.setStaleLockTime(Stale_Ms);
}

bool Configuration_Lock::Take(int limit_ms) {
    // Tried again at short steps rather than by QLockFile's own wait, whose pauses double up to
    // seconds: among twenty waiting changes of milliseconds each, a waiter would sleep through
    // its turns.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (File.tryLock(0))
            return true;
        // QLockFile gives no reason of its own for a lock file it could not make; the system's
        // is still at hand (most often a full disk, where the holder could not be written).
        const int reason = errno;
        switch (File.error()) {
        case QLockFile::LockFailedError:
            break;
        case QLockFile::PermissionError:
            throw Core_Error(
                QStringLiteral("Cannot create %1: its folder may not be written").arg(Path));
        default:
            throw Core_Error(
                QStringLiteral("Cannot create %1: %2").arg(Path, qt_error_string(reason)));
        }
        if (waited.elapsed() >= limit_ms)
            return false;
        QThread::msleep(Retry_Ms);
    }
}

void Configuration_Lock::Keep_Fresh() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - Fresh_At_Ms < 1000)
        return;
    Fresh_At_Ms = now;
    QFile file(Path);
    if (file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly))
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
}

QString Configuration_Lock::Busy_Text() const {
    qint64 pid = 0;
    QString host;
    QString program;
    File.getLockInfo(&pid, &host, &program);
    return Lang_Strings.at(Text_Configuration_Busy)
        .arg(Name, program.isEmpty() ? QStringLiteral("?") : program, QString::number(pid),
             host.isEmpty() ? QStringLiteral("?") : host);
}
