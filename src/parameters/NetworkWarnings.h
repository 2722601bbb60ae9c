#pragma once

#include "ParGen.h"

#include <QString>
#include <QStringList>

// The endpoint addresses another configuration of the program folder uses.
struct Used_Addresses {
    QString Configuration;
    QString Address[2]; // dotted, of endpoint 1 and 2
};

// The endpoint addresses of params, which pass the rules, as configuration name uses them.
Used_Addresses Addresses_Of(const QString &name, const ParGen_Params &params);

// The endpoint addresses of every configuration below projects_dir that has a readable
// parameter file, except the configuration named except (letters a-z in either case). A
// configuration whose communication was never saved uses no address yet; one whose file cannot
// be read is passed over, as the rules never judged it.
QList<Used_Addresses> Addresses_In_Use(const QString &projects_dir, const QString &except);

// An endpoint's name in the language of the texts, as the panels and messages call it:
// "Modbus TCP Slave" (index 0), "Modbus TCP Slave 2" (index 1).
QString Endpoint_Name(int index);

// Values that pass every rule yet cannot work on a network, each a text of the table filled in:
// a loopback or multicast address, a mask of 0.0.0.0 or one that is not a run of ones then
// zeros, an address that is its subnet's network or broadcast address, a gateway (while enabled)
// that is its endpoint's own address, outside its subnet or its network or broadcast address,
// both endpoints on one address or one subnet (but for the subnet both share as delivered), an
// endpoint address that another configuration uses. Checks only
// params that pass the rules; empty when there is nothing to say.
QStringList Network_Warnings(const ParGen_Params &params, const QList<Used_Addresses> &others);

// The question Set Communication asks before it saves values with warnings.
QString Network_Warnings_Question(const QStringList &warnings);
