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
    QStringList Ip_Commands; // arguments of ip, run in the namespace in order
    QList<std::pair<QString, QByteArray>> Settings; // below /proc/sys/net/ipv4
    bool Without_Net_Raw = false;

    // Runs work on a thread of its own inside the namespace, which goes away with the thread:
    // nothing work sends, nor any process it starts, can reach another machine. Returns why it
    // could not, or nothing.
    QString Run(const std::function<void()> &work) const;
};

// A namespace whose loopback holds address alone: no route leads to any other address of
// 127.0.0.0/8, so an echo answers only when sent to address itself.
Private_Network Loopback_Holding_Only(const QString &address);

// A namespace in which range (an IPv4 network in CIDR form) is routed into loopback. Silent:
// loopback drops what is sent to an address of the range that it does not hold, so only hosts
// (addresses it holds) answer or refuse. Otherwise every address of the range is local and
// refuses where nothing listens.
Private_Network Range_On_Loopback(const QString &range, bool silent, const QStringList &hosts = {});
