// A stand-in updater for the benchmarks: writes the monotonic time at which it started and the
// one at which it is about to exit, in nanoseconds, to updater_times.txt beside it.

#include <fstream>
#include <string>
#include <time.h>

static long long Now_Ns() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

int main(int, char *argv[]) {
    const long long started = Now_Ns();
    const std::string self = argv[0];
    std::ofstream times(self.substr(0, self.find_last_of('/') + 1) + "updater_times.txt");
    times << started << ' ';
    times << Now_Ns() << '\n';
    return 0;
}
