#include "Waiting.h"

#include "options/VersionCheck.h"

#include <QEventLoop>
#include <QThread>
#include <memory>

void Run_Without_Freezing(const std::function<void()> &work) {
    std::unique_ptr<QThread> worker(QThread::create(work));
    QEventLoop loop;
    // The signal crosses threads, so it is queued: it reaches the loop even when the work ends
    // before exec() starts.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
}

namespace {

bool Checking = false;

} // namespace

bool Check_Version_Without_Freezing(const QString &server) {
    bool newer = false;
    Checking = true;
    Run_Without_Freezing([&newer, server] { newer = Check_Version(server); });
    Checking = false;
    return newer;
}

bool Version_Check_Running() {
    return Checking;
}
