#pragma once

#include "app/UDededorezidFirmWare.h"

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

// The program as main() starts it, on the program folder path.
inline std::unique_ptr<TFDededorezidFirmWare> Start_Program(const QString &path) {
    auto main_window = std::make_unique<TFDededorezidFirmWare>(path);
    main_window->show();
    return main_window;
}

// Runs action on the modal dialog that the next call opens, as soon as it is shown; the action
// must close it. Fails the test when no modal dialog appears.
inline void When_Modal(std::function<void(QWidget *)> action) {
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, attempts = 0]() mutable {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->deleteLater();
            timer->stop();
            action(modal);
        } else if (++attempts > 300) {
            qFatal("no modal dialog appeared");
        }
    });
    timer->start();
}
