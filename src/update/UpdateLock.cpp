#include "UpdateLock.h"

#include "platform/CoreError.h"
#include "platform/Paths.h"

#include <QElapsedTimer>
#include <QThread>

QString Holder_Text(const Update_Lock_Holder &holder) {
    QString text = QStringLiteral("%1, process %2").arg(holder.Program).arg(holder.Pid);
    if (!holder.Host.isEmpty())
        text += QStringLiteral(" on ") + holder.Host;
    return text;
}

Update_Lock::Update_Lock(const QString &app_dir)
    : Path(Join_Path(app_dir, Update_Lock_File_Name)), File(Path) {
    // An update holds the lock for as long as its updater runs, which has no bound of its own:
    // only a holder that has died makes the lock stale, never its age.
    File.setStaleLockTime(0);
}

bool Update_Lock::Take(int limit_ms, const std::function<void(qint64)> &step) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (File.tryLock(0))
            return true;
        switch (File.error()) {
        case QLockFile::LockFailedError:
            break;
        case QLockFile::PermissionError:
            throw Core_Error(
                QStringLiteral("Cannot create %1: its folder may not be written").arg(Path));
        default:
            throw Core_Error(QStringLiteral("Cannot create %1").arg(Path));
        }
        if (waited.elapsed() >= limit_ms) {
            File.getLockInfo(&Waited_For.Pid, &Waited_For.Host, &Waited_For.Program);
            return false;
        }
        QThread::msleep(Retry_Ms);
        step(waited.elapsed());
    }
}

QString Update_Busy_Text(const Update_Lock_Holder &holder) {
    return QStringLiteral("Another update from this program folder is running (%1). Try again "
                          "when it has ended.")
        .arg(Holder_Text(holder));
}
