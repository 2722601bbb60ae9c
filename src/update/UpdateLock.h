#pragma once

#include <QLockFile>
#include <QString>
#include <QtGlobal>
#include <functional>

// Beside the job file it guards, so that every program folder has its own.
inline const QString Update_Lock_File_Name = QStringLiteral("Ethernet_Update.xml.lock");

// The process that holds a program folder's update lock, as its lock file names it.
struct Update_Lock_Holder {
    qint64 Pid = 0;
    QString Program;
    QString Host;
};

// "cf20914-cli, process 1234 on host": enough for a user to find the other update.
QString Holder_Text(const Update_Lock_Holder &holder);

// The job file and the updater are one pair per program folder: two updates started together
// would overwrite each other's job while the updater reads it. This lock, a file in the program
// folder, lets one update at a time through from writing the job to the updater's end. The
// lock file names its holder; a file left by a process that died is taken over. It is made by
// exclusive creation and stays locked while held, which is why it does not go through the
// safe-write helper: a rename would replace another holder's file.
class Update_Lock {
public:
    static constexpr int Retry_Ms = 20;

    explicit Update_Lock(const QString &app_dir);
    Update_Lock(const Update_Lock &) = delete;
    Update_Lock &operator=(const Update_Lock &) = delete;

    // Takes the lock, waiting at most limit_ms while a live process holds it; step runs between
    // two tries with the time waited so far. True once taken; it is freed with this object.
    // Throws Core_Error with the reason when the lock file cannot be made (a read-only folder).
    bool Take(int limit_ms, const std::function<void(qint64 elapsed_ms)> &step);

    // After a failed Take: the holder that was waited for.
    const Update_Lock_Holder &Holder() const { return Waited_For; }

private:
    QString Path;
    QLockFile File;
    Update_Lock_Holder Waited_For;
};

// The text with which an update gives up when another holds the lock.
QString Update_Busy_Text(const Update_Lock_Holder &holder);
