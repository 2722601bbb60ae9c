// The open dialog with 10,000 configuration folders below PROJECTS: from the click on Open
// Configuration to the list painted with the active configuration preselected, beside listing
// the folder alone.
// Run: QT_QPA_PLATFORM=offscreen bench_open_configuration [runs]

#include "BenchSupport.h"

#include "app/MainWindow.h"
#include "configurations/OpenConfigurationDialog.h"
#include "shell/AppState.h"
#include "shell/SettingsFile.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

constexpr int Folder_Count = 10000;

QString Folder_Name(int n) {
    return QStringLiteral("Configuration %1").arg(n, 5, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const int runs = Count_Argument(argc, argv, 1, 15);
    Bench_Sink sink;

    QTemporaryDir folder;
    const QDir projects(folder.filePath(Projects_Folder_Name));
    for (int n = 0; n < Folder_Count; ++n)
        projects.mkpath(Folder_Name(n));
    // Far down the list, so that preselecting it means scrolling to it.
    constexpr int active = Folder_Count * 3 / 4;
    AppState settings;
    settings.Proj_Name = Folder_Name(active);
    Save_Settings(settings, folder.filePath(Settings_File_Name));

    Main_Window main_window(folder.path());
    main_window.show();
    if (!QTest::qWaitForWindowExposed(&main_window))
        return 1;

    std::vector<double> opened, listed;
    bool preselected = true;
    for (int run = 0; run < runs; ++run) {
        opened.push_back(Ms_To_First_Paint(
            main_window.Btn_Open,
            [](QWidget *modal) -> QWidget * {
                auto *dialog = qobject_cast<Open_Configuration_Dialog *>(modal);
                return dialog ? dialog->LB_Configurations->viewport() : nullptr;
            },
            [&preselected](QWidget *modal) {
                auto *dialog = static_cast<Open_Configuration_Dialog *>(modal);
                preselected = preselected && dialog->LB_Configurations->count() == Folder_Count &&
                              dialog->LB_Configurations->currentRow() == active;
                dialog->reject();
            }));
        const double start = Now_Ms();
        const QStringList names = projects.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        listed.push_back(Now_Ms() - start);
        if (names.size() != Folder_Count)
            return 1;
    }
    if (!preselected) {
        std::fprintf(stderr, "the list was not shown with the active configuration preselected\n");
        return 1;
    }
    std::printf("runs: %d, %d configuration folders\n", runs, Folder_Count);
    Print_Figure("Open Configuration -> list painted, active one preselected", Median(opened), 250,
                 "listing the folder alone", Median(listed));
    return 0;
}
