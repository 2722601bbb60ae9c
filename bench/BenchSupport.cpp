#include "BenchSupport.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

double Now_Ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

int Count_Argument(int argc, char *argv[], int position, int fallback) {
    return argc > position ? std::max(1, std::atoi(argv[position])) : fallback;
}

void Print_Figure(const char *what, double median_ms, double target_ms, const char *baseline,
                  double baseline_ms) {
    std::printf("%s: median %.2f ms (target at most %.0f ms; %s %.2f ms)\n", what, median_ms,
                target_ms, baseline, baseline_ms);
}

bool Bench_Sink::Show(Message_Kind kind, const QString &text) {
    if (kind != Message_Kind::Question) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return false;
    }
    Answered_Ms = Now_Ms();
    return Answer;
}

namespace {

double Ms_Of(const timeval &time) {
    return time.tv_sec * 1e3 + time.tv_usec / 1e3;
}

// Watches every paint of the program for the first one of the watched widget of the open modal
// dialog; the singleshot runs after the rest of that paint pass has been drawn and flushed.
class First_Paint : public QObject {
public:
    First_Paint(const std::function<QWidget *(QWidget *)> &watched,
                std::function<void(QWidget *)> painted)
        : Watched(watched), Painted(std::move(painted)) {}

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override {
        if (event->type() != QEvent::Paint || Seen)
            return false;
        QWidget *dialog = QApplication::activeModalWidget();
        if (dialog && receiver == Watched(dialog)) {
            Seen = true;
            QTimer::singleShot(0, this, [this, dialog] { Painted(dialog); });
        }
        return false;
    }

private:
    const std::function<QWidget *(QWidget *)> &Watched;
    std::function<void(QWidget *)> Painted;
    bool Seen = false;
};

} // namespace

Child_Figures Run_Child(const QStringList &command) {
    std::vector<QByteArray> texts;
    for (const QString &part : command)
        texts.push_back(part.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    Child_Figures figures;
    const double started = Now_Ms();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return figures;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return figures;
    figures.Reaped_Ms = Now_Ms();
    figures.Wall_Ms = figures.Reaped_Ms - started;
    figures.Cpu_Ms = Ms_Of(usage.ru_utime) + Ms_Of(usage.ru_stime);
    figures.Peak_MiB = usage.ru_maxrss / 1024.0;
    figures.Succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return figures;
}

double Ms_To_First_Paint(QWidget *button, const std::function<QWidget *(QWidget *)> &watched,
                         const std::function<void(QWidget *)> &finish) {
    double painted = 0;
    First_Paint filter(watched, [&painted, &finish](QWidget *dialog) {
        painted = Now_Ms();
        finish(dialog);
    });
    qApp->installEventFilter(&filter);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { qFatal("the dialog was never painted"); });
    watchdog.start(60000);
    const double clicked = Now_Ms();
    QTest::mouseClick(button, Qt::LeftButton);
    qApp->removeEventFilter(&filter);
    return painted - clicked;
}
