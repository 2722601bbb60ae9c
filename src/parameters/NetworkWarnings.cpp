#include "NetworkWarnings.h"

#include "Validation.h"
#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

#include <QFileInfo>

namespace {

using P = ParGen_Params;

// Four fields that passed the rules as one 32-bit number.
quint32 Bytes(const P &params, const std::array<QString P::*, 4> &fields) {
    quint32 value = 0;
    for (QString P::*field : fields)
        value = (value << 8) | quint32(Text_To_Int_Def(params.*field, 0) & 0xff);
    return value;
}

bool Contiguous(quint32 mask) {
    const quint32 hosts = ~mask;
    return (hosts & (hosts + 1)) == 0;
}

struct Endpoint {
    quint32 Address, Mask, Gateway;
    bool Gateway_Enabled;
};

Endpoint Read_Endpoint(const P &params, const ParGen_Endpoint &fields) {
    return {Bytes(params, fields.IP), Bytes(params, fields.SM), Bytes(params, fields.GAT),
            params.*fields.EN_GAT};
}

// Both endpoints still at the addresses and masks they come with, which share a subnet: a new
// configuration is not warned about what nobody chose.
bool Factory_Subnets(const P &params) {
    const P factory = Default_ParGen();
    for (const ParGen_Endpoint &fields : ParGen_Endpoints()) {
        if (Bytes(params, fields.IP) != Bytes(factory, fields.IP) ||
            Bytes(params, fields.SM) != Bytes(factory, fields.SM))
            return false;
    }
    return true;
}

QString Text(int entry) {
    return Lang_Strings.at(entry);
}

} // namespace

Used_Addresses Addresses_Of(const QString &name, const ParGen_Params &params) {
    return {name,
            {IPv4_Text(Bytes(params, ParGen_Endpoints()[0].IP)),
             IPv4_Text(Bytes(params, ParGen_Endpoints()[1].IP))}};
}

QList<Used_Addresses> Addresses_In_Use(const QString &projects_dir, const QString &except) {
    QList<Used_Addresses> used;
    for (const QString &name : Load_Existing_Configuration(projects_dir)) {
        if (Ascii_Upper(name) == Ascii_Upper(except))
            continue;
        const QString file = Join_Path(Join_Path(projects_dir, name), ParGen_File_Name);
        if (!QFileInfo(file).isFile())
            continue;
        try {
            const P params = Load_ParGen(file);
            if (!Failed_Rule(params))
                used.append(Addresses_Of(name, params));
        } catch (const Core_Error &) {
        }
    }
    return used;
}

QString Endpoint_Name(int index) {
    return Text(index == 0 ? 806 : 776);
}

QStringList Network_Warnings(const ParGen_Params &params, const QList<Used_Addresses> &others) {
    QStringList warnings;
    const Endpoint ends[2] = {Read_Endpoint(params, ParGen_Endpoints()[0]),
                              Read_Endpoint(params, ParGen_Endpoints()[1])};
    for (int i = 0; i < 2; ++i) {
        const Endpoint &end = ends[i];
        const QString name = Endpoint_Name(i);
        // 127.0.0.0/8 stays inside a device, 224.0.0.0/4 names groups, never one device.
        if ((end.Address >> 24) == 127 || (end.Address >> 28) == 0xE)
            warnings << Text(742).arg(name, IPv4_Text(end.Address));
        if (end.Mask == 0)
            warnings << Text(743).arg(name);
        if (end.Gateway_Enabled && end.Gateway == end.Address)
            warnings << Text(740).arg(name, IPv4_Text(end.Gateway));
        if (!Contiguous(end.Mask)) {
            warnings << Text(890).arg(name, IPv4_Text(end.Mask));
            continue; // a subnet needs a mask that makes one
        }
        // With fewer than two host bits there is no network or broadcast address to avoid.
        if (~end.Mask > 1) {
            if ((end.Address & ~end.Mask) == 0)
                warnings << Text(891).arg(name, IPv4_Text(end.Address));
            else if ((end.Address & ~end.Mask) == ~end.Mask)
                warnings << Text(892).arg(name, IPv4_Text(end.Address));
        }
        if (end.Gateway_Enabled && (end.Gateway & end.Mask) != (end.Address & end.Mask))
            warnings << Text(893).arg(name, IPv4_Text(end.Gateway));
        else if (end.Gateway_Enabled && ~end.Mask > 1 &&
                 ((end.Gateway & ~end.Mask) == 0 || (end.Gateway & ~end.Mask) == ~end.Mask))
            warnings << Text(741).arg(name, IPv4_Text(end.Gateway));
    }
    const quint32 both = ends[0].Mask & ends[1].Mask;
    if (ends[0].Address == ends[1].Address)
        warnings << Text(894).arg(IPv4_Text(ends[0].Address));
    else if (Contiguous(ends[0].Mask) && Contiguous(ends[1].Mask) &&
             (ends[0].Address & both) == (ends[1].Address & both) && !Factory_Subnets(params))
        warnings << Text(895).arg(IPv4_Text(ends[0].Address & both));
    for (int i = 0; i < 2; ++i) {
        const QString address = IPv4_Text(ends[i].Address);
        for (const Used_Addresses &other : others) {
            if (other.Address[0] == address || other.Address[1] == address)
                warnings << Text(896).arg(Endpoint_Name(i), address, other.Configuration);
        }
    }
    return warnings;
}

QString Network_Warnings_Question(const QStringList &warnings) {
    return Text(897) + QLatin1Char('\n') + warnings.join(QLatin1Char('\n')) +
           QStringLiteral("\n\n") + Text(898);
}
