// What linking Qt Serial Bus and Qt Network would cost the program's start: the bare window
// (bench_bare_window) against the same window linked with both libraries (which bring Qt Serial
// Port besides), as processes on the offscreen platform, started alternately. The figures are
// why Qt's Modbus client lives in a module that is loaded when the first check runs.
// Run: bench_link_cost [runs of each]

#include "BenchSupport.h"

#include <cstdio>

int main(int argc, char *argv[]) {
    const int runs = Count_Argument(argc, argv, 1, 30);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QStringList bare{QStringLiteral(BARE_WINDOW)};
    const QStringList linked{QStringLiteral(LINKED_WINDOW)};
    Run_Child(bare);
    Run_Child(linked);
    std::vector<double> bare_wall, bare_cpu, linked_wall, linked_cpu;
    for (int run = 0; run < runs; ++run) {
        const Child_Figures plain = Run_Child(bare);
        const Child_Figures with = Run_Child(linked);
        if (!plain.Succeeded || !with.Succeeded) {
            std::fprintf(stderr, "a start-up failed\n");
            return 1;
        }
        bare_wall.push_back(plain.Wall_Ms);
        bare_cpu.push_back(plain.Cpu_Ms);
        linked_wall.push_back(with.Wall_Ms);
        linked_cpu.push_back(with.Cpu_Ms);
    }
    std::printf("runs: %d of each, alternately, on the offscreen platform (medians)\n", runs);
    std::printf("%-16s %12s %24s %8s\n", "", "bare window", "linked with Serial Bus", "cost");
    std::printf("%-16s %12.1f %24.1f %7.1f%%\n", "wall time (ms)", Median(bare_wall),
                Median(linked_wall), 100 * (Median(linked_wall) / Median(bare_wall) - 1));
    std::printf("%-16s %12.1f %24.1f %7.1f%%\n", "CPU time (ms)", Median(bare_cpu),
                Median(linked_cpu), 100 * (Median(linked_cpu) / Median(bare_cpu) - 1));
    return 0;
}
