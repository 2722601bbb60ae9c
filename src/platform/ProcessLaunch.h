#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

// A program the configurator started and may wait for. It stays the configurator's child; one
// still running when this object goes away is left running and reaped later.
class Child_Process {
public:
    // Starts program by its absolute path, with no arguments, in the configurator's working
    // folder, in a normal window, never through a shell or a search path. Elsewhere than on
    // Windows, a Windows program (one starting with "MZ") runs under Wine, found on the search
    // path, and this object stands for Wine; there the program reads nothing from standard
    // input, writes its standard output and error into output_log (made anew; empty: nowhere)
    // and runs in a process group of its own, so that an interrupt typed at the terminal does
    // not cut it off while it writes to a device. On Windows it inherits no handle of ours.
    // Throws Core_Error with the reason when it cannot be started, Wine's absence and a log that
    // cannot be made included.
    static std::unique_ptr<Child_Process> Start(const QString &program,
                                                const QString &output_log = QString());

    virtual ~Child_Process() = default;

    // True once the process has ended, whatever its exit code. Does not block.
    virtual bool Finished() = 0;

    // The exit code, once Finished() has said true: the program's own, or for a program that a
    // signal ended, 128 plus the signal's number, as a shell reports it.
    virtual int Exit_Code() const = 0;

    // The operating system's number of the process.
    virtual qint64 Pid() const = 0;

    // Signals the named event (see Named_Event) when the process ends, so that a configurator
    // waiting on that event notices the end at once rather than at its next look.
    virtual void Signal_On_Exit(const QString &event_name) = 0;
};

// True while a process of that number exists on this computer (a zombie included, as it still
// holds its number). Pid 0 or below names no process.
bool Process_Alive(qint64 pid);

// What tells a process from a later one that got its number: when it started (Linux: the
// start time of /proc/PID/stat in clock ticks since boot; Windows: its creation time) and the
// name of its program (Linux: /proc/PID/comm, at most 15 bytes; Windows: the executable's
// name without ".exe"). Empty when the process is gone or this system does not say.
struct Process_Identity {
    QString Started;
    QString Program;
};
Process_Identity Identity_Of(qint64 pid);

// path in the form the program at program_path reads it. Elsewhere than on Windows, a Windows
// program runs under Wine and reads a Windows path: drive Z:, which Wine maps to the root of the
// file system, with backslashes. Otherwise path as it is.
QString Path_For_Program(const QString &program_path, const QString &path);
