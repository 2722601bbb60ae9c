#include "Waiting.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>
#include <QWindow>
#include <exception>
#include <memory>

namespace {

class Input_Filter : public QObject {
public:
    explicit Input_Filter(QWidget *passes) : Passes(passes) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (Passes_Through(watched, event))
            return QObject::eventFilter(watched, event);
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

private:
    // Input meant for the button that passes: a click on it, reaching its window first, or a
    // key while it has the focus.
    bool Passes_Through(QObject *watched, QEvent *event) const {
        if (!Passes || !Passes->isEnabled() || !Passes->isVisible())
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            if (watched == Passes)
                return true;
            auto *window = qobject_cast<QWindow *>(watched);
            if (!window || window != Passes->window()->windowHandle())
                return false;
            const QPoint global =
                window->mapToGlobal(static_cast<QMouseEvent *>(event)->position().toPoint());
            return Passes->rect().contains(Passes->mapFromGlobal(global));
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
            return QApplication::focusWidget() == Passes;
        default:
            return false;
        }
    }

    QPointer<QWidget> Passes;
};

} // namespace

Input_Drop::Input_Drop(QWidget *passes) : Filter(std::make_unique<Input_Filter>(passes)) {
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
