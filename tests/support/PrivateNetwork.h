#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

// A fresh network namespace as a case wants it. A new namespace starts with loopback down and
// unprivileged ICMP sockets closed, whatever this machine allows.
struct Private_Network {
    QStringList Ip_Commands;
    QList<std::pair<QString, QByteArray>> Settings; // below /proc/sys/net/ipv4
    bool Without_Net_Raw = false;

    // Runs work on a thread of its own inside the namespace, which goes away with the thread:
    // nothing work sends (nor a process it starts) can reach another machine. Returns why it
    // could not, or nothing.
    QString Run(const std::function<void()> &work) const;
};
