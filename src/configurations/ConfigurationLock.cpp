#include "ConfigurationLock.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFileInfo>

QString Configuration_Lock_Path(const QString &configuration_dir) {
    const QFileInfo folder(configuration_dir);
    return Join_Path(Join_Path(QDir::toNativeSeparators(folder.path()), Configuration_Locks_Folder),
                     folder.fileName() + Configuration_Lock_Suffix);
}

Configuration_Lock::Configuration_Lock(const QString &configuration_dir)
    : Configuration(QFileInfo(configuration_dir).fileName()),
      Folder(QFileInfo(Configuration_Lock_Path(configuration_dir)).path()),
      Lock(Configuration_Lock_Path(configuration_dir), Holder_Lock::Unreadable_Stale) {}

bool Configuration_Lock::Take(int limit_ms,
                              const std::function<void(qint64, const Update_Lock_Holder &)> &step) {
    return Acquire(false, limit_ms, step);
}

bool Configuration_Lock::Join_Or_Take(
    int limit_ms, const std::function<void(qint64, const Update_Lock_Holder &)> &step) {
    return Acquire(true, limit_ms, step);
}

bool Configuration_Lock::Acquire(
    bool join, int limit_ms, const std::function<void(qint64, const Update_Lock_Holder &)> &step) {
    const auto each = [&step](qint64 elapsed, const Update_Lock_Holder &holder) {
        if (step)
            step(elapsed, holder);
    };
    // The system's own reason for a lock file that cannot be made is often no more than "no
    // such file" for its temporary file; what to do about it is to let the folder be written.
    const Core_Error unwritable(
        QStringLiteral("Cannot create %1: its folder may not be written").arg(Lock.Path()));
    Refuse_Links(Lock.Path());
    if (!QDir().mkdir(Folder) && !QFileInfo(Folder).isDir())
        throw unwritable;
    try {
        const Holder_Lock::Take_Result result =
            join ? Lock.Join_Or_Take(limit_ms, each) : Lock.Take(limit_ms, each);
        return result == Holder_Lock::Take_Result::Taken;
    } catch (const Core_Error &) {
        if (!QFileInfo(Folder).isWritable())
            throw unwritable;
        throw;
    }
}

QString Configuration_Lock::Busy_Text() const {
    const Update_Lock_Holder &holder = Lock.Holder();
    return Lang_Strings.at(Text_Configuration_Busy)
        .arg(Configuration, holder.Program.isEmpty() ? QStringLiteral("?") : holder.Program,
             QString::number(holder.Pid),
             holder.Host.isEmpty() ? QStringLiteral("?") : holder.Host);
}
