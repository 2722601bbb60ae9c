// Figures of the device update, each beside a baseline measured in the same run:
//   1. from the update button to the updater's start, probing 127.0.0.1
//      (baseline: one raw ICMP echo round trip to 127.0.0.1);
//   2. from the updater's exit to the dialog taking input again
//      (baseline: the same program started and awaited with a blocking waitpid);
//   3. the longest gap between two processed events during the probe of a silent host, in a
//      private network namespace of its own (root only)
//      (baseline: the longest gap of the idle event loop over the same time).
// Run: QT_QPA_PLATFORM=offscreen bench_update [runs]

#include "BenchSupport.h"

#include "app/MainWindow.h"
#include "configurations/Configurations.h"
#include "parameters/ParGen.h"
#include "platform/IcmpEcho.h"
#include "shell/AppState.h"
#include "shell/Messages.h"
#include "update/JobFile.h"
#include "update/UpdateDialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sched.h>
#include <vector>

namespace {

// Start and exit times written by the stand-in, in ms.
std::pair<double, double> Updater_Times(const QString &folder) {
    QFile file(folder + QStringLiteral("/updater_times.txt"));
    file.open(QIODevice::ReadOnly);
    const QList<QByteArray> parts = file.readAll().trimmed().split(' ');
    if (parts.size() != 2)
        return {0, 0};
    return {parts[0].toLongLong() / 1e6, parts[1].toLongLong() / 1e6};
}

double Raw_Echo_Ms(Icmp_Echo &echo) {
    const double start = Now_Ms();
    echo.Send(QStringLiteral("127.0.0.1"), QByteArray("127.0.0.1"), 400);
    while (!echo.Poll())
        ;
    return Now_Ms() - start;
}

double Blocking_Wait_Ms(const QString &program) {
    return Run_Child({program}).Reaped_Ms - Updater_Times(QFileInfo(program).path()).second;
}

// The longest time between two ticks of a 1 ms timer while work runs.
double Longest_Gap_Ms(const std::function<void()> &work) {
    double last = Now_Ms();
    double longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double now = Now_Ms();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();
    work();
    return longest;
}

bool Enter_Silent_Network() {
    if (unshare(CLONE_NEWNET) != 0)
        return false;
    // A veth pair whose far end holds no address: requests to 10.77.0.2 go unanswered.
    return std::system("ip link set lo up && ip link add bench0 type veth peer name bench1 && "
                       "ip addr add 10.77.0.1/24 dev bench0 && ip link set bench0 up && "
                       "ip link set bench1 up") == 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const int runs = Count_Argument(argc, argv, 1, 15);
    Bench_Sink sink;

    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("PROJECTS/Plant/bin"));
    QFile(folder.filePath(Settings_File_Name)).open(QIODevice::WriteOnly);
    QFile::copy(QStringLiteral(STAND_IN), folder.filePath(Updater_File_Name));
    Main_Window main_window(folder.path());
    Open_Configuration(QStringLiteral("Plant"));
    // Confirmed parameters, the configuration alone (no firmware file here), and no check of
    // the device afterwards: the endpoints are not this machine's.
    Save_ParGen(Default_ParGen(), App.ParGen_File);
    App.Last_Update_Option = Update_Configuration;
    App.Check_After_Update = false;
    Update_Dialog *update_dialog = main_window.Update_Window();
    update_dialog->show();
    for (QLineEdit *field : update_dialog->E_IP)
        field->clear();
    update_dialog->E_IP[0]->setText(QStringLiteral("127"));
    update_dialog->E_IP[1]->setText(QStringLiteral("0"));
    update_dialog->E_IP[2]->setText(QStringLiteral("0"));
    update_dialog->E_IP[3]->setText(QStringLiteral("1"));

    std::vector<double> to_start, to_input, raw_echo, blocking;
    const std::unique_ptr<Icmp_Echo> echo = Make_Icmp_Echo();
    for (int run = 0; run < runs; ++run) {
        QFile::remove(folder.filePath(QStringLiteral("updater_times.txt")));
        const double pressed = Now_Ms();
        update_dialog->Btn_UpdateClick();
        const double taking_input = Now_Ms();
        const auto [started, exited] = Updater_Times(folder.path());
        if (started == 0) {
            std::fprintf(stderr, "the updater did not run\n");
            return 1;
        }
        to_start.push_back(started - pressed);
        to_input.push_back(taking_input - exited);
        raw_echo.push_back(Raw_Echo_Ms(*echo));
        blocking.push_back(Blocking_Wait_Ms(folder.filePath(Updater_File_Name)));
    }
    std::printf("runs: %d\n", runs);
    std::printf("update button -> updater start: median %.2f ms (raw echo round trip %.3f ms)\n",
                Median(to_start), Median(raw_echo));
    std::printf("updater exit -> dialog takes input: median %.2f ms (blocking waitpid %.3f ms)\n",
                Median(to_input), Median(blocking));

    // The windows keep processing events while an updater runs for a while.
    constexpr int Hold_Ms = 2000;
    QFile hold(folder.filePath(QStringLiteral("updater_hold_ms.txt")));
    hold.open(QIODevice::WriteOnly);
    hold.write(QByteArray::number(Hold_Ms));
    hold.close();
    const double waiting = Longest_Gap_Ms([update_dialog] { update_dialog->Btn_UpdateClick(); });
    hold.remove();
    const double idle_wait = Longest_Gap_Ms([] {
        QEventLoop loop;
        QTimer::singleShot(Hold_Ms, &loop, &QEventLoop::quit);
        loop.exec();
    });
    std::printf("longest gap between events while a %d ms updater runs: %.2f ms (target at most "
                "20 ms; idle loop %.2f ms)\n",
                Hold_Ms, waiting, idle_wait);

    if (!Enter_Silent_Network()) {
        std::printf("longest gap during a silent probe: skipped (needs root for a network "
                    "namespace)\n");
        return 0;
    }
    // A new socket, opened inside the private network.
    update_dialog->Ping = Make_Icmp_Echo();
    update_dialog->E_IP[0]->setText(QStringLiteral("10"));
    update_dialog->E_IP[1]->setText(QStringLiteral("77"));
    update_dialog->E_IP[2]->setText(QStringLiteral("0"));
    update_dialog->E_IP[3]->setText(QStringLiteral("2"));
    QElapsedTimer probe_time;
    probe_time.start();
    const double probing = Longest_Gap_Ms([update_dialog] { update_dialog->Btn_UpdateClick(); });
    const qint64 probe_ms = probe_time.elapsed();
    const double idle = Longest_Gap_Ms([probe_ms] {
        QEventLoop loop;
        QTimer::singleShot(int(probe_ms), &loop, &QEventLoop::quit);
        loop.exec();
    });
    std::printf("longest gap between events during a %lld ms silent probe: %.2f ms (idle loop "
                "%.2f ms)\n",
                probe_ms, probing, idle);
    return 0;
}
