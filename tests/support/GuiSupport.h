#pragma once

#include "shell/UDededorezidFirmWare.h"

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

// The program as main() starts it, on the program folder path.
inline std::unique_ptr<TFDededorezidFirmWare> Start_Program(const QString &path) {
    auto main_window = std::make_unique<TFDededorezidFirmWare>(path);
    main_window->Create_Dialogs();
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
