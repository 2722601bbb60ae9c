#pragma once

#include <QObject>
#include <QWidget>
#include <functional>
#include <memory>

// Runs work on a worker thread while the windows keep painting; user input waits until the
// work is done. An exception that work throws is thrown on here.
void Run_Without_Freezing(const std::function<void()> &work);

// While it lives, every click, key, wheel turn and close request a user sends to any window is
// dropped rather than held back: what arrives during a long step must not act once it is over.
// The windows keep painting; waits under it process all events, so nothing piles up. Only
// passes, when given, takes the user's input while it is enabled: the button that leaves a wait.
class Input_Drop {
public:
    explicit Input_Drop(QWidget *passes = nullptr);
    ~Input_Drop();
    Input_Drop(const Input_Drop &) = delete;
    Input_Drop &operator=(const Input_Drop &) = delete;

private:
    std::unique_ptr<QObject> Filter;
};
