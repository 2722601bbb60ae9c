#pragma once

#include "app/MainWindow.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QTest>
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

// "Tab, Tab, Return": keys for Press_Keys.
inline QStringList Keys(const char *keys) {
    return QString::fromLatin1(keys).split(QStringLiteral(", "));
}

// Presses keys one after another, as a user types them ("Tab", "Return", "Shift+F10", "Menu",
// "Esc", "Space", "Up", "Shift+Tab"), each to whatever takes the keyboard at that moment: an open
// popup menu, else the focused widget. It runs from the event loop, so it goes on inside the
// modal loops its keys open (a context menu, a dialog). popups counts the keys that found a
// popup menu open.
inline void Press_Keys(const QStringList &keys, int *popups = nullptr) {
    auto *timer = new QTimer(qApp);
    timer->setInterval(30);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, keys, popups, next = 0]() mutable {
        if (next >= keys.size()) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        const QKeyCombination combination = QKeySequence(keys.at(next++))[0];
        QWidget *target = QApplication::activePopupWidget();
        if (target && popups)
            ++*popups;
        if (!target)
            target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activeWindow();
        // Posted, so that a key which opens a modal loop returns this timer to the loop: a
        // timer does not fire again while its own slot runs.
        if (target)
            QTimer::singleShot(0, target, [target, combination] {
                QTest::keyClick(target, combination.key(), combination.keyboardModifiers());
            });
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
