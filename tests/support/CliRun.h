#pragma once

// Runs cf20914-cli as a separate process, as a script would. The including test names the
// program in CLI_PROGRAM.

#include <QProcess>
#include <QString>
#include <QStringList>

struct Cli_Result {
    int Exit = -1; // -1 when the tool did not start or did not end normally
    QString Out;
    QString Err;
};

// libcurl follows the proxy variables; without them, and with every host exempt, a request to a
// loopback address stays on this machine.
inline QProcessEnvironment Cli_Environment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("no_proxy"), QStringLiteral("*"));
    env.insert(QStringLiteral("NO_PROXY"), QStringLiteral("*"));
    return env;
}

inline void Start_Cli(QProcess &process, const QStringList &arguments) {
    process.setProcessEnvironment(Cli_Environment());
    process.start(QStringLiteral(CLI_PROGRAM), arguments);
}

// What the tool started in process said and how it ended, once it has.
inline Cli_Result Finish_Cli(QProcess &process) {
    Cli_Result result;
    if (!process.waitForStarted() || !process.waitForFinished(-1) ||
        process.exitStatus() != QProcess::NormalExit)
        return result;
    result.Exit = process.exitCode();
    result.Out = QString::fromUtf8(process.readAllStandardOutput());
    result.Err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

inline Cli_Result Run_Cli(const QStringList &arguments) {
    QProcess process;
    Start_Cli(process, arguments);
    return Finish_Cli(process);
}
