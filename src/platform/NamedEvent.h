#pragma once

#include <QString>
#include <memory>

// A named, automatically reset event that another process may signal to wake a waiting
// configurator early. Windows: an event object; POSIX: a named semaphore whose extra counts are
// drained, so that it behaves the same.
class Named_Event {
public:
    // Creates (or opens) the event, not signalled. Throws Core_Error when it cannot.
    static std::unique_ptr<Named_Event> Create(const QString &name);

    // Signals the event of that name, as another process would; false when there is none.
    static bool Signal(const QString &name);

    virtual ~Named_Event() = default;

    // Drops a pending signal.
    virtual void Reset() = 0;

    // Waits up to ms milliseconds (on a monotonic clock) for a signal; true when one came.
    virtual bool Wait(int ms) = 0;
};
