#include "NamedEvent.h"

#include "CoreError.h"

#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <semaphore.h>
#include <time.h>
#endif

namespace {

Core_Error Create_Error(const QString &name, const QString &reason) {
    return Core_Error(QStringLiteral("Cannot create the event %1: %2").arg(name, reason));
}

#ifdef Q_OS_WIN

const wchar_t *Wide(const QString &text) {
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

class Windows_Event final : public Named_Event {
public:
    explicit Windows_Event(HANDLE event) : Event(event) {}
    ~Windows_Event() override { CloseHandle(Event); }

    void Reset() override { ResetEvent(Event); }

    bool Wait(int ms) override { return WaitForSingleObject(Event, DWORD(ms)) == WAIT_OBJECT_0; }

private:
    HANDLE Event;
};

#else

// "HandleCed" names the semaphore "/HandleCed".
QByteArray Semaphore_Name(const QString &name) {
    return '/' + name.toUtf8();
}

// Takes every count: like an auto-reset event, the semaphore is either signalled or not, and
// signals that came together give one wake-up.
void Drain(sem_t *semaphore) {
    while (sem_trywait(semaphore) == 0 || errno == EINTR) {
    }
}

class Semaphore_Event final : public Named_Event {
public:
    Semaphore_Event(sem_t *semaphore, QByteArray name)
        : Semaphore(semaphore), Name(std::move(name)) {}

    // The configurator makes the event afresh for each wait, so the name goes with it, as an
    // event object of Windows goes with its last handle.
    ~Semaphore_Event() override {
        sem_close(Semaphore);
        sem_unlink(Name.constData());
    }

    void Reset() override { Drain(Semaphore); }

    bool Wait(int ms) override {
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += ms / 1000;
        deadline.tv_nsec += long(ms % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            ++deadline.tv_sec;
            deadline.tv_nsec -= 1000000000L;
        }
        int result = 0;
        do
            result = sem_clockwait(Semaphore, CLOCK_MONOTONIC, &deadline);
        while (result != 0 && errno == EINTR);
        if (result != 0)
            return false;
        Drain(Semaphore);
        return true;
    }

private:
    sem_t *Semaphore;
    QByteArray Name;
};

#endif

} // namespace

std::unique_ptr<Named_Event> Named_Event::Create(const QString &name) {
#ifdef Q_OS_WIN
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, Wide(name));
    if (!event)
        throw Create_Error(name, qt_error_string(int(GetLastError())));
    return std::make_unique<Windows_Event>(event);
#else
    QByteArray semaphore_name = Semaphore_Name(name);
    sem_t *semaphore = sem_open(semaphore_name.constData(), O_CREAT, 0600, 0);
    if (semaphore == SEM_FAILED)
        throw Create_Error(name, qt_error_string(errno));
    // Unlike an event object, a semaphore outlives a crashed configurator; its counts are stale.
    Drain(semaphore);
    return std::make_unique<Semaphore_Event>(semaphore, std::move(semaphore_name));
#endif
}

bool Named_Event::Signal(const QString &name) {
#ifdef Q_OS_WIN
    const HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, Wide(name));
    if (!event)
        return false;
    const bool signalled = SetEvent(event) != FALSE;
    CloseHandle(event);
    return signalled;
#else
    sem_t *semaphore = sem_open(Semaphore_Name(name).constData(), 0);
    if (semaphore == SEM_FAILED)
        return false;
    const bool signalled = sem_post(semaphore) == 0;
    sem_close(semaphore);
    return signalled;
#endif
}
