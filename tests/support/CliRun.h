#pragma once

// Runs cf20914-cli as a separate process, as a script would. The including test names the
// program in CLI_PROGRAM.

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <optional>

struct Cli_Result {
    int Exit = -1; // -1 when the tool did not start or did not end normally; Err says which
    QString Out;
    QString Err;
};

// How long a run of the tool may take to start and to end. Under Wine on a machine whose cores
// are all busy a start alone has taken most of Qt's default 30 s; a run that goes past these
// limits is taken for a hanging tool.
inline constexpr int Cli_Start_Limit_Ms = 180000;
inline constexpr int Cli_Finish_Limit_Ms = 300000;

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

// Ends a run given up on; the result and the test's log say why and after how long.
inline Cli_Result Given_Up(QProcess &process, const QString &why) {
    const QString reason = QStringLiteral("gave up on cf20914-cli: ") + why + QStringLiteral(" (") +
                           process.errorString() + QLatin1Char(')');
    qWarning("%s", qPrintable(reason));
    process.kill();
    process.waitForFinished(10000);
    return Cli_Result{-1, QString(), reason};
}

// What the tool started in process said and how it ended, once it has.
inline Cli_Result Finish_Cli(QProcess &process) {
    if (!process.waitForStarted(Cli_Start_Limit_Ms))
        return Given_Up(
            process, QStringLiteral("it did not start within %1 s").arg(Cli_Start_Limit_Ms / 1000));
    if (!process.waitForFinished(Cli_Finish_Limit_Ms))
        return Given_Up(
            process, QStringLiteral("it did not end within %1 s").arg(Cli_Finish_Limit_Ms / 1000));
    if (process.exitStatus() != QProcess::NormalExit)
        return Given_Up(
            process,
            QStringLiteral("it crashed with code 0x%1").arg(uint(process.exitCode()), 0, 16));
    Cli_Result result;
    result.Exit = process.exitCode();
    result.Out = QString::fromUtf8(process.readAllStandardOutput());
    result.Err = QString::fromUtf8(process.readAllStandardError());
#ifdef Q_OS_WIN
    // On Windows the tool's text lines end in CR LF, as those of every console program there;
    // the checks read lines.
    for (QString *text : {&result.Out, &result.Err})
        text->replace(QLatin1String("\r\n"), QLatin1String("\n"));
#endif
    return result;
}

inline Cli_Result Run_Cli(const QStringList &arguments) {
    QProcess process;
    Start_Cli(process, arguments);
    return Finish_Cli(process);
}

// True when the probe of a loopback address may run here; the tool says so otherwise.
inline bool Icmp_Allowed(const Cli_Result &result) {
    return !(result.Exit == 2 && result.Err.contains(QLatin1String("permission")));
}

// Starts an update with the tool in process and waits until its updater runs, which
// updater_started tells: the tool then holds its program folder. Nothing when it does; what the
// tool said when it ended before.
inline std::optional<Cli_Result>
Start_Holding_Update(QProcess &process, const QStringList &arguments,
                     const std::function<bool()> &updater_started) {
    Start_Cli(process, arguments);
    const QDeadlineTimer bound(Cli_Start_Limit_Ms);
    while (!updater_started() && !bound.hasExpired()) {
        if (process.waitForFinished(20))
            return Finish_Cli(process);
    }
    if (!updater_started())
        return Cli_Result{-1, QString(),
                          QStringLiteral("gave up on the update: its updater did not start within "
                                         "%1 s")
                              .arg(Cli_Start_Limit_Ms / 1000)};
    return std::nullopt;
}
