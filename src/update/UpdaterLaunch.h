#pragma once

#include "update/UpdateLock.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

class Configuration_Lock;

inline const QString Updater_Event_Name = QStringLiteral("HandleCed");
inline constexpr int Updater_Wait_Limit_Ms = 150000;

// How a wait for the updater ended.
struct Updater_End {
    bool Ended = false; // false: the wait ran out and the updater is left running
    int Exit_Code = 0;  // the updater's, once it has ended
    qint64 Elapsed_Ms = 0;
};

// What a caller may add to a run of the updater.
struct Updater_Extras {
    // Where the updater's standard output and error go (replaced at each start); empty: nowhere.
    // Never the caller's own streams, which the caller's reader would otherwise wait on until
    // the updater ends.
    QString Output_Log;
    // Runs once with the new process's number, right after the start.
    std::function<void(qint64 pid)> Started;
    // Asked between looks: true stops the wait as if its limit had run out.
    std::function<bool()> Give_Up;
    // Asked while another update holds the program folder: true leaves that wait
    // (Update_Run::Cancelled). Once the updater runs it is never asked.
    std::function<bool()> Lock_Wait_Cancelled;
};

// Starts program (by absolute path, no arguments, the configurator's working folder) and waits
// until it ends, at most limit_ms; a program still running then is left running. The event
// "HandleCed" paces the polling: each round waits on it for up to 10 ms, so a signal from the
// updater shortens one round. Between rounds step runs with the time waited so far. Throws
// Core_Error with the reason when the program cannot be started.
Updater_End Run_And_Wait(const QString &program, int limit_ms,
                         const std::function<void(qint64 elapsed_ms)> &step,
                         const Updater_Extras &extras = {});

// "Ethernet_Update.exe  1:05": how long the updater has run, as the waits show it.
QString Updater_Wait_Text(qint64 elapsed_ms);

// "1:05": minutes and seconds.
QString Minutes_And_Seconds(qint64 elapsed_ms);

enum class Update_Run {
    Updater_Ended,
    Wait_Ran_Out, // the updater is left running, and keeps the program folder's lock
    Folder_Busy,  // another update held the program folder's lock all the while
    Not_Started,
    Cancelled, // the user stopped waiting for another update's lock; nothing was started
};

struct Update_Outcome {
    Update_Run Result = Update_Run::Not_Started;
    QString Reason;        // Folder_Busy: the text naming the holder; Not_Started: why
    int Exit_Code = 0;     // Updater_Ended: the updater's
    qint64 Elapsed_Ms = 0; // how long the updater ran, or was waited for
    // The lock of the active configuration, held while this outcome is kept, so that the
    // record of the update reaches the configuration before it is renamed or deleted. Handed
    // on to an updater that outlives the wait.
    std::shared_ptr<Configuration_Lock> Configuration_Hold;
};

// What an update is doing while it waits: for another update's lock, or for its own updater.
struct Update_Progress {
    bool Waiting_For_Lock = false;
    qint64 Elapsed_Ms = 0;
    Update_Lock_Holder Holder; // the lock's holder waited for
};

// One update from the job on: takes the update lock of the updater's folder and the lock of
// the active configuration (joining it when this process holds it already), waiting at most
// limit_ms for each, writes the job with write_job, starts the updater and
// waits for it at most limit_ms. The locks name the updater and are freed when it ends (the
// configuration's with the outcome); an updater that outlives the wait keeps both until it
// ends. A configuration that is gone once its lock is taken (renamed or deleted meanwhile)
// ends the update as not started. step runs between looks. A job
// or lock file that cannot be written throws Core_Error with the reason; the updater is then
// not started. extras says where the updater's output goes, what runs once it started, and what
// may end the waits early (Updater_Extras).
Update_Outcome Run_Update_Job(const QString &updater, const std::function<void()> &write_job,
                              int limit_ms,
                              const std::function<void(const Update_Progress &)> &step,
                              const Updater_Extras &extras = {});

// The end of an update whose updater ran (Updater_Ended or Wait_Ran_Out), as a line for people:
// how long it ran and its exit code, a failure when the code is not 0, or that it still runs.
QString Update_End_Text(const Update_Outcome &outcome);

// What the update is waiting for, as the window's status line says it: another update's lock.
// Empty while it waits for its own updater, whose time shows beside Read Back.
QString Update_Progress_Text(const Update_Progress &progress);
