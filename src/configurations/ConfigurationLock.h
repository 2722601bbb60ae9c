#pragma once

#include "update/UpdateLock.h"

#include <QString>
#include <QtGlobal>
#include <functional>

// The hidden folder of PROJECTS that holds the configurations' locks. No configuration name
// begins with ".", so no name reaches it or a lock in it.
inline const QString Configuration_Locks_Folder = QStringLiteral(".locks");
inline const QString Configuration_Lock_Suffix = QStringLiteral(".lock");

// The lock file of the configuration in configuration_dir: "<name>.lock" in the locks folder
// beside it.
QString Configuration_Lock_Path(const QString &configuration_dir);

// Every change of a configuration's files reads them, changes them and writes them anew; two
// changes at once would each write over what the other did. This lock lets one change at a time
// through. Being outside the configuration's folder it can be taken before the folder exists (a
// configuration being made) and does not keep the folder from being renamed. Its file names the
// holder with its start time (see Holder_Lock): one left by a process that has ended, whose
// number another process has now, or that names no holder (empty, or unreadable) is taken over
// at once. An update holds it as long as its updater runs.
class Configuration_Lock {
public:
    // Long enough for a queue of changes from scripts on a busy machine.
    static constexpr int Wait_Ms = 10000;

    explicit Configuration_Lock(const QString &configuration_dir);

    // Takes the lock, waiting at most limit_ms while another holds it; step runs between two
    // tries with the time waited and the holder. True once taken; it is freed with this object.
    // A lock of another computer is waited for no longer. Throws Core_Error with the reason
    // when the lock file cannot be made (a read-only PROJECTS folder, a link in its path).
    bool Take(int limit_ms = Wait_Ms,
              const std::function<void(qint64 elapsed_ms, const Update_Lock_Holder &)> &step = {});

    // As Take, but joins the lock when this process holds it already (Holder_Lock::Join_Or_Take).
    bool Join_Or_Take(int limit_ms,
                      const std::function<void(qint64, const Update_Lock_Holder &)> &step);

    // After a failed Take: the message that names the configuration and what holds it.
    QString Busy_Text() const;

    // The lock's file, which an update names its updater in.
    Holder_Lock &File() { return Lock; }

    QString Name() const { return Configuration; }

private:
    bool Acquire(bool join, int limit_ms,
                 const std::function<void(qint64, const Update_Lock_Holder &)> &step);

    QString Configuration;
    QString Folder;
    Holder_Lock Lock;
};
