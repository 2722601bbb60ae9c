// Start-up of the whole program against a bare Qt Widgets window of the same size, both as
// processes on the offscreen platform, started alternately: wall time from exec to exit, CPU
// time and peak memory, as medians and ratios. Each process ends after its window's first paint
// (the program through CF20914_EXIT_AFTER_FIRST_PAINT, which only this benchmark sets).
// Run: bench_startup [runs of each]

#include "BenchSupport.h"

#include "shell/AppState.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

struct Series {
    std::vector<double> Wall_Ms, Cpu_Ms, Peak_MiB;

    bool Add(const Child_Figures &figures) {
        Wall_Ms.push_back(figures.Wall_Ms);
        Cpu_Ms.push_back(figures.Cpu_Ms);
        Peak_MiB.push_back(figures.Peak_MiB);
        return figures.Succeeded;
    }
};

void Print_Row(const char *what, const std::vector<double> &program,
               const std::vector<double> &bare, double target_ratio) {
    const double ratio = Median(program) / Median(bare);
    std::printf("%-18s %10.1f %12.1f %8.2f %15.2f\n", what, Median(program), Median(bare), ratio,
                target_ratio);
}

} // namespace

int main(int argc, char *argv[]) {
    const int runs = Count_Argument(argc, argv, 1, 15);

    // A program folder as a user has it: one configuration, active in the settings file.
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("PROJECTS/Plant/bin"));
    AppState settings;
    settings.Proj_Name = QStringLiteral("Plant");
    Save_Settings(settings, folder.filePath(Settings_File_Name));
    // A copy, not a link: the program finds its folder through the resolved executable path.
    const QString program = folder.filePath(QStringLiteral("CF20914"));
    if (!QFile::copy(QStringLiteral(CF20914_PROGRAM), program)) {
        std::fprintf(stderr, "cannot copy %s\n", CF20914_PROGRAM);
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CF20914_EXIT_AFTER_FIRST_PAINT", "1");

    // One unmeasured start of each fills the page cache and creates the program's folders.
    Run_Child({program});
    Run_Child({QStringLiteral(BARE_WINDOW)});
    Series configurator, bare;
    for (int run = 0; run < runs; ++run) {
        if (!configurator.Add(Run_Child({program})) ||
            !bare.Add(Run_Child({QStringLiteral(BARE_WINDOW)}))) {
            std::fprintf(stderr, "a start-up failed\n");
            return 1;
        }
    }
    std::printf("runs: %d of each, alternately, on the offscreen platform (medians)\n", runs);
    std::printf("%-18s %10s %12s %8s %15s\n", "", "CF20914", "bare window", "ratio",
                "target at most");
    Print_Row("wall time (ms)", configurator.Wall_Ms, bare.Wall_Ms, 1.3);
    Print_Row("CPU time (ms)", configurator.Cpu_Ms, bare.Cpu_Ms, 1.3);
    Print_Row("peak memory (MiB)", configurator.Peak_MiB, bare.Peak_MiB, 1.2);
    return 0;
}
