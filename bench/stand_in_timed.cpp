// A stand-in updater for the benchmarks: writes the monotonic time at which it started and the
// one at which it is about to exit, in nanoseconds, to updater_times.txt beside it. When
// updater_hold_ms.txt lies beside it, it runs for that many milliseconds first.

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <time.h>

static long long Now_Ns() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

int main(int, char *argv[]) {
    const long long started = Now_Ns();
    const std::string self = argv[0];
    const std::string folder = self.substr(0, self.find_last_of('/') + 1);
    long hold_ms = 0;
    std::ifstream(folder + "updater_hold_ms.txt") >> hold_ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
    std::ofstream times(folder + "updater_times.txt");
    times << started << ' ';
    times << Now_Ns() << '\n';
    return 0;
}
