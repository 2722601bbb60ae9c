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
