#include "UpdaterLaunch.h"

#include "platform/CoreError.h"
#include "platform/NamedEvent.h"
#include "platform/ProcessLaunch.h"

#include <QElapsedTimer>
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
