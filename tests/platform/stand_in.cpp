// Stands in for a program the configurator starts and waits for. It writes a report to the
// file that CF_STAND_IN_REPORT names (its working folder, its argument count and its process
// id, one to a line), waits until "<report>.release" appears, then writes "<report>.done" and
// ends. It gives up waiting after a minute, so that no run of the tests leaves it behind.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

int main(int argc, char **) {
    const char *report = std::getenv("CF_STAND_IN_REPORT");
    if (!report)
        return 2;
    const std::string path = report;
    {
        std::ofstream out(path + ".part", std::ios::binary); // "\n" on Windows too
        out << std::filesystem::current_path().generic_string() << '\n'
            << argc - 1 << '\n'
            << getpid() << '\n';
    }
    std::filesystem::rename(path + ".part", path); // the test never reads half a report

    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!std::filesystem::exists(path + ".release") &&
           std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::ofstream(path + ".done") << "done\n";
    return 0;
}
