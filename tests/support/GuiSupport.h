#pragma once

#include "app/MainWindow.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <functional>
#include <memory>

// The program as main() starts it, on the program folder path.
inline std::unique_ptr<Main_Window> Start_Program(const QString &path) {
    auto main_window = std::make_unique<Main_Window>(path);
    main_window->show();
    return main_window;
}

// Runs action on the modal dialog that the next call opens, once it is shown and active: only
// then does the field the dialog focuses hold the keyboard focus a user types into (the window
// system activates a new window some time after it is shown). The action must close the
// dialog. Fails the test when no modal dialog becomes active.
inline void When_Modal(std::function<void(QWidget *)> action) {
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, attempts = 0]() mutable {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal->isActiveWindow()) {
            timer->deleteLater();
            timer->stop();
            action(modal);
        } else if (++attempts > 3000) {
            qFatal("no modal dialog became active");
        }
    });
    timer->start();
}

// Counts the show events that come from the window system rather than from the program.
class Spontaneous_Shows : public QObject {
public:
    explicit Spontaneous_Shows(QWidget *window) { window->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Show && event->spontaneous())
            ++Count;
        return false;
    }
};

// Minimises window and restores it, as the user does through the window system. Returns the
// show events the restore sent from the window system, so a test can tell it took place.
inline int Minimise_And_Restore(QWidget *window) {
    Spontaneous_Shows shows(window);
    window->setWindowState(window->windowState() | Qt::WindowMinimized);
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    return shows.Count;
}
