#include "Waiting.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

namespace {

class Input_Filter : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        case QEvent::Close:
            // The close box; a window the program closes itself is no user's request.
            return event->spontaneous();
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

} // namespace

Input_Drop::Input_Drop() : Filter(std::make_unique<Input_Filter>()) {
    QCoreApplication::instance()->installEventFilter(Filter.get());
}

Input_Drop::~Input_Drop() {
    QCoreApplication::instance()->removeEventFilter(Filter.get());
}

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
