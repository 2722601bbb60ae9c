#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

// Beside the job file it guards, so that every program folder has its own.
inline const QString Update_Lock_File_Name = QStringLiteral("Ethernet_Update.xml.lock");

// Taking over a stale lock file is guarded by a second file, the lock's path with this suffix.
inline const QString Takeover_Suffix = QStringLiteral(".takeover");

// Whether the process of that number is the one a lock file named: started at the time given,
// or, where no time is given, running the program named (no name: any program). A process this
// system tells nothing of counts as the one named.
bool Holder_Runs(qint64 pid, const QString &started, const QString &program);

// What a lock file says: the process that took the lock, its program and host, and the
// updater it started (0 while none runs), with the start time of each (see Identity_Of; empty
// when not known), which tells them from later processes that got their numbers. A holder of
// pid 0 has stopped waiting and left the lock to its updater.
struct Update_Lock_Holder {
    qint64 Pid = 0;
    QString Program;
    QString Host;
    qint64 Updater_Pid = 0;
    QString Started;
    QString Updater_Started;
};

// The lock file's text: six lines, the holder's pid, its program, its host, the updater's pid,
// the holder's and the updater's start time. A file of earlier versions ends after the fourth.
QByteArray Lock_File_Text(const Update_Lock_Holder &holder);

// Reads a lock file's text; nullopt when it names no process at all (empty, cut short while it
// was written, or garbage).
std::optional<Update_Lock_Holder> Parse_Lock_File(const QByteArray &text);

// "cf20914-cli, process 1234 on host": enough for a user to find the other update.
QString Holder_Text(const Update_Lock_Holder &holder);

// A lock that is a file naming its holder and the updater the holder started; it counts as held
// while either of them runs: a process of that number, started at the time the file names (or,
// where the file names no start time, running the program it names). A file whose processes
// have both ended or are others now, or that names none, is taken over. One that names another
// computer cannot be judged from here and is left to the user (cf20914-cli unlock).
class Holder_Lock {
public:
    // Short, so that among twenty waiting changes of milliseconds each none sleeps through its
    // turns.
    static constexpr int Retry_Ms = 10;

    enum class Take_Result {
        Taken,
        Busy,      // a live process of this computer held it all the while
        Foreign,   // another computer holds it
        Cancelled, // the caller stopped waiting
    };

    // Unreadable: what to make of a lock file that cannot be read (no permission, not a
    // regular file, too long): Unreadable_Holds keeps waiting, as nothing may remove what it
    // cannot judge; Unreadable_Stale takes it over, as a lock whose holder cannot be named.
    enum Unreadable { Unreadable_Holds, Unreadable_Stale };
    explicit Holder_Lock(QString path, Unreadable unreadable = Unreadable_Holds);
    Holder_Lock(const Holder_Lock &) = delete;
    Holder_Lock &operator=(const Holder_Lock &) = delete;
    // Frees a lock that is still held.
    ~Holder_Lock();

    // Takes the lock, waiting at most limit_ms while it is held; step runs between two tries
    // with the time waited so far and the holder waited for, and the wait ends early once
    // cancelled (when given) says so. Throws Core_Error with the reason when the lock file cannot
    // be made (a read-only folder, a link in its path).
    Take_Result Take(int limit_ms,
                     const std::function<void(qint64 elapsed_ms, const Update_Lock_Holder &)> &step,
                     const std::function<bool()> &cancelled = {});

    // As Take, but when another object of this process holds the lock already, joins it at
    // once: Add_Updater and Leave_To_Updater then name the updater in the holder's file, and
    // the holder's Release leaves the lock to an updater still running.
    Take_Result
    Join_Or_Take(int limit_ms,
                 const std::function<void(qint64 elapsed_ms, const Update_Lock_Holder &)> &step);

    // After a failed Take: the holder that was waited for.
    const Update_Lock_Holder &Holder() const { return Waited_For; }

    // Names the updater that was started under the lock, so the lock outlives this process
    // while the updater runs.
    void Add_Updater(qint64 pid);

    // This process stops waiting while its updater runs on: the lock stays the updater's alone
    // and ends with it.
    void Leave_To_Updater();

    // Removes the lock file, or leaves it to an updater that still runs.
    void Release();

    QString Path() const { return File_Path; }

private:
    void Write_Own(qint64 holder_pid, qint64 updater_pid, const QString &updater_started);

    QString File_Path;
    Unreadable On_Unreadable;
    bool Held = false;
    bool Joined = false;
    Update_Lock_Holder Waited_For;
};

// The job file and the updater are one pair per program folder: two updates started together
// would overwrite each other's job while the updater reads it. This lock, a file in the program
// folder, lets one update at a time through from writing the job to the updater's end, however
// long the updater outlives the wait of the update that started it.
class Update_Lock : public Holder_Lock {
public:
    explicit Update_Lock(const QString &app_dir);
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

// Removes the lock file at path. Throws Core_Error with the reason when it cannot.
void Remove_Lock_File(const QString &path);

// This process as a lock file names it.
Update_Lock_Holder This_Process();

// Removes the lock file of app_dir. Throws Core_Error with the reason when it cannot.
void Clear_Update_Lock(const QString &app_dir);
