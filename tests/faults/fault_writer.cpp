// Writes one of the program's files through the core, as the program does, for the
// fault-injection tests: fault_writer settings|pargen|job FILE, or fault_writer image
// CONFIGURATION_FOLDER (the image goes to its bin/bank.bin, as Update Device writes it).
// Exit 0 when written; 2 with the reason on stderr when not.

#include "image/Bank.h"
#include "parameters/ParGen.h"
#include "platform/CoreError.h"
#include "shell/AppState.h"
#include "shell/SettingsFile.h"
#include "update/JobFile.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 3;
    const QString &kind = args.at(1);
    const QString &path = args.at(2);
    try {
        if (kind == QLatin1String("settings")) {
            AppState state;
            state.Proj_Name = QStringLiteral("Plant");
            state.Last_IP_Address = QStringLiteral("10.0.0.7");
            state.Enable_Internet = true;
            Save_Settings(state, path);
        } else if (kind == QLatin1String("pargen")) {
            ParGen_Params params = Default_ParGen();
            params.Modbus_TCP_Slave_IP4 = QStringLiteral("77");
            Save_ParGen(params, path);
        } else if (kind == QLatin1String("image")) {
            App.Proj_Dir = path;
            Set_Files();
            Compile_Bank();
            Save_Bank();
        } else if (kind == QLatin1String("job")) {
            Write_Update_Job({QStringLiteral("10.0.0.7"),
                              Update_Firmware_And_Configuration,
                              true,
                              QStringLiteral("/master"),
                              QStringLiteral("/plant"),
                              {}},
                             path);
        } else {
            return 3;
        }
    } catch (const Core_Error &error) {
        std::fprintf(stderr, "fault_writer: %s\n", error.what());
        return 2;
    }
    return 0;
}
