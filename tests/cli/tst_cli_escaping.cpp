// Every text from outside the program reaches the tool's stdout and stderr only as escapes:
// each command that shows such a text is run with a hostile one, and the raw bytes it prints
// are checked.

#include "support/CliProgram.h"
#include "support/TestSupport.h"

#include "configurations/ConfigurationLock.h"
#include "update/UpdateLock.h"
#include "update/UpdateRecord.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <algorithm>

namespace {

// Where the raw bytes hold a character that a terminal obeys or that hides or reorders text: a
// control character but line feed and tab (the tables' separators), DEL, C1, the bidi controls,
// line and paragraph separators, zero-width characters and the byte-order mark. Empty when
// there is none, else the bytes from there on.
QByteArray Raw_Control(const QByteArray &bytes) {
    static const QList<QByteArray> sequences = [] {
        QList<QByteArray> list;
        for (char16_t c : {u'\u200B', u'\u200C', u'\u200D', u'\u200E', u'\u200F', u'\u2028',
                           u'\u2029', u'\u202A', u'\u202B', u'\u202C', u'\u202D', u'\u202E',
                           u'\u2066', u'\u2067', u'\u2068', u'\u2069', u'\uFEFF'})
            list << QString(QChar(c)).toUtf8();
        return list;
    }();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        const bool control = (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F ||
                             (byte == 0xC2 && i + 1 < bytes.size() &&
                              static_cast<unsigned char>(bytes.at(i + 1)) >= 0x80 &&
                              static_cast<unsigned char>(bytes.at(i + 1)) <= 0x9F);
        const bool hidden =
            std::any_of(sequences.begin(), sequences.end(),
                        [&](const QByteArray &s) { return bytes.mid(i).startsWith(s); });
        if (control || hidden)
            return bytes.mid(i, 40);
    }
    return {};
}

// Text that would act on a terminal or hide itself: an escape sequence, a bell, DEL, CSI (C1),
// a right-to-left override, a line separator, a zero-width space, a byte-order mark.
const QString Hostile = QStringLiteral("Evil\x1b]0;t\x07\x7f\u009b2J\u202e\u2028\u200b\ufeff");
// The same within what XML 1.0 can hold, as character references.
const QByteArray Hostile_Xml = "Evil&#127;&#155;2J&#8238;&#8232;&#8203;&#65279;";

const QStringList Set_Port{QStringLiteral("set"), QStringLiteral("S2"),
                           QStringLiteral("Modbus_TCP_Slave_Port=1502")};

} // namespace

class Tst_Cli_Escaping : public QObject {
    Q_OBJECT

private slots:
    void outsideTextNeverRaw_data();
    void outsideTextNeverRaw();
};

// Every text from outside reaches stdout and stderr escaped: a hostile folder name, parameter
// value, typed address, record field, lock field, CSV cell or header, name in an exported file
// and language text, each through the commands that show it.
void Tst_Cli_Escaping::outsideTextNeverRaw_data() {
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QStringList>("arguments");
    const auto row = [](const char *name, const char *planted, const QStringList &arguments) {
        QTest::newRow(name) << QString::fromLatin1(planted) << arguments;
    };
    const QString S2 = QStringLiteral("S2");
    row("list: folder name", "folder", {QStringLiteral("list")});
    row("get: value", "value", {QStringLiteral("get"), S2});
    row("get --json: value", "value", {QStringLiteral("get"), S2, QStringLiteral("--json")});
    row("set: warning naming a folder", "folder", Set_Port);
    row("set: unknown key", "", {QStringLiteral("set"), S2, Hostile + QStringLiteral("=1")});
    row("set: language text", "language",
        {QStringLiteral("set"), S2, QStringLiteral("Modbus_TCP_Slave_Port=10000"),
         QStringLiteral("--language"), QStringLiteral("Test")});
    row("set: lock of another computer", "configuration lock", Set_Port);
    row("get: unknown configuration", "", {QStringLiteral("get"), Hostile});
    row("update: lock of another computer", "update lock",
        {QStringLiteral("update"), S2, QStringLiteral("--ip"), QStringLiteral("127.0.0.1"),
         QStringLiteral("--option"), QStringLiteral("2")});
    row("history: record fields", "record", {QStringLiteral("history"), S2});
    row("history --json: record fields", "record",
        {QStringLiteral("history"), S2, QStringLiteral("--json")});
    row("unlock: lock fields", "update lock", {QStringLiteral("unlock"), QStringLiteral("--yes")});
    row("unlock: configuration lock fields", "configuration lock",
        {QStringLiteral("unlock"), QStringLiteral("--yes")});
    row("provision: cell", "csv",
        {QStringLiteral("provision"), QStringLiteral("@devices.csv"), QStringLiteral("--dry-run")});
    row("provision: header", "csv header",
        {QStringLiteral("provision"), QStringLiteral("@devices.csv"), QStringLiteral("--dry-run")});
    row("import: name in the file", "json", {QStringLiteral("import"), QStringLiteral("@in.json")});
    row("copy: new name", "", {QStringLiteral("copy"), S2, Hostile});
    row("texts: language text", "language",
        {QStringLiteral("texts"), QStringLiteral("--language-dir"), QStringLiteral("@LANGUAGE"),
         QStringLiteral("--language"), QStringLiteral("Test")});
}

void Tst_Cli_Escaping::outsideTextNeverRaw() {
    QFETCH(QString, planted);
    QFETCH(QStringList, arguments);
#ifdef Q_OS_WIN
    if (planted == QLatin1String("folder"))
        QSKIP("Windows holds no folder name with control characters");
#endif
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("S2"));
    Update_Lock_Holder elsewhere;
    elsewhere.Pid = 4242;
    elsewhere.Program = Hostile;
    elsewhere.Host = QStringLiteral("far-") + Hostile;
    if (planted == QLatin1String("folder"))
        program.Add_Configuration(Hostile, Saved_Par_Gen({}));
    else if (planted == QLatin1String("value"))
        Write_Test_File(program.Par_Gen_Path(QStringLiteral("S2")),
                        "<Par_Gen><Modbus_TCP_Slave_GAT1>" + Hostile_Xml +
                            "</Modbus_TCP_Slave_GAT1></Par_Gen>");
    else if (planted == QLatin1String("language"))
        Write_Test_File(program.file(QStringLiteral("LANGUAGE/Test.lng")),
                        "\xEF\xBB\xBFSTR853 = " + Hostile.toUtf8() +
                            "\r\nSTR1 = " + Hostile.toUtf8() + "\r\n");
    else if (planted == QLatin1String("configuration lock")) {
        QVERIFY(QDir(program.file(QStringLiteral("PROJECTS"))).mkdir(Configuration_Locks_Folder));
        Write_Test_File(program.Lock_File(QStringLiteral("S2")), Lock_File_Text(elsewhere));
    } else if (planted == QLatin1String("update lock"))
        Write_Test_File(program.file(Update_Lock_File_Name), Lock_File_Text(elsewhere));
    else if (planted == QLatin1String("record"))
        Write_Test_File(program.file(QStringLiteral("PROJECTS/S2/") + Update_Record_File_Name),
                        QJsonDocument(QJsonObject{{QStringLiteral("time"), Hostile},
                                                  {QStringLiteral("address"), Hostile},
                                                  {QStringLiteral("reason"), Hostile},
                                                  {QStringLiteral("outcome"), Hostile}})
                                .toJson(QJsonDocument::Compact) +
                            "\n" + Hostile.toUtf8() + "\n");
    else if (planted == QLatin1String("csv"))
        Write_Test_File(program.file(QStringLiteral("devices.csv")),
                        "name,address\n" + Hostile.toUtf8() + ",10.0.0.1\nB,10.0.0." +
                            Hostile.toUtf8() + "\n");
    else if (planted == QLatin1String("csv header"))
        Write_Test_File(program.file(QStringLiteral("devices.csv")),
                        "name," + Hostile.toUtf8() + "\nA,1\n");
    else if (planted == QLatin1String("json"))
        Write_Test_File(program.file(QStringLiteral("in.json")),
                        QJsonDocument(QJsonObject{{QStringLiteral("name"), Hostile},
                                                  {QStringLiteral("parameters"), QJsonObject{}}})
                            .toJson());
    for (QString &argument : arguments) {
        if (argument.startsWith(QLatin1Char('@')))
            argument = program.file(argument.mid(1));
    }
    // texts works on no program folder.
    const Cli_Result result =
        arguments.first() == QLatin1String("texts") ? Run_Cli(arguments) : program.Run(arguments);
    if (planted == QLatin1String("update lock") && arguments.first() == QLatin1String("update") &&
        !Icmp_Allowed(result))
        QSKIP("this user may not open an ICMP socket");
    // The hostile text did reach the output, escaped.
    QVERIFY2(result.Out.contains(QLatin1String("Evil")) ||
                 result.Err.contains(QLatin1String("Evil")),
             qPrintable(result.Out + result.Err));
    QVERIFY2(Raw_Control(result.Out.toUtf8()).isEmpty(),
             Raw_Control(result.Out.toUtf8()).toHex(' ').constData());
    QVERIFY2(Raw_Control(result.Err.toUtf8()).isEmpty(),
             Raw_Control(result.Err.toUtf8()).toHex(' ').constData());
}

QTEST_GUILESS_MAIN(Tst_Cli_Escaping)
#include "tst_cli_escaping.moc"
