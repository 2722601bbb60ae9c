#include "ModbusCheck.h"

#include "language/LangStrings.h"
#include "parameters/NetworkWarnings.h"
#include "parameters/ParGen.h"
#include "platform/CoreError.h"
#include "shell/Conversions.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonValue>
#include <QLibrary>
#include <QMutex>
#include <QMutexLocker>
#include <QTimer>
#include <algorithm>

namespace {

QMutex Module_Mutex;
QString Module_File;
Make_Endpoint_Probe_Function Module_Entry = nullptr;
Endpoint_Probe_Factory Probe_Factory;

QString Module_File_Name() {
#ifdef Q_OS_WIN
    return QLatin1String(Modbus_Module_Name) + QLatin1String(".dll");
#else
    return QLatin1String(Modbus_Module_Name) + QLatin1String(".so");
#endif
}

Make_Endpoint_Probe_Function Module_Entry_Point() {
    QMutexLocker lock(&Module_Mutex);
    if (Module_Entry)
        return Module_Entry;
    const QString file =
        Module_File.isEmpty()
            ? QDir(QCoreApplication::applicationDirPath()).filePath(Module_File_Name())
            : Module_File;
    const auto refuse = [&file](const QString &reason) {
        return Core_Error(QStringLiteral("cannot load the Modbus module %1: %2")
                              .arg(QDir::toNativeSeparators(file), reason));
    };
    if (!QFileInfo(file).isFile())
        throw refuse(QStringLiteral("the file does not exist"));
    // The module stays loaded for the rest of the run: its probes may live until then.
    QLibrary module(file);
    const auto interface = reinterpret_cast<Endpoint_Probe_Interface_Function>(
        module.resolve(Endpoint_Probe_Interface_Symbol));
    if (!interface && !module.isLoaded())
        throw refuse(module.errorString());
    if (!interface || qstrcmp(interface(), Endpoint_Probe_Interface) != 0) {
        const QString built_for = interface ? QString::fromLatin1(interface()).left(80)
                                            : QStringLiteral("an unknown interface");
        module.unload();
        throw refuse(QStringLiteral("it was built for %1, this program for %2")
                         .arg(Escape_Controls(built_for), QLatin1String(Endpoint_Probe_Interface)));
    }
    Module_Entry =
        reinterpret_cast<Make_Endpoint_Probe_Function>(module.resolve(Make_Endpoint_Probe_Symbol));
    if (!Module_Entry)
        throw refuse(module.errorString());
    return Module_Entry;
}

// The address of a text that Decimal_IPv4 accepts, in host order.
quint32 IPv4_Number(const QString &plain) {
    quint32 number = 0;
    for (const QString &part : plain.split(QLatin1Char('.')))
        number = (number << 8) | quint32(part.toUInt());
    return number;
}

QString State_Name(Endpoint_State state) {
    switch (state) {
    case Endpoint_State::Answers:
        return QStringLiteral("answers");
    case Endpoint_State::Refused:
        return QStringLiteral("refused");
    case Endpoint_State::Silent:
        return QStringLiteral("silent");
    case Endpoint_State::Closed:
        return QStringLiteral("closed");
    case Endpoint_State::Invalid:
        return QStringLiteral("invalid reply");
    case Endpoint_State::No_Route:
        break;
    }
    return QStringLiteral("no route");
}

// The exception codes of the Modbus application protocol that have names, with the index of
// their name among the texts.
constexpr std::pair<int, int> Exception_Names[] = {
    {1, 784}, {2, 785}, {3, 786}, {4, 787}, {5, 788}, {6, 789}, {8, 790}, {10, 791}, {11, 792}};

// Runs a local event loop until finished is emitted by object.
template <typename Object, typename Signal>
void Wait_For(Object *object, Signal finished, QEventLoop::ProcessEventsFlags flags) {
    QEventLoop loop;
    QObject::connect(object, finished, &loop, &QEventLoop::quit);
    loop.exec(flags);
}

} // namespace

std::unique_ptr<Endpoint_Probe> Make_Endpoint_Probe() {
    {
        QMutexLocker lock(&Module_Mutex);
        if (Probe_Factory)
            return Probe_Factory();
    }
    return std::unique_ptr<Endpoint_Probe>(Module_Entry_Point()());
}

void Set_Endpoint_Probe_Factory(Endpoint_Probe_Factory factory) {
    QMutexLocker lock(&Module_Mutex);
    Probe_Factory = std::move(factory);
}

void Set_Modbus_Module_File(const QString &path) {
    QMutexLocker lock(&Module_Mutex);
    Module_File = path;
}

QList<Modbus_Endpoint> Configuration_Endpoints(const ParGen_Params &params, int unit) {
    const auto endpoint = [&params, unit](std::initializer_list<const QString *> parts,
                                          const QString &port) {
        QStringList texts;
        for (const QString *part : parts)
            texts << *part;
        const QString typed = texts.join(QLatin1Char('.'));
        Modbus_Endpoint result;
        result.Address = Decimal_IPv4(typed).value_or(typed);
        result.Port = quint16(qBound(0, Text_To_Int_Def(port, 502), 65535));
        result.Unit = unit;
        result.Register =
            quint16(qBound(0, Text_To_Int_Def(params.OPTIONS_OFFSET_REGISTERS, 0), 65535));
        return result;
    };
    return {endpoint({&params.Modbus_TCP_Slave_IP1, &params.Modbus_TCP_Slave_IP2,
                      &params.Modbus_TCP_Slave_IP3, &params.Modbus_TCP_Slave_IP4},
                     params.Modbus_TCP_Slave_Port),
            endpoint({&params.Modbus_TCP_Slave_2_IP1, &params.Modbus_TCP_Slave_2_IP2,
                      &params.Modbus_TCP_Slave_2_IP3, &params.Modbus_TCP_Slave_2_IP4},
                     params.Modbus_TCP_Slave_2_Port)};
}

QStringList Configuration_Endpoint_Names() {
    return {Endpoint_Name(0), Endpoint_Name(1)};
}

// --- Device_Check -----------------------------------------------------------------------------

struct Device_Check::Watch {
    Modbus_Endpoint Endpoint;
    std::unique_ptr<Endpoint_Probe> Probe;
    QTimer Pause;
    QElapsedTimer Look_Started;
    int Attempts = 0;
    bool Settled = false;
};

Device_Check::Device_Check(QObject *parent) : QObject(parent) {
    Overall.setSingleShot(true);
    Overall.setTimerType(Qt::PreciseTimer);
    Overall.callOnTimeout(this, [this] { Overall_Due(); });
}

Device_Check::~Device_Check() = default;

void Device_Check::Start(const QList<Modbus_Endpoint> &endpoints, const Check_Options &options) {
    std::vector<std::unique_ptr<Watch>> watches;
    for (const Modbus_Endpoint &endpoint : endpoints) {
        auto watch = std::make_unique<Watch>();
        watch->Endpoint = endpoint;
        watch->Probe = Make_Endpoint_Probe();
        watch->Pause.setSingleShot(true);
        watches.push_back(std::move(watch));
    }
    Watches = std::move(watches);
    Options = options;
    Last_Results.clear();
    for (const Modbus_Endpoint &endpoint : endpoints) {
        Endpoint_Result waiting;
        waiting.Endpoint = endpoint;
        waiting.Attempts = 0;
        Last_Results << waiting;
    }
    Pending = int(Watches.size());
    Started.start();
    if (Pending == 0) {
        QTimer::singleShot(0, this, [this] { emit Finished(Last_Results); });
        return;
    }
    // Each look ends within its limit; should one not, the check still ends, shortly after.
    Overall.start(qMax(Options.Timeout_Ms, Options.Retry_For_Ms) + Overall_Margin_Ms);
    for (int index = 0; index < int(Watches.size()); ++index)
        Watches[std::size_t(index)]->Pause.callOnTimeout(this, [this, index] { Look(index); });
    for (int index = 0; index < int(Watches.size()); ++index)
        Look(index);
}

void Device_Check::Overall_Due() {
    for (std::size_t index = 0; index < Watches.size(); ++index) {
        Watch &watch = *Watches[index];
        if (watch.Settled)
            continue;
        // Deleting a probe cancels its look without a call.
        watch.Probe.reset();
        watch.Pause.stop();
        watch.Settled = true;
        Endpoint_Result &kept = Last_Results[int(index)];
        if (watch.Attempts > 0 && kept.Attempts < watch.Attempts)
            kept.State = Endpoint_State::Silent;
        kept.Attempts = watch.Attempts;
        kept.Elapsed_Ms = Started.elapsed();
    }
    Pending = 0;
    emit Finished(Last_Results);
}

void Device_Check::Look(int index) {
    Watch &watch = *Watches[std::size_t(index)];
    watch.Look_Started.start();
    ++watch.Attempts;
    if (const std::optional<int> problem = Device_Address_Problem(watch.Endpoint.Address)) {
        Endpoint_Result refused;
        refused.Endpoint = watch.Endpoint;
        refused.State = Endpoint_State::No_Route;
        refused.Reason = Lang_Strings.at(*problem);
        QTimer::singleShot(0, this, [this, index, refused] { Look_Done(index, refused); });
        return;
    }
    // A later look ends with the time granted for retries.
    const qint64 remaining = Options.Retry_For_Ms - Started.elapsed();
    const int timeout = watch.Attempts == 1
                            ? Options.Timeout_Ms
                            : int(qBound(qint64(1), remaining, qint64(Options.Timeout_Ms)));
    watch.Probe->Start(watch.Endpoint, timeout,
                       [this, index](const Endpoint_Result &result) { Look_Done(index, result); });
}

void Device_Check::Look_Done(int index, const Endpoint_Result &result) {
    Watch &watch = *Watches[std::size_t(index)];
    Endpoint_Result &kept = Last_Results[index];
    kept = result;
    kept.Attempts = watch.Attempts;
    kept.Elapsed_Ms = Started.elapsed();
    emit Look_Finished(index, kept);
    if (!kept.answers() && !Device_Address_Problem(kept.Endpoint.Address)) {
        const qint64 wait = qMax(qint64(0), Options.Pause_Ms - watch.Look_Started.elapsed());
        if (Started.elapsed() + wait < Options.Retry_For_Ms) {
            watch.Pause.start(int(wait));
            return;
        }
    }
    watch.Settled = true;
    if (--Pending == 0) {
        Overall.stop();
        emit Finished(Last_Results);
    }
}

QList<Endpoint_Result>
Check_Endpoints(const QList<Modbus_Endpoint> &endpoints, const Check_Options &options,
                QEventLoop::ProcessEventsFlags flags,
                const std::function<void(int, const Endpoint_Result &)> &look) {
    Device_Check check;
    if (look)
        QObject::connect(&check, &Device_Check::Look_Finished, look);
    check.Start(endpoints, options);
    if (check.Running())
        Wait_For(&check, &Device_Check::Finished, flags);
    return check.Results();
}

Check_Options After_Update_Check(int wait_ms) {
    return {2000, wait_ms, 1000};
}

bool All_Answer(const QList<Endpoint_Result> &results) {
    return std::all_of(results.begin(), results.end(),
                       [](const Endpoint_Result &result) { return result.answers(); });
}

QString Endpoint_Text(const Modbus_Endpoint &endpoint) {
    return endpoint.Address + QLatin1Char(':') + QString::number(endpoint.Port);
}

QString Exception_Text(int code) {
    for (const auto &[known, index] : Exception_Names)
        if (known == code)
            return QStringLiteral("%1 (%2)").arg(code).arg(Lang_Strings.at(index));
    return QString::number(code);
}

std::optional<int> Device_Address_Problem(const QString &address) {
    const std::optional<QString> plain = Decimal_IPv4(address);
    if (!plain)
        return std::nullopt;
    const quint32 number = IPv4_Number(*plain);
    if ((number >> 24) == 0)
        return 794; // 0.0.0.0/8: this computer, or this network
    if (number == 0xFFFFFFFFu)
        return 795;
    if ((number >> 28) >= 0xE)
        return 796; // multicast, and the reserved range above it
    return std::nullopt;
}

std::optional<QString> Device_Address_Refusal(const QString &address) {
    const std::optional<int> problem = Device_Address_Problem(address);
    if (!problem)
        return std::nullopt;
    return Lang_Strings.at(793).arg(Escape_Controls(address), Lang_Strings.at(*problem));
}

QString Endpoint_Summary(const Endpoint_Result &result) {
    const QString where = Endpoint_Text(result.Endpoint);
    // Whatever came from the device or the system is shown, never obeyed.
    const QString reason = Escape_Controls(result.Reason);
    switch (result.State) {
    case Endpoint_State::Answers: {
        QStringList said;
        if (result.Identification) {
            const Device_Identification &identity = *result.Identification;
            for (const auto &[text, index] :
                 {std::pair{identity.Vendor, 752}, std::pair{identity.Product, 753},
                  std::pair{identity.Revision, 754}})
                if (!text.isEmpty())
                    said << Lang_Strings.at(index).arg(Escape_Controls(text));
        }
        if (result.Identification_Exception)
            said << Lang_Strings.at(755).arg(Exception_Text(result.Identification_Exception));
        if (result.Identification_Unanswered)
            said << Lang_Strings.at(783);
        const QString register_number = QString::number(result.Endpoint.Register);
        if (result.Register_Value)
            said << Lang_Strings.at(756).arg(register_number).arg(*result.Register_Value);
        if (result.Register_Exception)
            said << Lang_Strings.at(757).arg(register_number,
                                             Exception_Text(result.Register_Exception));
        const QString answers = Lang_Strings.at(751).arg(where);
        return said.isEmpty() ? answers
                              : Lang_Strings.at(691).arg(answers, said.join(QStringLiteral(", ")));
    }
    case Endpoint_State::Refused:
        return Lang_Strings.at(758).arg(where);
    case Endpoint_State::Closed:
        return Lang_Strings.at(781).arg(where);
    case Endpoint_State::Invalid:
        return Lang_Strings.at(782).arg(where, reason);
    case Endpoint_State::Silent:
        return Lang_Strings.at(result.Connected ? 760 : 759)
            .arg(where, Seconds_Text(result.Elapsed_Ms));
    case Endpoint_State::No_Route:
        break;
    }
    return Lang_Strings.at(761).arg(where, reason.isEmpty() ? Lang_Strings.at(762) : reason);
}

QJsonObject Endpoint_Json(const Endpoint_Result &result) {
    QJsonObject json{{QStringLiteral("address"), result.Endpoint.Address},
                     {QStringLiteral("port"), result.Endpoint.Port},
                     {QStringLiteral("unit"), result.Endpoint.Unit},
                     {QStringLiteral("register"), result.Endpoint.Register},
                     {QStringLiteral("state"), State_Name(result.State)},
                     {QStringLiteral("connected"), result.Connected},
                     {QStringLiteral("elapsed_ms"), result.Elapsed_Ms},
                     {QStringLiteral("attempts"), result.Attempts}};
    if (result.Identification)
        json.insert(QStringLiteral("identification"),
                    QJsonObject{{QStringLiteral("vendor"), result.Identification->Vendor},
                                {QStringLiteral("product"), result.Identification->Product},
                                {QStringLiteral("revision"), result.Identification->Revision}});
    if (result.Identification_Exception)
        json.insert(QStringLiteral("identification_exception"), result.Identification_Exception);
    if (result.Register_Value)
        json.insert(QStringLiteral("register_value"), *result.Register_Value);
    if (result.Register_Exception)
        json.insert(QStringLiteral("register_exception"), result.Register_Exception);
    if (!result.Reason.isEmpty())
        json.insert(QStringLiteral("reason"), result.Reason);
    return json;
}

QStringList Check_Result_Lines(const QList<Endpoint_Result> &results, const QStringList &names) {
    QStringList lines;
    for (int i = 0; i < results.size(); ++i)
        lines << (i < names.size() ? Lang_Strings.at(691).arg(Escape_Controls(names.at(i)),
                                                              Endpoint_Summary(results.at(i)))
                                   : Endpoint_Summary(results.at(i)));
    return lines;
}

QJsonArray Check_Results_Json(const QList<Endpoint_Result> &results, const QStringList &names) {
    QJsonArray array;
    for (int i = 0; i < results.size(); ++i) {
        QJsonObject object = Endpoint_Json(results.at(i));
        if (i < names.size())
            object.insert(QStringLiteral("name"), names.at(i));
        object.insert(QStringLiteral("summary"), Endpoint_Summary(results.at(i)));
        array.append(object);
    }
    return array;
}

// --- Search of a range --------------------------------------------------------------------------

Scan_Range Parse_Scan_Range(const QString &text) {
    Scan_Range range;
    const QString trimmed = text.trimmed();
    const qsizetype slash = trimmed.indexOf(QLatin1Char('/'));
    const std::optional<QString> address = Decimal_IPv4(slash < 0 ? trimmed : trimmed.left(slash));
    const std::optional<int> prefix =
        slash < 0 ? std::optional<int>(32) : Decimal_Int(trimmed.mid(slash + 1));
    if (!address || !prefix || *prefix < 0 || *prefix > 32 ||
        (slash >= 0 && !trimmed.at(slash + 1).isDigit())) {
        range.Error = Lang_Strings.at(763);
        return range;
    }
    const quint64 size = quint64(1) << (32 - *prefix);
    const quint64 hosts = size <= 2 ? size : size - 2;
    if (hosts > quint64(Scan_Host_Limit)) {
        range.Error = Lang_Strings.at(764).arg(hosts).arg(Scan_Host_Limit);
        return range;
    }
    const quint32 mask = *prefix == 0 ? 0 : ~quint32(0) << (32 - *prefix);
    const quint32 network = IPv4_Number(*address) & mask;
    // A range of at most Scan_Host_Limit hosts lies wholly inside or outside the blocks that
    // hold no device: its first address tells.
    if (const std::optional<QString> refusal = Device_Address_Refusal(IPv4_Text(network))) {
        range.Error = *refusal;
        return range;
    }
    range.First = size <= 2 ? network : network + 1;
    range.Count = int(hosts);
    return range;
}

QString Range_Around(const QString &address) {
    const std::optional<QString> plain = Decimal_IPv4(address);
    if (!plain)
        return {};
    return IPv4_Text(IPv4_Number(*plain) & 0xFFFFFF00u) + QStringLiteral("/24");
}

Range_Scan::Range_Scan(QObject *parent) : QObject(parent) {}

Range_Scan::~Range_Scan() = default;

void Range_Scan::Start(const Scan_Range &range, quint16 port, int timeout_ms, int unit) {
    std::vector<std::unique_ptr<Endpoint_Probe>> probes;
    for (int n = 0; n < std::min(range.Count, Scan_Connections); ++n)
        probes.push_back(Make_Endpoint_Probe());
    Probes = std::move(probes);
    Range = range;
    Port = port;
    Timeout_Ms = timeout_ms;
    Unit = unit;
    Found.clear();
    Next_Host = 0;
    Looked_At = 0;
    Running_Probes = int(Probes.size());
    if (Probes.empty()) {
        QTimer::singleShot(0, this, [this] { emit Finished(Found); });
        return;
    }
    for (const auto &probe : Probes)
        Next(probe.get());
}

void Range_Scan::Next(Endpoint_Probe *probe) {
    if (Next_Host >= Range.Count) {
        if (--Running_Probes == 0)
            Conclude();
        return;
    }
    Modbus_Endpoint endpoint;
    endpoint.Address = IPv4_Text(Range.First + quint32(Next_Host++));
    endpoint.Port = Port;
    endpoint.Unit = Unit;
    probe->Start(endpoint, Timeout_Ms, [this, probe](const Endpoint_Result &result) {
        if (result.answers() || result.Connected)
            Found << result;
        emit Progress(++Looked_At, Range.Count);
        if (Running_Probes > 0) // not stopped meanwhile, which deletes the probes
            Next(probe);
    });
}

void Range_Scan::Stop() {
    if (Running_Probes == 0)
        return;
    // Deleting a probe cancels its look without a call.
    Probes.clear();
    Running_Probes = 0;
    Conclude();
}

void Range_Scan::Conclude() {
    std::sort(Found.begin(), Found.end(), [](const Endpoint_Result &a, const Endpoint_Result &b) {
        return IPv4_Number(a.Endpoint.Address) < IPv4_Number(b.Endpoint.Address);
    });
    emit Finished(Found);
}

QList<Endpoint_Result> Scan_Range_Now(const Scan_Range &range, quint16 port, int timeout_ms,
                                      int unit, QEventLoop::ProcessEventsFlags flags) {
    Range_Scan scan;
    QList<Endpoint_Result> found;
    QObject::connect(&scan, &Range_Scan::Finished,
                     [&found](const QList<Endpoint_Result> &hosts) { found = hosts; });
    scan.Start(range, port, timeout_ms, unit);
    if (scan.Running())
        Wait_For(&scan, &Range_Scan::Finished, flags);
    return found;
}
