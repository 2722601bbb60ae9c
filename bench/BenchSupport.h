#pragma once

// What the benchmark programs share: the clock, medians, the printed figure, a message sink for
// windows driven without a user, child processes measured from outside, and modal dialogs
// timed to their first paint.

#include "shell/Messages.h"

#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

double Now_Ms();
double Median(std::vector<double> values);

// argv[position] as a positive count, or fallback when it is absent.
int Count_Argument(int argc, char *argv[], int position, int fallback);

// One line: what, its median, its target and the baseline measured in the same run.
void Print_Figure(const char *what, double median_ms, double target_ms, const char *baseline,
                  double baseline_ms);

// Prints every message but questions on stderr; questions get Answer, and Answered_Ms notes when
// the last one was answered, which is the moment a user's Yes would arrive.
class Bench_Sink : public Message_Sink {
public:
    Bench_Sink() { Install_Message_Sink(this); }
    ~Bench_Sink() override { Install_Message_Sink(nullptr); }
    Bench_Sink(const Bench_Sink &) = delete;
    Bench_Sink &operator=(const Bench_Sink &) = delete;

    bool Show(Message_Kind kind, const QString &text) override;

    bool Answer = false;
    double Answered_Ms = 0;
};

// A child process as seen from outside: wall time from its start to its reaping, its CPU time
// (user and system, its own waited-for children included) and its peak resident memory.
struct Child_Figures {
    double Wall_Ms = 0;
    double Cpu_Ms = 0;
    double Peak_MiB = 0;
    double Reaped_Ms = 0;   // the clock when it was reaped
    bool Succeeded = false; // exited with 0
};

// Starts command[0] by its path (no search path) with the rest as arguments and this
// process's environment, and waits for it.
Child_Figures Run_Child(const QStringList &command);

// Clicks button, which opens a modal dialog with exec(), and returns the time from the click
// until the widget that watched(dialog) names has been painted and the frame is complete; watched
// gives null for any other modal window. Then runs finish(dialog) inside the dialog's event loop;
// finish must close the dialog. The dialog is found only once it is open, so it may be made on
// its first showing.
double Ms_To_First_Paint(QWidget *button, const std::function<QWidget *(QWidget *)> &watched,
                         const std::function<void(QWidget *)> &finish);
