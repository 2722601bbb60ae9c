#include "Cli.h"

#include "platform/IcmpEcho.h"
#include "shell/Conversions.h"
#include "update/Probe.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

QTextStream &Out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &Err() {
    static QTextStream stream(stderr);
    return stream;
}

QString Json_String(const QString &text) {
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return Escape_Json_Controls(QString::fromUtf8(json.mid(1, json.size() - 2)));
}

int Whole_Number(const QString &text, const QString &what, int lowest, int highest) {
    const auto value = Decimal_Int(text);
    if (!value || !text.front().isDigit() || *value < lowest || *value > highest)
        throw Usage_Error{QStringLiteral("%1 takes a whole number from %2 to %3")
                              .arg(what)
                              .arg(lowest)
                              .arg(highest)};
    return *value;
}

int Number_Option(const QCommandLineParser &parser, const QString &name, int fallback, int lowest,
                  int highest) {
    if (!parser.isSet(name))
        return fallback;
    return Whole_Number(parser.value(name), QStringLiteral("--") + name, lowest, highest);
}

bool Positional_Fits(const Command &command, int count) {
    const int named = int(command.Positional.size());
    const QString last = named > 0 ? command.Positional.last() : QString();
    // A last name in brackets may be left out.
    const bool optional = last.startsWith(QLatin1Char('['));
    if (!last.endsWith(QLatin1String("...")) && !last.endsWith(QLatin1String("...]")))
        return count == named || (optional && count == named - 1);
    return count >= (optional ? named - 1 : named);
}

Probe_Answer Probe_Device(const QString &host) {
    const std::unique_ptr<Icmp_Echo> echo = Make_Icmp_Echo();
    QElapsedTimer clock;
    clock.start();
    Ping_Probe probe(
        *echo, [] { QThread::msleep(Ping_Probe::Step_Ms); },
        [&clock] { return quint32(clock.elapsed()); });
    Probe_Answer answer;
    answer.Reachable = probe.Send_Ping(host);
    answer.Silent = !answer.Reachable && probe.ping_res == 2;
    answer.Permission_Missing = probe.Permission_Missing;
    answer.Error = probe.Error;
    return answer;
}
