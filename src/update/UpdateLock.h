#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

// Beside the job file it guards, so that every program folder has its own.
inline const QString Update_Lock_File_Name = QStringLiteral("Ethernet_Update.xml.lock");

// What a lock file says: the process that took the lock, its program and host, and the
// updater it started (0 while none runs). A holder of pid 0 has stopped waiting and left the
// lock to its updater.
struct Update_Lock_Holder {
    qint64 Pid = 0;
    QString Program;
    QString Host;
    qint64 Updater_Pid = 0;
};

// The lock file's text: four lines, the holder's pid, its program, its host and the updater's
// pid.
QByteArray Lock_File_Text(const Update_Lock_Holder &holder);

// Reads a lock file's text; nullopt when it names no process at all (empty, cut short while it
// was written, or garbage).
std::optional<Update_Lock_Holder> Parse_Lock_File(const QByteArray &text);

// "cf20914-cli, process 1234 on host": enough for a user to find the other update.
QString Holder_Text(const Update_Lock_Holder &holder);

// The job file and the updater are one pair per program folder: two updates started together
// would overwrite each other's job while the updater reads it. This lock, a file in the program
// folder, lets one update at a time through from writing the job to the updater's end, however
// long the updater outlives the wait of the update that started it. The file names the process
// that took the lock and the updater it started; it counts as held while either of them runs.
// A file whose processes have both ended, or that names none, is taken over. One that names
// another computer cannot be judged from here and is left to the user (Clear_Update_Lock).
class Update_Lock {
public:
    static constexpr int Retry_Ms = 20;

    enum class Take_Result {
        Taken,
        Busy,      // a live process of this computer held it all the while
        Foreign,   // another computer holds it
        Cancelled, // the caller stopped waiting
    };

    explicit Update_Lock(const QString &app_dir);
    Update_Lock(const Update_Lock &) = delete;
    Update_Lock &operator=(const Update_Lock &) = delete;
    // Frees a lock that is still held.
    ~Update_Lock();

    // Takes the lock, waiting at most limit_ms while it is held; step runs between two tries
    // with the time waited so far and the holder waited for, and the wait ends early once
    // cancelled (when given) says so. Throws Core_Error with the reason when the lock file cannot
    // be made (a read-only folder).
    Take_Result Take(int limit_ms,
                     const std::function<void(qint64 elapsed_ms, const Update_Lock_Holder &)> &step,
                     const std::function<bool()> &cancelled = {});

    // After a failed Take: the holder that was waited for.
    const Update_Lock_Holder &Holder() const { return Waited_For; }

    // Names the updater that was started under the lock, so the lock outlives this process
    // while the updater runs.
    void Add_Updater(qint64 pid);

    // This process stops waiting while its updater runs on: the lock stays the updater's alone
    // and ends with it.
    void Leave_To_Updater();

    // Removes the lock file.
    void Release();

    QString Path() const { return File_Path; }

private:
    void Write_Own(qint64 holder_pid, qint64 updater_pid);

    QString File_Path;
    bool Held = false;
    Update_Lock_Holder Waited_For;
};

// The text with which an update gives up when another holds the lock.
QString Update_Busy_Text(const Update_Lock_Holder &holder);

// The text for a lock that another computer holds, with the way to clear it.
QString Foreign_Lock_Text(const QString &path, const Update_Lock_Holder &holder);

// What the lock file of app_dir says, when there is one: the holder, and whether it still
// counts as held here.
struct Lock_Status {
    std::optional<Update_Lock_Holder> Holder; // nullopt: no process named
    bool Held = false;                        // a process of this computer named in it runs
    bool Foreign = false;                     // it names another computer
};
std::optional<Lock_Status> Read_Update_Lock(const QString &app_dir);

// What a file written as a lock file says (Lock_File_Text); nullopt when there is none. Throws
// Core_Error when it is there but cannot be read.
std::optional<Lock_Status> Read_Holder_File(const QString &path);

// This process as a lock file names it.
Update_Lock_Holder This_Process();

// Removes the lock file of app_dir. Throws Core_Error with the reason when it cannot.
void Clear_Update_Lock(const QString &app_dir);
