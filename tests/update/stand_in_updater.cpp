// Stands in for Ethernet_Update.exe in the tests: records what it was given and found, waits
// as long as the file updater_delay_ms beside it says (or, when it says "hold", until the file
// updater_release appears beside it or its folder is removed), leaves a mark when it ends and exits
// with the code that the file updater_exit_code beside it names (0 without one).

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

int main(int argc, char *argv[]) {
    const std::string self = argv[0];
    const std::string dir = self.substr(0, self.find_last_of("/\\") + 1);
    std::ifstream job(dir + "Ethernet_Update.xml");
    const std::string job_text((std::istreambuf_iterator<char>(job)),
                               std::istreambuf_iterator<char>());
    std::error_code error;
    const std::string cwd = std::filesystem::current_path(error).generic_string();
    {
        std::ofstream record(dir + "updater_record.txt", std::ios::binary); // "\n" on Windows too
        record << "args=" << argc - 1 << "\ncwd=" << cwd << "\njob=" << job_text << "\n";
    }
    // What a real updater might print; it must not reach the configurator's own streams. On
    // Windows the updater's output is not yet sent to a log, so the stand-in keeps quiet there.
#ifndef _WIN32
    std::cout << "stand-in: out" << std::endl;
    std::cerr << "stand-in: err" << std::endl;
#endif
    std::string delay;
    std::ifstream(dir + "updater_delay_ms") >> delay;
    if (delay == "hold") {
        // A test that removes the folder before the stand-in saw the release ends it too, so
        // that no stand-in waits on after its test.
        const std::filesystem::path folder = dir.empty() ? "." : dir;
        while (!std::ifstream(dir + "updater_release") && std::filesystem::exists(folder, error))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } else if (!delay.empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stol(delay)));
    }
    std::ofstream(dir + "updater_record.txt", std::ios::binary | std::ios::app) << "ended\n";
    int exit_code = 0;
    std::ifstream(dir + "updater_exit_code") >> exit_code;
    return exit_code;
}
