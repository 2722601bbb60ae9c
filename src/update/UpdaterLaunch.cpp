#include "UpdaterLaunch.h"

#include "platform/CoreError.h"
#include "platform/NamedEvent.h"
#include "platform/ProcessLaunch.h"
#include "update/JobFile.h"
#include "update/UpdateLock.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace {

constexpr int Round_Ms = 10;

// The event, or a plain 10 ms sleep where the platform offers none.
class Pacer {
public:
    Pacer() {
        try {
            Event = Named_Event::Create(Updater_Event_Name);
        } catch (const Core_Error &) {
            Event.reset();
        }
    }
    void Reset() {
        if (Event)
            Event->Reset();
    }
    void Wait() {
        if (Event)
            Event->Wait(Round_Ms);
        else
            QThread::msleep(Round_Ms);
    }
    // Takes a signal that is already there without waiting for one.
    void Drain() {
        if (Event)
            Event->Wait(0);
    }

private:
    std::unique_ptr<Named_Event> Event;
};

} // namespace

bool Run_And_Wait(const QString &program, int limit_ms,
                  const std::function<void(qint64 elapsed_ms)> &step) {
    Pacer pacer;
    const std::unique_ptr<Child_Process> child = Child_Process::Start(program);
    pacer.Reset();
    child->Signal_On_Exit(Updater_Event_Name);
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (child->Finished()) {
            // The updater's own last signal may still be pending; the dialog must not sit out
            // another round for it.
            pacer.Drain();
            return true;
        }
        if (elapsed.elapsed() >= limit_ms)
            return false;
        pacer.Wait();
        step(elapsed.elapsed());
    }
}

QString Updater_Wait_Text(qint64 elapsed_ms) {
    const qint64 seconds = elapsed_ms / 1000;
    return QStringLiteral("%1  %2:%3")
        .arg(Updater_File_Name)
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

Update_Outcome Run_Update_Job(const QString &updater, const std::function<void()> &write_job,
                              int limit_ms, const std::function<void(qint64)> &step) {
    Update_Lock lock(QFileInfo(updater).path());
    if (!lock.Take(limit_ms, step))
        return {Update_Run::Folder_Busy, Update_Busy_Text(lock.Holder())};
    write_job();
    try {
        return {Run_And_Wait(updater, limit_ms, step) ? Update_Run::Updater_Ended
                                                      : Update_Run::Wait_Ran_Out,
                QString()};
    } catch (const Core_Error &error) {
        return {Update_Run::Not_Started, error.message()};
    }
}
