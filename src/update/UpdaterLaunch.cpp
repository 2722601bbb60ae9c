#include "UpdaterLaunch.h"
#include "configurations/ConfigurationLock.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/NamedEvent.h"
#include "platform/ProcessLaunch.h"
#include "shell/AppState.h"
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

Updater_End Run_And_Wait(const QString &program, int limit_ms,
                         const std::function<void(qint64 elapsed_ms)> &step,
                         const Updater_Extras &extras) {
    Pacer pacer;
    const std::unique_ptr<Child_Process> child = Child_Process::Start(program, extras.Output_Log);
    if (extras.Started)
        extras.Started(child->Pid());
    pacer.Reset();
    child->Signal_On_Exit(Updater_Event_Name);
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (child->Finished()) {
            // The updater's own last signal may still be pending; the dialog must not sit out
            // another round for it.
            pacer.Drain();
            return {true, child->Exit_Code(), elapsed.elapsed()};
        }
        if (elapsed.elapsed() >= limit_ms || (extras.Give_Up && extras.Give_Up()))
            return {false, 0, elapsed.elapsed()};
        pacer.Wait();
        step(elapsed.elapsed());
    }
}

QString Minutes_And_Seconds(qint64 elapsed_ms) {
    const qint64 seconds = elapsed_ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString Updater_Wait_Text(qint64 elapsed_ms) {
    return Updater_File_Name + QStringLiteral("  ") + Minutes_And_Seconds(elapsed_ms);
}

Update_Outcome Run_Update_Job(const QString &updater, const std::function<void()> &write_job,
                              int limit_ms,
                              const std::function<void(const Update_Progress &)> &step,
                              const Updater_Extras &extras) {
    const auto waiting = [&step](qint64 elapsed_ms, const Update_Lock_Holder &holder) {
        step({true, elapsed_ms, holder});
    };
    Update_Outcome outcome;
    const auto ended = [&outcome](Update_Run result, const QString &reason) {
        outcome.Result = result;
        outcome.Reason = reason;
        return outcome;
    };
    Update_Lock lock(QFileInfo(updater).path());
    switch (lock.Take(limit_ms, waiting, extras.Lock_Wait_Cancelled)) {
    case Update_Lock::Take_Result::Taken:
        break;
    case Update_Lock::Take_Result::Busy:
        return ended(Update_Run::Folder_Busy, Update_Busy_Text(lock.Holder()));
    case Update_Lock::Take_Result::Foreign:
        return ended(Update_Run::Folder_Busy, Foreign_Lock_Text(lock.Path(), lock.Holder()));
    case Update_Lock::Take_Result::Cancelled:
        return ended(Update_Run::Cancelled, Holder_Text(lock.Holder()));
    }
    // Every update of a configuration holds the program folder's lock first, so one that holds
    // this configuration is waited for there; here only a short change of it is.
    if (!App.Proj_Dir.isEmpty()) {
        outcome.Configuration_Hold = std::make_shared<Configuration_Lock>(App.Proj_Dir);
        if (!outcome.Configuration_Hold->Join_Or_Take(limit_ms, waiting))
            return ended(Update_Run::Folder_Busy, outcome.Configuration_Hold->Busy_Text());
        if (!QFileInfo(App.Proj_Dir).isDir())
            return ended(Update_Run::Not_Started,
                         QStringLiteral("The configuration %1 was renamed or deleted meanwhile.")
                             .arg(App.Proj_Name));
    }
    write_job();
    const auto locks = [&lock, &outcome](const std::function<void(Holder_Lock &)> &act) {
        act(lock);
        if (outcome.Configuration_Hold)
            act(outcome.Configuration_Hold->File());
    };
    Updater_End end;
    Updater_Extras with_lock = extras;
    with_lock.Started = [&locks, &extras](qint64 pid) {
        locks([pid](Holder_Lock &held) { held.Add_Updater(pid); });
        if (extras.Started)
            extras.Started(pid);
    };
    try {
        end = Run_And_Wait(
            updater, limit_ms,
            [&step](qint64 elapsed_ms) {
                step({false, elapsed_ms, {}});
            },
            with_lock);
    } catch (const Core_Error &error) {
        return ended(Update_Run::Not_Started, error.message());
    }
    outcome.Elapsed_Ms = end.Elapsed_Ms;
    if (!end.Ended) {
        locks([](Holder_Lock &held) { held.Leave_To_Updater(); });
        outcome.Result = Update_Run::Wait_Ran_Out;
        return outcome;
    }
    outcome.Result = Update_Run::Updater_Ended;
    outcome.Exit_Code = end.Exit_Code;
    return outcome;
}

QString Update_End_Text(const Update_Outcome &outcome) {
    const QString time = Minutes_And_Seconds(outcome.Elapsed_Ms);
    if (outcome.Result == Update_Run::Wait_Ran_Out)
        return Lang_Strings.at(664).arg(Updater_File_Name, time);
    return Lang_Strings.at(outcome.Exit_Code == 0 ? 662 : 663)
        .arg(Updater_File_Name, time)
        .arg(outcome.Exit_Code);
}

QString Update_Progress_Text(const Update_Progress &progress) {
    return progress.Waiting_For_Lock ? Lang_Strings.at(661).arg(Holder_Text(progress.Holder))
                                     : QString();
}
