#include "PrivateNetwork.h"

#ifdef Q_OS_LINUX
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <linux/capability.h>
#include <memory>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

QString Ip_Program() {
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ip"));
    return found.isEmpty()
               ? QStandardPaths::findExecutable(
                     QStringLiteral("ip"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
               : found;
}

// Runs ip with arguments; called inside a private network namespace, its changes stay there.
QString Run_Ip(const QString &arguments) {
    const QString ip = Ip_Program();
    if (ip.isEmpty())
        return QStringLiteral("ip is not installed");
    QProcess process;
    process.start(ip, arguments.split(QLatin1Char(' ')));
    if (!process.waitForFinished() || process.exitCode() != 0)
        return QStringLiteral("ip %1: %2")
            .arg(arguments, QString::fromLocal8Bit(process.readAllStandardError()));
    return {};
}

// Sets a setting of the calling thread's network namespace.
QString Write_Sysctl(const QString &name, const QByteArray &value) {
    QFile file(QStringLiteral("/proc/sys/net/ipv4/") + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(value) != value.size() || !file.flush())
        return QStringLiteral("cannot set %1: %2").arg(name, file.errorString());
    return {};
}

// Takes CAP_NET_RAW from the calling thread only.
QString Drop_Net_Raw_Of_Thread() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return QStringLiteral("cannot read capabilities: ") + qt_error_string();
    data[CAP_TO_INDEX(CAP_NET_RAW)].effective &= ~CAP_TO_MASK(CAP_NET_RAW);
    if (syscall(SYS_capset, &header, data) != 0)
        return QStringLiteral("cannot drop CAP_NET_RAW: ") + qt_error_string();
    return {};
}

} // namespace
#endif

Private_Network Loopback_Holding_Only(const QString &address) {
    Private_Network network;
    // Loopback takes 127.0.0.1/8 as it comes up.
    network.Ip_Commands = {QStringLiteral("link set lo up"),
                           QStringLiteral("addr del 127.0.0.1/8 dev lo"),
                           QStringLiteral("addr add %1/32 dev lo").arg(address)};
    return network;
}

Private_Network Range_On_Loopback(const QString &range, bool silent, const QStringList &hosts) {
    Private_Network network;
    network.Ip_Commands = {QStringLiteral("link set lo up"),
                           QStringLiteral("route add %1 %2 dev lo")
                               .arg(silent ? QString() : QStringLiteral("local"), range)
                               .simplified()};
    for (const QString &host : hosts)
        network.Ip_Commands << QStringLiteral("addr add %1/32 dev lo").arg(host);
    return network;
}

QString Private_Network::Run(const std::function<void()> &work) const {
#ifndef Q_OS_LINUX
    Q_UNUSED(work);
    return QStringLiteral("private network namespaces are a feature of Linux");
#else
    if (geteuid() != 0)
        return QStringLiteral("a private network namespace needs root");
    QString failure;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        if (unshare(CLONE_NEWNET) != 0) {
            failure = QStringLiteral("cannot make a network namespace: ") + qt_error_string();
            return;
        }
        for (const QString &arguments : Ip_Commands)
            if (failure.isEmpty())
                failure = Run_Ip(arguments);
        for (const auto &[name, value] : Settings)
            if (failure.isEmpty())
                failure = Write_Sysctl(name, value);
        if (failure.isEmpty() && Without_Net_Raw)
            failure = Drop_Net_Raw_Of_Thread();
        if (failure.isEmpty())
            work();
    }));
    thread->start();
    thread->wait();
    return failure;
#endif
}
