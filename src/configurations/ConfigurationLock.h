#pragma once

#include <QLockFile>
#include <QString>
#include <QtGlobal>

// Every change of a configuration's files reads them, changes them and writes them anew; two
// changes at once would each write over what the other did. This lock, "<folder>.lock" beside
// the configuration's folder in PROJECTS, lets one change at a time through. Being outside the
// folder it can be taken before the folder exists (a configuration being made) and does not
// keep the folder from being renamed. Its file names the holder; one left by a process that
// died, or older than Stale_Ms, is taken over: a change holds it for milliseconds.
class Configuration_Lock {
public:
    // Long enough for a queue of changes from scripts on a busy machine.
    static constexpr int Wait_Ms = 10000;
    static constexpr int Stale_Ms = 30000;
    static constexpr int Retry_Ms = 10;

    explicit Configuration_Lock(const QString &configuration_dir);
    Configuration_Lock(const Configuration_Lock &) = delete;
    Configuration_Lock &operator=(const Configuration_Lock &) = delete;

    // Takes the lock, waiting at most limit_ms while another holds it. True once taken; it is
    // freed with this object. Throws Core_Error with the reason when the lock file cannot be
    // made (a read-only PROJECTS folder).
    bool Take(int limit_ms = Wait_Ms);

    // For a holder that keeps the lock longer than Stale_Ms (a device's update): marks the lock
    // file as fresh, so that it is not taken over for its age. Call it at least every few
    // seconds; it touches the file at most once a second.
    void Keep_Fresh();

    // After a failed Take: the message that names the configuration and what holds it.
    QString Busy_Text() const;

private:
    QString Name;
    QString Path;
    QLockFile File;
    qint64 Fresh_At_Ms = 0;
};
