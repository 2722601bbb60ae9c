#include "Waiting.h"

#include "options/VersionCheck.h"

#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

void Run_Without_Freezing(const std::function<void()> &work) {
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    // The signal crosses threads, so it is queued: it reaches the loop even when the work ends
    // before exec() starts.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    if (failure)
        std::rethrow_exception(failure);
}

bool Check_Version_Without_Freezing(const QString &server) {
    bool newer = false;
    Run_Without_Freezing([&newer, server] { newer = Check_Version(server); });
    return newer;
}
