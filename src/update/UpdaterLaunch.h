#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

inline const QString Updater_Event_Name = QStringLiteral("HandleCed");
inline constexpr int Updater_Wait_Limit_Ms = 150000;

// Starts program (by absolute path, no arguments, the configurator's working folder) and waits
// until it ends, at most limit_ms; a program still running then is left running. The event
// "HandleCed" paces the polling: each round waits on it for up to 10 ms, so a signal from the
// updater shortens one round. Between rounds step runs with the time waited so far. Throws
// Core_Error with the reason when the program cannot be started. True when it ended in time.
bool Run_And_Wait(const QString &program, int limit_ms,
                  const std::function<void(qint64 elapsed_ms)> &step);

// "Ethernet_Update.exe  1:05": how long the updater has run, as the waits show it.
QString Updater_Wait_Text(qint64 elapsed_ms);

enum class Update_Run {
    Updater_Ended,
    Wait_Ran_Out, // the updater is left running
    Folder_Busy,  // another update held the program folder's lock all the while
    Not_Started,
};

struct Update_Outcome {
    Update_Run Result;
    QString Reason; // Folder_Busy: the text naming the holder; Not_Started: why
};

// One update from the job on: takes the update lock of the updater's folder (waiting at most
// limit_ms for another update to end), writes the job with write_job, starts the updater and
// waits for it at most limit_ms, and frees the lock. step runs between looks with the time
// waited so far. A job or lock file that cannot be written throws Core_Error with the reason;
// the updater is then not started.
Update_Outcome Run_Update_Job(const QString &updater, const std::function<void()> &write_job,
                              int limit_ms, const std::function<void(qint64 elapsed_ms)> &step);
