#include "ConfigurationLock.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"

#include <QFileInfo>

Configuration_Lock::Configuration_Lock(const QString &configuration_dir)
    : Name(QFileInfo(configuration_dir).fileName()),
      Path(configuration_dir + QStringLiteral(".lock")), File(Path) {
    File.setStaleLockTime(Stale_Ms);
}

bool Configuration_Lock::Take(int limit_ms) {
    if (File.tryLock(limit_ms))
        return true;
    switch (File.error()) {
    case QLockFile::LockFailedError:
        return false;
    case QLockFile::PermissionError:
        throw Core_Error(
            QStringLiteral("Cannot create %1: its folder may not be written").arg(Path));
    default:
        throw Core_Error(QStringLiteral("Cannot create %1").arg(Path));
    }
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
