// The commands that work on a program folder (list, new, get, set, update, history, unlock), run
// as a script runs them: exit codes, stdout, stderr and what they leave in the folder.

#include "support/CliProgram.h"
#include "support/PrivateNetwork.h"
#include "support/TestSupport.h"

#include "configurations/ConfigurationLock.h"
#include "parameters/ParGen.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "update/JobFile.h"
#include "update/UpdateLock.h"
#include "update/UpdateRecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTest>
#include <unistd.h>

namespace {

// A parameter file holding just the given keys.
QByteArray Par_Gen_Xml(const QList<std::pair<const char *, const char *>> &keys) {
    QByteArray xml = "<Par_Gen>";
    for (const auto &[key, value] : keys)
        xml += QByteArray("<") + key + '>' + value + "</" + key + '>';
    return xml + "</Par_Gen>";
}

// An update's result with only the tool's own lines on stderr: without the summary of what it
// sends, which it prints first.
Cli_Result Without_Summary(Cli_Result result) {
    QStringList lines = result.Err.split(QLatin1Char('\n'));
    lines.removeIf([](const QString &line) {
        return !line.isEmpty() && !line.startsWith(QLatin1String("cf20914-cli: "));
    });
    result.Err = lines.join(QLatin1Char('\n'));
    return result;
}

const char *Default_Lines = "Modbus_TCP_Slave_IP1=192\n"
                            "Modbus_TCP_Slave_IP2=168\n"
                            "Modbus_TCP_Slave_IP3=0\n"
                            "Modbus_TCP_Slave_IP4=5\n"
                            "Modbus_TCP_Slave_SM1=255\n"
                            "Modbus_TCP_Slave_SM2=255\n"
                            "Modbus_TCP_Slave_SM3=255\n"
                            "Modbus_TCP_Slave_SM4=0\n"
                            "Modbus_TCP_Slave_GAT1=192\n"
                            "Modbus_TCP_Slave_GAT2=168\n"
                            "Modbus_TCP_Slave_GAT3=0\n"
                            "Modbus_TCP_Slave_GAT4=1\n"
                            "Modbus_TCP_Slave_EN_GAT=0\n"
                            "Modbus_TCP_Slave_Port=502\n"
                            "Modbus_TCP_Slave_2_IP1=192\n"
                            "Modbus_TCP_Slave_2_IP2=168\n"
                            "Modbus_TCP_Slave_2_IP3=0\n"
                            "Modbus_TCP_Slave_2_IP4=6\n"
                            "Modbus_TCP_Slave_2_SM1=255\n"
                            "Modbus_TCP_Slave_2_SM2=255\n"
                            "Modbus_TCP_Slave_2_SM3=255\n"
                            "Modbus_TCP_Slave_2_SM4=0\n"
                            "Modbus_TCP_Slave_2_GAT1=192\n"
                            "Modbus_TCP_Slave_2_GAT2=168\n"
                            "Modbus_TCP_Slave_2_GAT3=0\n"
                            "Modbus_TCP_Slave_2_GAT4=1\n"
                            "Modbus_TCP_Slave_2_EN_GAT=0\n"
                            "Modbus_TCP_Slave_2_Port=502\n"
                            "OPTIONS_OFFSET_REGISTERS=0\n"
                            "OPTIONS_OFFSET_STATUS=0\n";

} // namespace

class Tst_Cli_Program_Folder : public QObject {
    Q_OBJECT

private slots:
    void helpForEachCommand_data();
    void helpForEachCommand();
    void missingProgramFolder();

    void listMarksActiveConfiguration_data();
    void listMarksActiveConfiguration();
    void listMarksExactName_data();
    void listMarksExactName();

    void newCreatesOrRefuses_data();
    void newCreatesOrRefuses();

    void getPrintsParameters_data();
    void getPrintsParameters();
    void getErrors_data();
    void getErrors();

    void setSavesOnlyWhenRulesPass_data();
    void setSavesOnlyWhenRulesPass();
    void setRunsAtOnceKeepEveryChange();
    void setRefusedWhileConfigurationHeld();

    void brokenProjectsFolder_data();
    void brokenProjectsFolder();
    void outsideTextIsEscaped_data();
    void outsideTextIsEscaped();

    void updateRunsUpdater_data();
    void updateRunsUpdater();
    void updateErrors_data();
    void updateErrors();
    void updateRefusedBeforeProbe_data();
    void updateRefusedBeforeProbe();
    void updateDryRun();
    void updateExitCodes_data();
    void updateExitCodes();
    void updateSilentDevice();
    void updateLockHeldByAnotherRun_data();
    void updateLockHeldByAnotherRun();
    void updateTakesOverLocks_data();
    void updateTakesOverLocks();
    void lockOfAnotherComputer();
    void historyOfUpdates();
    void capturedOutputDoesNotWaitForTheUpdater();
};

void Tst_Cli_Program_Folder::helpForEachCommand_data() {
    QTest::addColumn<QString>("command");
    for (const char *command : {"list", "new", "get", "set", "update", "history", "unlock",
                                "provision", "copy", "rename", "delete", "export", "import"})
        QTest::newRow(command) << QString::fromLatin1(command);
}

void Tst_Cli_Program_Folder::helpForEachCommand() {
    QFETCH(QString, command);
    // Help wins over the arguments that are missing, and touches no program folder.
    const Cli_Result result = Run_Cli({command, QStringLiteral("--help")});
    QCOMPARE(result.Exit, 0);
    QVERIFY2(result.Out.startsWith(QStringLiteral("Usage: cf20914-cli ") + command),
             qPrintable(result.Out));
    QVERIFY2(result.Out.contains(QLatin1String("--program-dir DIR")), qPrintable(result.Out));
    QCOMPARE(result.Err, QString());
}

void Tst_Cli_Program_Folder::missingProgramFolder() {
    const Program_Folder folder;
    const QString missing = folder.file(QStringLiteral("none"));
    const Cli_Result result =
        Run_Cli({QStringLiteral("list"), QStringLiteral("--program-dir"), missing});
    QCOMPARE(result.Exit, 2);
    Verify_Error_Line(result, missing);
    QVERIFY(!QFileInfo::exists(missing));
}

void Tst_Cli_Program_Folder::listMarksActiveConfiguration_data() {
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("output");

    const QStringList three{QStringLiteral("Beta"), QStringLiteral("alpha"),
                            QStringLiteral("Gamma")};
    QTest::newRow("nothing remembered") << three << QByteArray() << "  alpha\n  Beta\n  Gamma\n";
    QTest::newRow("remembered one")
        << three << QByteArray("<lastproj><projectname>Beta</projectname></lastproj>")
        << "  alpha\n* Beta\n  Gamma\n";
    // As at the program's start, a remembered name is active only where its folder is found:
    // Linux's file systems tell the case of letters apart, those of Windows do not.
    QTest::newRow("remembered in other case")
        << three << QByteArray("<lastproj><projectname>GAMMA</projectname></lastproj>")
#ifdef Q_OS_WIN
        << "  alpha\n  Beta\n* Gamma\n";
#else
        << "  alpha\n  Beta\n  Gamma\n";
#endif
    QTest::newRow("remembered folder gone")
        << three << QByteArray("<lastproj><projectname>Delta</projectname></lastproj>")
        << "  alpha\n  Beta\n  Gamma\n";
    QTest::newRow("no configurations") << QStringList() << QByteArray() << "";
}

void Tst_Cli_Program_Folder::listMarksExactName_data() {
    QTest::addColumn<QString>("remembered");
    QTest::newRow("lower case") << "Line1";
    QTest::newRow("upper case") << "LINE1";
}

void Tst_Cli_Program_Folder::listMarksExactName() {
#ifdef Q_OS_WIN
    QSKIP("Windows file names ignore case: two names that differ only in it cannot both exist");
#endif
    QFETCH(QString, remembered);
    // Where the file system keeps both, the one of the exact name is marked. Names equal but for
    // case may come in either order.
    const Cli_Program program;
    const QStringList both{QStringLiteral("LINE1"), QStringLiteral("Line1")};
    for (const QString &folder : both)
        program.Add_Configuration(folder);
    program.Remember("<lastproj><projectname>" + remembered.toUtf8() + "</projectname></lastproj>");
    const Cli_Result result = program.Run({QStringLiteral("list")});
    QCOMPARE(result.Exit, 0);
    QStringList lines = result.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    const QString other = both.at(1 - both.indexOf(remembered));
    QCOMPARE(lines, (QStringList{QStringLiteral("  ") + other, QStringLiteral("* ") + remembered}));
}

void Tst_Cli_Program_Folder::listMarksActiveConfiguration() {
    QFETCH(QStringList, folders);
    QFETCH(QByteArray, settings);

    const Cli_Program program;
    for (const QString &folder : folders)
        program.Add_Configuration(folder);
    // Neither a file nor a hidden folder is a configuration.
    Write_Test_File(program.file(QStringLiteral("PROJECTS/notes.txt")), "x");
    QDir(program.file(QStringLiteral("PROJECTS"))).mkdir(QStringLiteral(".hidden"));
    if (!settings.isEmpty())
        program.Remember(settings);
    const QByteArray settings_before = Read_Test_File(program.file(Settings_File_Name));

    const Cli_Result result = program.Run({QStringLiteral("list")});
    QCOMPARE(result.Exit, 0);
    QTEST(result.Out, "output");
    QCOMPARE(result.Err, QString());
    QCOMPARE(Read_Test_File(program.file(Settings_File_Name)), settings_before);
}

void Tst_Cli_Program_Folder::newCreatesOrRefuses_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QByteArray test_language("<lastlang><language>Test</language></lastlang>");
    const QString exists =
        QStringLiteral("Error! Name project is not valid because directory already exists");
    QTest::newRow("new name") << "Plant2" << QByteArray() << QStringList() << 0 << QString();
    QTest::newRow("existing folder") << "Plant" << QByteArray() << QStringList() << 1 << exists;
    QTest::newRow("existing folder, language of the settings")
        << "Plant" << test_language << QStringList() << 1 << "Esiste gia";
    QTest::newRow("existing folder, language given")
        << "Plant" << QByteArray()
        << QStringList{QStringLiteral("--language"), QStringLiteral("Test")} << 1 << "Esiste gia";
    QTest::newRow("existing folder, language given over the settings")
        << "Plant" << test_language
        << QStringList{QStringLiteral("--language"), QStringLiteral("English")} << 1 << exists;
    QTest::newRow("empty name") << "" << QByteArray() << QStringList() << 1
                                << "Error! Name Project is not valid";
    QTest::newRow("path separator")
        << "Plant/bin" << QByteArray() << QStringList() << 1 << "Error! Name project is not valid";
    QTest::newRow("parent folder")
        << ".." << QByteArray() << QStringList() << 1 << "Error! Name project is not valid";
    // list prints one name a line, and a terminal would obey an escape sequence.
    QTest::newRow("line feed") << "Plant\nB" << QByteArray() << QStringList() << 1
                               << "Error! Name project is not valid";
    QTest::newRow("escape sequence") << "Plant\x1b]0;title\x07" << QByteArray() << QStringList()
                                     << 1 << "Error! Name project is not valid";
    QTest::newRow("delete") << "Plant\x7f" << QByteArray() << QStringList() << 1
                            << "Error! Name project is not valid";
    QTest::newRow("C1 control") << QStringLiteral("Plant\u009B2J") << QByteArray() << QStringList()
                                << 1 << "Error! Name project is not valid";
}

void Tst_Cli_Program_Folder::newCreatesOrRefuses() {
    QFETCH(QString, name);
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Plant"));
    if (!settings.isEmpty())
        program.Remember(settings);
    const QByteArray settings_before = Read_Test_File(program.file(Settings_File_Name));
    const QStringList before = QDir(program.file(QStringLiteral("PROJECTS")))
                                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

    const Cli_Result result = program.Run(QStringList{QStringLiteral("new"), name} + options);
    QCOMPARE(result.Exit, exitCode);
    QCOMPARE(result.Out, QString());
    // The settings are the windows' memory: the new configuration does not become theirs.
    QCOMPARE(Read_Test_File(program.file(Settings_File_Name)), settings_before);
    if (exitCode == 0) {
        QCOMPARE(result.Err, QString());
        QVERIFY(QFileInfo(program.file(QStringLiteral("PROJECTS/%1/bin").arg(name))).isDir());
        return;
    }
    Verify_Error_Line(result, message);
    QCOMPARE(QDir(program.file(QStringLiteral("PROJECTS")))
                 .entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             before);
    QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("bin"))));
}

void Tst_Cli_Program_Folder::getPrintsParameters_data() {
    QTest::addColumn<QByteArray>("parGen"); // null: no file
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");

    QTest::newRow("no file: the defaults") << QByteArray() << QStringList() << Default_Lines;
    QTest::newRow("keys the file lacks show their defaults")
        << Par_Gen_Xml({{"Modbus_TCP_Slave_IP4", "77"}, {"Modbus_TCP_Slave_EN_GAT", "1"}})
        << QStringList{QStringLiteral("Modbus_TCP_Slave_2_Port"),
                       QStringLiteral("Modbus_TCP_Slave_EN_GAT"),
                       QStringLiteral("Modbus_TCP_Slave_IP4")}
        << "Modbus_TCP_Slave_2_Port=502\nModbus_TCP_Slave_EN_GAT=1\nModbus_TCP_Slave_IP4=77\n";
    QTest::newRow("texts as typed")
        << Par_Gen_Xml({{"OPTIONS_OFFSET_REGISTERS", "$FF"}, {"Modbus_TCP_Slave_IP1", "007"}})
        << QStringList{QStringLiteral("OPTIONS_OFFSET_REGISTERS"),
                       QStringLiteral("Modbus_TCP_Slave_IP1")}
        << "OPTIONS_OFFSET_REGISTERS=$FF\nModbus_TCP_Slave_IP1=007\n";
    QTest::newRow("json") << Par_Gen_Xml({{"OPTIONS_OFFSET_STATUS", "a\"b\\c"}})
                          << QStringList{QStringLiteral("--json"),
                                         QStringLiteral("OPTIONS_OFFSET_STATUS"),
                                         QStringLiteral("Modbus_TCP_Slave_2_EN_GAT")}
                          << "{\"OPTIONS_OFFSET_STATUS\":\"a\\\"b\\\\c\","
                             "\"Modbus_TCP_Slave_2_EN_GAT\":\"0\"}\n";
}

void Tst_Cli_Program_Folder::getPrintsParameters() {
    QFETCH(QByteArray, parGen);
    QFETCH(QStringList, arguments);

    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Plant"), parGen);
    const Cli_Result result =
        program.Run(QStringList{QStringLiteral("get"), QStringLiteral("Plant")} + arguments);
    QCOMPARE(result.Exit, 0);
    QTEST(result.Out, "output");
    QCOMPARE(result.Err, QString());
}

void Tst_Cli_Program_Folder::getErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString plant = QStringLiteral("Plant");
    QTest::newRow("no name") << QStringList() << "usage";
    QTest::newRow("unknown configuration")
        << QStringList{QStringLiteral("Other")} << "Error! Project not Valid: Other";
    QTest::newRow("name leading outside PROJECTS")
        << QStringList{QStringLiteral("../PROJECTS/Plant")} << "Error! Project not Valid";
    QTest::newRow("unknown key") << QStringList{plant, QStringLiteral("Modbus_TCP_Slave_IP5")}
                                 << "unknown key 'Modbus_TCP_Slave_IP5'";
    QTest::newRow("key in other case")
        << QStringList{plant, QStringLiteral("modbus_tcp_slave_ip1")} << "unknown key";
    QTest::newRow("file not well-formed") << QStringList{QStringLiteral("Broken")} << "line 1";
    QTest::newRow("name with an escape sequence echoed escaped")
        << QStringList{QStringLiteral("Other\x1b[2J")} << "Error! Project not Valid: Other\\x1B[2J";
}

void Tst_Cli_Program_Folder::getErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Plant"));
    program.Add_Configuration(QStringLiteral("Broken"), "<Par_Gen><Modbus_TCP_Slave_IP1>");
    const Cli_Result result = program.Run(QStringList{QStringLiteral("get")} + arguments);
    QCOMPARE(result.Exit, 2);
    QCOMPARE(result.Out, QString());
    Verify_Error_Line(result, message);
}

void Tst_Cli_Program_Folder::setSavesOnlyWhenRulesPass_data() {
    QTest::addColumn<QByteArray>("parGen"); // null: no file
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("written"); // null: the file must stay as it was

    using Changes = QList<std::pair<QString, QString>>;
    const QByteArray old_file = Par_Gen_Xml({{"Modbus_TCP_Slave_IP4", "77"}});
    const QString port_message = QStringLiteral(
        "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000");
    const QString pair_port_10000 = QStringLiteral("Modbus_TCP_Slave_Port=10000");

    QTest::newRow("new file from the defaults")
        << QByteArray()
        << QStringList{QStringLiteral("Modbus_TCP_Slave_IP4=10"),
                       QStringLiteral("Modbus_TCP_Slave_2_EN_GAT=1"),
                       QStringLiteral("OPTIONS_OFFSET_STATUS=0x10")}
        << 0 << QString()
        << Saved_Par_Gen(
               Changes{{QStringLiteral("Modbus_TCP_Slave_IP4"), QStringLiteral("10")},
                       {QStringLiteral("Modbus_TCP_Slave_2_EN_GAT"), QStringLiteral("1")},
                       {QStringLiteral("OPTIONS_OFFSET_STATUS"), QStringLiteral("0x10")}});
    QTest::newRow("keeps what the file holds")
        << old_file << QStringList{QStringLiteral("Modbus_TCP_Slave_Port=1502")} << 0 << QString()
        << Saved_Par_Gen(
               Changes{{QStringLiteral("Modbus_TCP_Slave_IP4"), QStringLiteral("77")},
                       {QStringLiteral("Modbus_TCP_Slave_Port"), QStringLiteral("1502")}});
    QTest::newRow("value holding =")
        << QByteArray() << QStringList{QStringLiteral("Modbus_TCP_Slave_GAT1=a=b")} << 0
        << QString()
        << Saved_Par_Gen(Changes{{QStringLiteral("Modbus_TCP_Slave_GAT1"), QStringLiteral("a=b")}});
    QTest::newRow("failing rule, file kept")
        << old_file << QStringList{pair_port_10000} << 1 << port_message << QByteArray();
    QTest::newRow("failing rule, no file made")
        << QByteArray() << QStringList{pair_port_10000} << 1 << port_message << QByteArray();
    QTest::newRow("failing rule in the chosen language")
        << old_file
        << QStringList{pair_port_10000, QStringLiteral("--language"), QStringLiteral("Test")} << 1
        << "Porta sbagliata" << QByteArray();
    QTest::newRow("two faults, the first rule's message")
        << old_file
        << QStringList{QStringLiteral("OPTIONS_OFFSET_STATUS=61536"),
                       QStringLiteral("Modbus_TCP_Slave_2_IP3=256")}
        << 1 << "Error Modbus TCP Slave 2!! IP Address 3 must be between 0 and 255" << QByteArray();
    QTest::newRow("a gateway switched on has its bytes checked")
        << old_file
        << QStringList{QStringLiteral("Modbus_TCP_Slave_GAT1=x"),
                       QStringLiteral("Modbus_TCP_Slave_EN_GAT=1")}
        << 1 << "Error Modbus TCP Slave!! GATEWAY IP 1 must be between 0 and 255" << QByteArray();
    QTest::newRow("unknown key") << old_file
                                 << QStringList{QStringLiteral("Modbus_TCP_Slave_IP4=1"),
                                                QStringLiteral("Bogus=1")}
                                 << 2 << "unknown key 'Bogus'" << QByteArray();
    QTest::newRow("no =") << old_file << QStringList{QStringLiteral("Modbus_TCP_Slave_IP4")} << 2
                          << "is not KEY=VALUE" << QByteArray();
    QTest::newRow("switch takes 1 or 0")
        << old_file << QStringList{QStringLiteral("Modbus_TCP_Slave_EN_GAT=true")} << 2
        << "Modbus_TCP_Slave_EN_GAT takes 1 or 0" << QByteArray();
    QTest::newRow("no pairs") << old_file << QStringList() << 2 << "usage" << QByteArray();
#ifndef Q_OS_WIN // a Windows command line holds at most 32767 characters
    // As long as a field of the communication settings takes; a longer one could make a file
    // that no reader takes back.
    const QString longest(ParGen_Value_Limit, QLatin1Char('0'));
    QTest::newRow("value as long as a field takes")
        << old_file << QStringList{QStringLiteral("OPTIONS_OFFSET_STATUS=") + longest} << 0
        << QString()
        << Saved_Par_Gen(Changes{{QStringLiteral("Modbus_TCP_Slave_IP4"), QStringLiteral("77")},
                                 {QStringLiteral("OPTIONS_OFFSET_STATUS"), longest}});
    QTest::newRow("value longer than a field takes")
        << old_file
        << QStringList{QStringLiteral("Modbus_TCP_Slave_GAT1=1"),
                       QStringLiteral("Modbus_TCP_Slave_GAT2=") + QString(120000, QLatin1Char('0'))}
        << 2 << "the value of Modbus_TCP_Slave_GAT2 is longer than 32767 characters"
        << QByteArray();
#endif
    QTest::newRow("file not well-formed")
        << QByteArray("<Par_Gen><Modbus_TCP_Slave_IP1>")
        << QStringList{QStringLiteral("Modbus_TCP_Slave_IP4=1")} << 2 << "line 1" << QByteArray();
}

void Tst_Cli_Program_Folder::setSavesOnlyWhenRulesPass() {
    QFETCH(QByteArray, parGen);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QByteArray, written);

    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Plant"), parGen);
    const Cli_Result result =
        program.Run(QStringList{QStringLiteral("set"), QStringLiteral("Plant")} + arguments);
    QCOMPARE(result.Exit, exitCode);
    QCOMPARE(result.Out, QString());
    if (exitCode == 0) // network warnings (the defaults put both endpoints on one subnet) only
        QCOMPARE(result.Err.split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                     .filter(QRegularExpression(QStringLiteral("^(?!cf20914-cli: warning: )"))),
                 QStringList());
    else
        Verify_Error_Line(result, message);

    const QString path = program.Par_Gen_Path(QStringLiteral("Plant"));
    if (written.isNull()) {
        QCOMPARE(QFileInfo::exists(path), !parGen.isNull());
        QCOMPARE(Read_Test_File(path), parGen);
    } else {
        QCOMPARE(Read_Test_File(path), written);
    }
    QVERIFY(!QFileInfo::exists(program.file(Settings_File_Name)));
}

void Tst_Cli_Program_Folder::setRunsAtOnceKeepEveryChange() {
    // Twenty scripts set one key each of the same configuration at the same time.
    const QStringList keys{
        QStringLiteral("Modbus_TCP_Slave_IP1"),   QStringLiteral("Modbus_TCP_Slave_IP2"),
        QStringLiteral("Modbus_TCP_Slave_IP3"),   QStringLiteral("Modbus_TCP_Slave_IP4"),
        QStringLiteral("Modbus_TCP_Slave_SM1"),   QStringLiteral("Modbus_TCP_Slave_SM2"),
        QStringLiteral("Modbus_TCP_Slave_SM3"),   QStringLiteral("Modbus_TCP_Slave_SM4"),
        QStringLiteral("Modbus_TCP_Slave_GAT1"),  QStringLiteral("Modbus_TCP_Slave_GAT2"),
        QStringLiteral("Modbus_TCP_Slave_GAT3"),  QStringLiteral("Modbus_TCP_Slave_GAT4"),
        QStringLiteral("Modbus_TCP_Slave_2_IP1"), QStringLiteral("Modbus_TCP_Slave_2_IP2"),
        QStringLiteral("Modbus_TCP_Slave_2_IP3"), QStringLiteral("Modbus_TCP_Slave_2_IP4"),
        QStringLiteral("Modbus_TCP_Slave_2_SM1"), QStringLiteral("Modbus_TCP_Slave_2_SM2"),
        QStringLiteral("Modbus_TCP_Slave_2_SM3"), QStringLiteral("Modbus_TCP_Slave_2_SM4")};
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Plant"));
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int n = 0; n < keys.size(); ++n) {
        runs.push_back(std::make_unique<QProcess>());
        Start_Cli(*runs.back(), program.Arguments({QStringLiteral("set"), QStringLiteral("Plant"),
                                                   keys.at(n) + QStringLiteral("=%1").arg(n + 1)}));
    }
    for (const auto &run : runs) {
        const Cli_Result result = Finish_Cli(*run);
        // The values in between may draw network warnings, nothing else.
        for (const QString &line : result.Err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith(QLatin1String("cf20914-cli: warning: ")), qPrintable(line));
        QCOMPARE(result.Exit, 0);
    }
    const ParGen_Params saved = Load_ParGen(program.Par_Gen_Path(QStringLiteral("Plant")));
    for (int n = 0; n < keys.size(); ++n)
        QCOMPARE(ParGen_Value(saved, *Find_ParGen_Key(keys.at(n))), QString::number(n + 1));
    QVERIFY(!QFileInfo::exists(
        Configuration_Lock_Path(program.file(QStringLiteral("PROJECTS/Plant")))));
}

void Tst_Cli_Program_Folder::setRefusedWhileConfigurationHeld() {
    const Cli_Program program;
    const QByteArray old_file = Par_Gen_Xml({{"Modbus_TCP_Slave_IP4", "77"}});
    program.Add_Configuration(QStringLiteral("Plant"), old_file);
    // This test holds the configuration for longer than a run waits for its turn.
    Configuration_Lock held(program.file(QStringLiteral("PROJECTS/Plant")));
    QVERIFY(held.Take(0));
    const Cli_Result result = program.Run({QStringLiteral("set"), QStringLiteral("Plant"),
                                           QStringLiteral("Modbus_TCP_Slave_IP4=78")});
    QCOMPARE(result.Exit, 5);
    QCOMPARE(result.Out, QString());
    Verify_Error_Line(result, QStringLiteral("Error! The configuration Plant is being changed by "
                                             "tst_cli_program_folder (process %1 on ")
                                  .arg(QCoreApplication::applicationPid()));
    QCOMPARE(Read_Test_File(program.Par_Gen_Path(QStringLiteral("Plant"))), old_file);
}

void Tst_Cli_Program_Folder::brokenProjectsFolder_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString not_folder =
        QStringLiteral("Error! @/PROJECTS is not a folder, so it cannot hold the configurations");
    const QString unreadable =
        QStringLiteral("Error! The folder of the configurations cannot be read: @/PROJECTS");
    const QStringList commands[] = {
        {QStringLiteral("list")},
        {QStringLiteral("new"), QStringLiteral("Plant2")},
        {QStringLiteral("get"), QStringLiteral("Plant")},
        {QStringLiteral("set"), QStringLiteral("Plant"), QStringLiteral("Modbus_TCP_Slave_IP4=9")}};
    for (const QStringList &arguments : commands) {
        QTest::addRow("%s, PROJECTS a file", qPrintable(arguments.first()))
            << "file" << arguments << not_folder;
        QTest::addRow("%s, PROJECTS unreadable", qPrintable(arguments.first()))
            << "unreadable" << arguments << unreadable;
    }
    QTest::newRow("new, PROJECTS read-only")
        << "read-only" << commands[1]
        << "Error! No configuration can be created in @/PROJECTS: the folder cannot be written";
    QTest::newRow("set, PROJECTS read-only")
        << "read-only" << commands[3]
        << "Cannot create @/PROJECTS/.locks/Plant.lock: its folder may not be written";
}

void Tst_Cli_Program_Folder::brokenProjectsFolder() {
    QFETCH(QString, fault);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    const Cli_Program program;
    const QString projects = program.file(QStringLiteral("PROJECTS"));
    QProcess run;
    if (fault == QLatin1String("file")) {
        QVERIFY(QDir(projects).removeRecursively());
        Write_Test_File(projects, "not a folder");
    } else {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps a folder's modes for display only, and Wine applies no access "
              "control lists");
#else
        program.Add_Configuration(QStringLiteral("Plant"));
        QVERIFY(
            QFile::setPermissions(projects, fault == QLatin1String("read-only")
                                                ? QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                      QFileDevice::ReadOther | QFileDevice::ExeOther
                                                : QFileDevice::Permissions()));
        // Root reads and writes every folder: the tool runs as an unprivileged user then.
        if (geteuid() == 0)
            run.setChildProcessModifier([] {
                if (setgid(65534) != 0 || setuid(65534) != 0)
                    _exit(99);
            });
#endif
    }
    Start_Cli(run, program.Arguments(arguments));
    const Cli_Result result = Finish_Cli(run);
    QFile::setPermissions(projects,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(result.Exit, 2);
    QCOMPARE(result.Out, QString());
    // The messages hold no slash but those of the folder named.
    Verify_Error_Line(
        result, QDir::toNativeSeparators(message.replace(QLatin1Char('@'), program.Folder.path())));
    QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("PROJECTS/Plant2"))));
    QVERIFY(!QFileInfo::exists(program.Par_Gen_Path(QStringLiteral("Plant"))));
}

void Tst_Cli_Program_Folder::outsideTextIsEscaped_data() {
    QTest::addColumn<QString>("folder"); // of a configuration made by hand
    QTest::addColumn<QByteArray>("parGen");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");

    const QByteArray plain = Par_Gen_Xml({});
#ifndef Q_OS_WIN // no Windows folder name holds a control character
    QTest::newRow("list: a name with an escape sequence")
        << QStringLiteral("Bad\x1b]0;title\x07") << plain << QStringList{QStringLiteral("list")}
        << "  Bad\\x1B]0;title\\x07\n";
    QTest::newRow("list: a name with a line feed")
        << QStringLiteral("Two\nLines") << plain << QStringList{QStringLiteral("list")}
        << "  Two\\nLines\n";
#endif
    QTest::newRow("get: a value with control characters")
        << QStringLiteral("Plant") << Par_Gen_Xml({{"Modbus_TCP_Slave_GAT1", "a&#155;2J&#9;b"}})
        << QStringList{QStringLiteral("get"), QStringLiteral("Plant"),
                       QStringLiteral("Modbus_TCP_Slave_GAT1")}
        << "Modbus_TCP_Slave_GAT1=a\\x9B2J\\tb\n";
    QTest::newRow("get --json: C1 and DEL as escapes")
        << QStringLiteral("Plant") << Par_Gen_Xml({{"Modbus_TCP_Slave_GAT1", "a&#155;b&#127;"}})
        << QStringList{QStringLiteral("get"), QStringLiteral("Plant"), QStringLiteral("--json"),
                       QStringLiteral("Modbus_TCP_Slave_GAT1")}
        << "{\"Modbus_TCP_Slave_GAT1\":\"a\\u009bb\\u007f\"}\n";
}

void Tst_Cli_Program_Folder::outsideTextIsEscaped() {
    QFETCH(QString, folder);
    QFETCH(QByteArray, parGen);
    QFETCH(QStringList, arguments);

    const Cli_Program program;
    program.Add_Configuration(folder, parGen);
    const Cli_Result result = program.Run(arguments);
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Err, QString());
    QTEST(result.Out, "output");
}

void Tst_Cli_Program_Folder::updateRunsUpdater_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("readBack");

    QTest::newRow("defaults: firmware and configuration, read back") << QStringList() << 0 << true;
    QTest::newRow("firmware, no read back")
        << QStringList{QStringLiteral("--option"), QStringLiteral("1"),
                       QStringLiteral("--no-read-back")}
        << 1 << false;
    QTest::newRow("configuration")
        << QStringList{QStringLiteral("--option"), QStringLiteral("2")} << 2 << true;
}

void Tst_Cli_Program_Folder::updateRunsUpdater() {
    QFETCH(QStringList, options);
    QFETCH(int, option);
    QFETCH(bool, readBack);

    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    Write_Test_File(program.Par_Gen_Path(QStringLiteral("Plant")),
                    Par_Gen_Xml({{"Modbus_TCP_Slave_IP4", "77"}}));
    // Typed with leading zeros, the address is probed as 127.0.0.1 and the job carries it as
    // typed, as the dialog's fields would hold it.
    const Cli_Result result =
        program.Run(QStringList{QStringLiteral("update"), QStringLiteral("Plant"),
                                QStringLiteral("--ip"), QStringLiteral(" 127.000.000.001 ")} +
                    options);
    if (!Icmp_Allowed(result))
        QSKIP("this user may not open an ICMP socket");
    QCOMPARE(result.Exit, 0);
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^Ethernet_Update.exe ended after 0:0\\d with exit code 0.\n$"))
                 .match(result.Out)
                 .hasMatch(),
             qPrintable(result.Out));
    // What was sent, named before the probe: the configuration only when the option sends it.
    QVERIFY2(
        option == Update_Firmware
            ? result.Err.startsWith(QLatin1String("Configuration: Plant\nConfiguration: not "
                                                  "sent\nFirmware: sim20914.sim"))
            : result.Err.startsWith(QLatin1String("Configuration: Plant\nImage checksum: 0x")) &&
                  result.Err.contains(
                      QLatin1String("\nModbus TCP Slave: 192.168.0.77, port 502\n")),
        qPrintable(result.Err));
    QCOMPARE(Without_Summary(result).Err, QString());

    const QString proj_dir = Native_Folder(program.file(QStringLiteral("PROJECTS/Plant")));
    const QByteArray job = Read_Test_File(program.file(Job_File_Name));
    QCOMPARE(job, Build_Update_Job({QStringLiteral("127.000.000.001"),
                                    option,
                                    readBack,
                                    Native_Folder(program.file(QStringLiteral("MASTER"))),
                                    proj_dir,
                                    {}})
                      .toString(-1)
                      .toUtf8());
    QCOMPARE(program.Record(), QStringLiteral("args=0\ncwd=%1\njob=%2\nended\n")
                                   .arg(QDir::currentPath(), QString::fromUtf8(job)));
    // The image was compiled from the parameter file before the job was written.
    const QByteArray image =
        Read_Test_File(program.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin")));
    QCOMPARE(image.size(), 2048);
    QCOMPARE(quint8(image.at(0x02B)), quint8(77));
    QVERIFY(!QFileInfo::exists(program.file(Update_Lock_File_Name)));
    QVERIFY(!QFileInfo::exists(program.file(Settings_File_Name)));

    // The record names what went to which device.
    const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Plant"));
    QCOMPARE(records.size(), 1);
    const QJsonObject &record = records.first();
    QCOMPARE(record.value(QStringLiteral("source")).toString(), QStringLiteral("command line"));
    QCOMPARE(record.value(QStringLiteral("address")).toString(),
             QStringLiteral(" 127.000.000.001 "));
    QCOMPARE(record.value(QStringLiteral("option")).toInt(), option);
    QCOMPARE(record.value(QStringLiteral("read_back")).toBool(), readBack);
    QCOMPARE(record.value(QStringLiteral("outcome")).toString(), QStringLiteral("updater ended"));
    QCOMPARE(record.value(QStringLiteral("exit_code")).toInt(), 0);
    QCOMPARE(
        record.value(QStringLiteral("image_sha256")).toString(),
        QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex()));
    QCOMPARE(record.contains(QStringLiteral("firmware_sha256")), option != 2);
    if (option != 2)
        QCOMPARE(record.value(QStringLiteral("firmware_size")).toInt(), 4);
    QVERIFY(QDateTime::fromString(record.value(QStringLiteral("time")).toString(), Qt::ISODate)
                .isValid());
}

void Tst_Cli_Program_Folder::updateErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("setup"); // "broken": ParGen.xml not well-formed; "slow updater"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("jobWritten");

    const auto update = [](const QString &ip, QStringList more = {}) {
        return QStringList{QStringLiteral("update"), QStringLiteral("Plant"),
                           QStringLiteral("--ip"), ip} +
               more;
    };
    const QString loopback = QStringLiteral("127.0.0.1");
    const QString refused = QStringLiteral("Error!!! Check the Ip Address");

    QTest::newRow("no --ip") << QStringList{QStringLiteral("update"), QStringLiteral("Plant")} << ""
                             << 2 << "--ip is required" << false;
    QTest::newRow("no name") << QStringList{QStringLiteral("update"), QStringLiteral("--ip"),
                                            loopback}
                             << "" << 2 << "usage" << false;
    QTest::newRow("unknown configuration")
        << QStringList{QStringLiteral("update"), QStringLiteral("Other"), QStringLiteral("--ip"),
                       loopback}
        << "" << 2 << "Error! Project not Valid: Other" << false;
    QTest::newRow("option 3") << update(loopback, {QStringLiteral("--option"), QStringLiteral("3")})
                              << "" << 2 << "--option takes a whole number from 0 to 2" << false;
    QTest::newRow("option a word")
        << update(loopback, {QStringLiteral("--option"), QStringLiteral("all")}) << "" << 2
        << "--option takes" << false;
    QTest::newRow("negative wait")
        << update(loopback, {QStringLiteral("--wait"), QStringLiteral("-1")}) << "" << 2
        << "--wait takes" << false;
    QTest::newRow("wait beyond a day")
        << update(loopback, {QStringLiteral("--wait"), QStringLiteral("86401")}) << "" << 2
        << "--wait takes" << false;
    QTest::newRow("parameter file not well-formed")
        << update(loopback) << "broken" << 2 << "line 1" << false;
    QTest::newRow("three bytes") << update(QStringLiteral("127.0.0")) << "" << 1 << refused
                                 << false;
    QTest::newRow("byte above 255")
        << update(QStringLiteral("127.0.0.256")) << "" << 1 << refused << false;
    QTest::newRow("host name") << update(QStringLiteral("localhost")) << "" << 1 << refused
                               << false;
    QTest::newRow("hexadecimal byte")
        << update(QStringLiteral("0x7F.0.0.1")) << "" << 1 << refused << false;
    QTest::newRow("refused in the chosen language")
        << update(QStringLiteral("1.2.3"), {QStringLiteral("--language"), QStringLiteral("Test")})
        << "" << 1 << refused << false;
    QTest::newRow("updater outlasting the wait")
        << update(loopback, {QStringLiteral("--wait"), QStringLiteral("1")}) << "slow updater" << 4
        << "Ethernet_Update.exe still runs after 0:01; the program folder stays locked until it "
           "ends."
        << true;
}

void Tst_Cli_Program_Folder::updateErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(bool, jobWritten);

    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"),
                         setup == QLatin1String("slow updater") ? 3000 : 0);
    const QString image = program.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin"));
    Write_Test_File(image, "old image");
    if (setup == QLatin1String("broken"))
        Write_Test_File(program.Par_Gen_Path(QStringLiteral("Plant")), "<Par_Gen>");

    const Cli_Result result = program.Run(arguments);
    if (!Icmp_Allowed(result))
        QSKIP("this user may not open an ICMP socket");
    QCOMPARE(result.Exit, exitCode);
    QCOMPARE(result.Out, QString());
    Verify_Error_Line(Without_Summary(result), message);
    QCOMPARE(QFileInfo::exists(program.file(Job_File_Name)), jobWritten);
    if (setup == QLatin1String("broken"))
        QCOMPARE(Read_Test_File(image), QByteArray("old image"));
    if (setup == QLatin1String("slow updater")) {
        QVERIFY(program.Record().startsWith(QLatin1String("args=0")));
        // Left running, it ends by itself.
        QTRY_VERIFY_WITH_TIMEOUT(program.Record().endsWith(QLatin1String("ended\n")), 20000);
    } else {
        QVERIFY(!QFileInfo::exists(program.file(Update_Lock_File_Name)));
        if (!jobWritten)
            QCOMPARE(program.Record(), QString());
    }
}

void Tst_Cli_Program_Folder::updateRefusedBeforeProbe_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("message");

    const QString firmware = QStringLiteral("The firmware file %1 is missing, empty or not a file");
    const QString updater = QStringLiteral("The updater %1 is missing or cannot be started");
    QTest::newRow("parameters never saved")
        << "no parameter file"
        << "2"
        << "The communication settings of this configuration were never saved: save them with "
           "the command set first.";
    QTest::newRow("a rule fails")
        << "port 10000"
        << "2"
        << "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000";
    QTest::newRow("firmware missing") << "no firmware"
                                      << "0" << firmware;
    QTest::newRow("firmware empty") << "empty firmware"
                                    << "1" << firmware;
    QTest::newRow("firmware a folder") << "firmware folder"
                                       << "0" << firmware;
    QTest::newRow("updater missing") << "no updater"
                                     << "2" << updater;
    QTest::newRow("updater not executable") << "updater not executable"
                                            << "2" << updater;
}

// Each check runs before anything is written or contacted: the address given here is never
// probed, the image and the job stay as they were, and the refusal is recorded.
void Tst_Cli_Program_Folder::updateRefusedBeforeProbe() {
    QFETCH(QString, setup);
    QFETCH(QString, option);
    QFETCH(QString, message);

    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    const QString image = program.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin"));
    Write_Test_File(image, "old image");
    const QString firmware = program.file(QStringLiteral("MASTER/sim20914.sim"));
    const QString updater = program.file(Updater_File_Name);
    if (setup == QLatin1String("no parameter file"))
        QFile::remove(program.Par_Gen_Path(QStringLiteral("Plant")));
    else if (setup == QLatin1String("port 10000"))
        Write_Test_File(
            program.Par_Gen_Path(QStringLiteral("Plant")),
            Saved_Par_Gen({{QStringLiteral("Modbus_TCP_Slave_Port"), QStringLiteral("10000")}}));
    else if (setup == QLatin1String("no firmware"))
        QFile::remove(firmware);
    else if (setup == QLatin1String("empty firmware"))
        Write_Test_File(firmware, "");
    else if (setup == QLatin1String("firmware folder"))
        QVERIFY(QFile::remove(firmware) && QDir().mkpath(firmware));
    else if (setup == QLatin1String("no updater"))
        QFile::remove(updater);
    else if (setup == QLatin1String("updater not executable"))
#ifdef Q_OS_WIN
        QSKIP("Windows runs any program its user may read: no permission keeps it from running");
#else
        QFile::setPermissions(updater, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
    if (message.contains(QLatin1String("%1")))
        message = message.arg(QDir::toNativeSeparators(
            setup.contains(QLatin1String("firmware")) ? firmware : updater));

    const Cli_Result result =
        program.Run({QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                     QStringLiteral("127.0.0.1"), QStringLiteral("--option"), option});
    QCOMPARE(result.Exit, 1);
    QCOMPARE(result.Out, QString());
    Verify_Error_Line(result, message);
    QCOMPARE(Read_Test_File(image), QByteArray("old image"));
    QVERIFY(!QFileInfo::exists(program.file(Job_File_Name)));
    QCOMPARE(program.Record(), QString());
    const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Plant"));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().value(QStringLiteral("outcome")).toString(),
             QStringLiteral("refused"));
    QVERIFY(records.first().value(QStringLiteral("reason")).toString().contains(message));
}

// --dry-run checks and prints what would be sent, and stops there: nothing is written, probed
// or started.
void Tst_Cli_Program_Folder::updateDryRun() {
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    Write_Test_File(
        program.Par_Gen_Path(QStringLiteral("Plant")),
        Saved_Par_Gen({{QStringLiteral("Modbus_TCP_Slave_2_Port"), QStringLiteral("1502")},
                       {QStringLiteral("OPTIONS_OFFSET_REGISTERS"), QStringLiteral("100")}}));
    const Cli_Result result =
        program.Run({QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                     QStringLiteral("192.0.2.1"), QStringLiteral("--dry-run")});
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Err, QString());
    const QStringList lines = result.Out.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines.at(0), QStringLiteral("Configuration: Plant"));
    QVERIFY2(QRegularExpression(QStringLiteral("^Image checksum: 0x[0-9a-f]{8}$"))
                 .match(lines.at(1))
                 .hasMatch(),
             qPrintable(lines.at(1)));
    QCOMPARE(lines.at(2), QStringLiteral("Modbus TCP Slave: 192.168.0.5, port 502"));
    QCOMPARE(lines.at(3), QStringLiteral("Modbus TCP Slave 2: 192.168.0.6, port 1502"));
    QCOMPARE(lines.at(4), QStringLiteral("Offset Registers: 100, Offset Status: 0"));
    QVERIFY2(lines.at(5).startsWith(QLatin1String("Firmware: sim20914.sim, 4 bytes, 20")),
             qPrintable(lines.at(5)));
    QVERIFY(!QFileInfo::exists(program.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin"))));
    QVERIFY(!QFileInfo::exists(program.file(Job_File_Name)));
    QVERIFY(!QFileInfo::exists(
        program.file(QStringLiteral("PROJECTS/Plant/") + Update_Record_File_Name)));

    // The firmware alone: nothing of the configuration is listed, since none of it is sent.
    const Cli_Result firmware =
        program.Run({QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                     QStringLiteral("192.0.2.1"), QStringLiteral("--option"), QStringLiteral("1"),
                     QStringLiteral("--dry-run")});
    QCOMPARE(firmware.Exit, 0);
    const QStringList firmware_lines = firmware.Out.split(QLatin1Char('\n'));
    QCOMPARE(firmware_lines.size(), 4);
    QCOMPARE(firmware_lines.at(1), QStringLiteral("Configuration: not sent"));
    QVERIFY2(firmware_lines.at(2).startsWith(QLatin1String("Firmware: sim20914.sim, 4 bytes, ")),
             qPrintable(firmware.Out));
    QCOMPARE(program.Record(), QString());

    // A refused dry run records nothing either.
    const Cli_Result refused =
        program.Run({QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                     QStringLiteral("192.0.2"), QStringLiteral("--dry-run")});
    QCOMPARE(refused.Exit, 1);
    QVERIFY(!QFileInfo::exists(
        program.file(QStringLiteral("PROJECTS/Plant/") + Update_Record_File_Name)));
}

void Tst_Cli_Program_Folder::updateExitCodes_data() {
    QTest::addColumn<int>("updaterExit");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("closing");
    QTest::newRow("updater succeeded")
        << 0 << 0 << "Ethernet_Update.exe ended after 0:00 with exit code 0.\n";
    QTest::newRow("updater reported a failure")
        << 3 << 7 << "Ethernet_Update.exe reported a failure after 0:00: exit code 3.\n";
}

void Tst_Cli_Program_Folder::updateExitCodes() {
    QFETCH(int, updaterExit);
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    Write_Test_File(program.file(QStringLiteral("updater_exit_code")),
                    QByteArray::number(updaterExit));
    const Cli_Result result =
        program.Run({QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                     QStringLiteral("127.0.0.1"), QStringLiteral("--option"), QStringLiteral("2")});
    if (!Icmp_Allowed(result))
        QSKIP("this user may not open an ICMP socket");
    QTEST(result.Exit, "exitCode");
    QTEST(result.Out, "closing");
    const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Plant"));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().value(QStringLiteral("exit_code")).toInt(), updaterExit);
}

void Tst_Cli_Program_Folder::updateSilentDevice() {
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    // The neighbour on the namespace's link holds no address, so nobody answers.
    Private_Network network;
    network.Ip_Commands = {QStringLiteral("link add cf0 type veth peer name cf1"),
                           QStringLiteral("addr add 10.123.0.1/24 dev cf0"),
                           QStringLiteral("link set cf0 up"), QStringLiteral("link set cf1 up"),
                           QStringLiteral("link set lo up")};
    QList<Cli_Result> results;
    const QString failure = network.Run([&] {
        for (const QString &language : {QStringLiteral("English"), QStringLiteral("Test")})
            results << Run_Cli(program.Arguments(
                {QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                 QStringLiteral("10.123.0.2"), QStringLiteral("--language"), language}));
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));

    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).Exit, 3);
    Verify_Error_Line(Without_Summary(results.at(0)),
                      QStringLiteral("Device Not Found! 10.123.0.2"));
    QCOMPARE(results.at(1).Exit, 3);
    Verify_Error_Line(Without_Summary(results.at(1)),
                      QStringLiteral("Nessuna risposta 10.123.0.2"));
    QVERIFY(!QFileInfo::exists(program.file(Job_File_Name)));
    QCOMPARE(program.Record(), QString());
    const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Plant"));
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.first().value(QStringLiteral("outcome")).toString(),
             QStringLiteral("device silent"));
    QVERIFY(records.first().value(QStringLiteral("elapsed_ms")).toInt() >= 5000);
}

void Tst_Cli_Program_Folder::updateLockHeldByAnotherRun_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("wait");
    QTest::addColumn<int>("exitCode");

    // The first updater is let go once the second has waited a moment.
    QTest::newRow("holder ends within the wait") << "waits"
                                                 << "60" << 0;
    QTest::newRow("wait runs out first") << "waits"
                                         << "0" << 5;
    // The first run stops waiting, or is killed, while its updater runs on: the updater keeps
    // the lock until it ends.
    QTest::newRow("holder gave up waiting, updater still runs") << "gave up"
                                                                << "0" << 5;
    QTest::newRow("holder gave up waiting, updater ends within the wait") << "gave up"
                                                                          << "60" << 0;
    QTest::newRow("holder died, updater still runs") << "killed"
                                                     << "0" << 5;
    QTest::newRow("holder died, updater ends within the wait") << "killed"
                                                               << "60" << 0;
}

void Tst_Cli_Program_Folder::updateLockHeldByAnotherRun() {
    QFETCH(QString, first);
    QFETCH(QString, wait);
    QFETCH(int, exitCode);

    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    Write_Test_File(program.file(Updater_Delay), "hold");
    auto released_anyway = qScopeGuard([&program] { program.Release_Updater(); });
    QProcess first_run;
    QStringList first_arguments = program.Arguments(
        {QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
         QStringLiteral("127.0.0.2"), QStringLiteral("--option"), QStringLiteral("2")});
    if (first == QLatin1String("gave up"))
        first_arguments << QStringLiteral("--wait") << QStringLiteral("1");
    if (const auto ended = Start_Holding_Update(
            first_run, first_arguments, [&program] { return !program.Record().isEmpty(); })) {
        if (!Icmp_Allowed(*ended))
            QSKIP("this user may not open an ICMP socket");
        QFAIL(qPrintable(ended->Err));
    }
    const qint64 first_pid = first_run.processId();
    if (first == QLatin1String("killed")) {
        // Killed once the lock names the updater it started.
        QTRY_VERIFY(Read_Update_Lock(program.Folder.path())->Holder->Updater_Pid != 0);
        first_run.kill();
        QVERIFY(first_run.waitForFinished());
        // The start line is all a killed starter leaves: history shows its end as unseen.
        const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Plant"));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.front().value(QStringLiteral("outcome")).toString(),
                 Update_Result::Ended_Unseen);
#ifndef Q_OS_WIN // the updater's output goes to a log on Linux only
        QCOMPARE(records.front().value(QStringLiteral("updater_log")).toString(),
                 Updater_Log_File_Name);
#endif
    } else if (first == QLatin1String("gave up")) {
        const Cli_Result gave_up = Finish_Cli(first_run);
        QCOMPARE(gave_up.Exit, 4);
        Verify_Error_Line(Without_Summary(gave_up),
                          QStringLiteral("still runs after 0:01; the program folder stays locked "
                                         "until it ends."));
    }
    QVERIFY(QFileInfo::exists(program.file(Update_Lock_File_Name)));
    QVERIFY(!program.Record().endsWith(QLatin1String("ended\n")));

    QProcess second_run;
    Start_Cli(second_run, program.Arguments({QStringLiteral("update"), QStringLiteral("Plant"),
                                             QStringLiteral("--ip"), QStringLiteral("127.0.0.3"),
                                             QStringLiteral("--option"), QStringLiteral("2"),
                                             QStringLiteral("--wait"), wait}));
    // The second waits on the lock, or gives up at once; only then may the first updater end.
    Cli_Result second;
    if (exitCode == 0) {
        QVERIFY(!second_run.waitForFinished(300));
        program.Release_Updater();
        second = Finish_Cli(second_run);
    } else {
        second = Finish_Cli(second_run);
        program.Release_Updater();
    }
    if (first == QLatin1String("waits"))
        QCOMPARE(Finish_Cli(first_run).Exit, 0);
    QCOMPARE(second.Exit, exitCode);
    const QString job = QString::fromUtf8(Read_Test_File(program.file(Job_File_Name)));
    if (exitCode == 0) {
        QCOMPARE(Without_Summary(second).Err, QString());
        // The second job was written once the first updater had ended.
        QVERIFY2(job.contains(QLatin1String("<IP_Address_Dev>127.0.0.3<")), qPrintable(job));
        QCOMPARE(program.Record().count(QLatin1String("args=0")), 1);
        QVERIFY(program.Record().contains(QLatin1String("<IP_Address_Dev>127.0.0.3<")));
        QVERIFY(!QFileInfo::exists(program.file(Update_Lock_File_Name)));
    } else {
        const QString holder = first == QLatin1String("waits")
                                   ? QStringLiteral("(cf20914-cli, process %1").arg(first_pid)
                                   : QStringLiteral("(the updater cf20914-cli left running");
        Verify_Error_Line(Without_Summary(second),
                          QStringLiteral("Another update from this program folder is running "));
        QVERIFY2(second.Err.contains(first == QLatin1String("killed")
                                         ? QStringLiteral("process %1").arg(first_pid)
                                         : holder),
                 qPrintable(second.Err));
        QVERIFY2(job.contains(QLatin1String("<IP_Address_Dev>127.0.0.2<")), qPrintable(job));
        const QList<QJsonObject> records = Update_Records(program, QStringLiteral("Plant"));
        QVERIFY(std::any_of(records.begin(), records.end(), [](const QJsonObject &record) {
            return record.value(QStringLiteral("address")).toString() ==
                       QLatin1String("127.0.0.3") &&
                   record.value(QStringLiteral("outcome")).toString() == QLatin1String("lock busy");
        }));
    }
}

void Tst_Cli_Program_Folder::updateTakesOverLocks_data() {
    QTest::addColumn<QByteArray>("lock");
    QTest::newRow("empty, as a crash while writing it leaves it") << QByteArray("");
    QTest::newRow("garbage") << QByteArray("\x01\x02 not a lock\n");
    QTest::newRow("holder and updater gone") << QByteArray("999999999\ncf20914-cli\n") +
                                                    QSysInfo::machineHostName().toUtf8() +
                                                    "\n999999998\n";
}

void Tst_Cli_Program_Folder::updateTakesOverLocks() {
    QFETCH(QByteArray, lock);
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    Write_Test_File(program.file(Update_Lock_File_Name), lock);
    QElapsedTimer clock;
    clock.start();
    const Cli_Result result =
        program.Run({QStringLiteral("update"), QStringLiteral("Plant"), QStringLiteral("--ip"),
                     QStringLiteral("127.0.0.1"), QStringLiteral("--wait"), QStringLiteral("30")});
    if (!Icmp_Allowed(result))
        QSKIP("this user may not open an ICMP socket");
    QCOMPARE(result.Exit, 0);
    // Taken over at once, not after waiting for a holder.
    QVERIFY(clock.elapsed() < 20000);
    QVERIFY(program.Record().endsWith(QLatin1String("ended\n")));
    QVERIFY(!QFileInfo::exists(program.file(Update_Lock_File_Name)));
}

// A lock that names another computer cannot be judged here: the update says whose it is and
// how to clear it, and unlock clears it after a confirmation.
void Tst_Cli_Program_Folder::lockOfAnotherComputer() {
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    Write_Test_File(program.file(Update_Lock_File_Name), "4242\nCF20914\nworkshop-laptop\n4243\n");
    const QStringList update{QStringLiteral("update"), QStringLiteral("Plant"),
                             QStringLiteral("--ip"), QStringLiteral("127.0.0.1")};
    const Cli_Result refused = program.Run(update);
    if (!Icmp_Allowed(refused))
        QSKIP("this user may not open an ICMP socket");
    QCOMPARE(refused.Exit, 5);
    Verify_Error_Line(Without_Summary(refused), QStringLiteral("on workshop-laptop"));
    QVERIFY(refused.Err.contains(QLatin1String("cf20914-cli unlock")));
    QCOMPARE(program.Record(), QString());

    const Cli_Result kept = program.Run_With_Input({QStringLiteral("unlock")}, "n\n");
    QCOMPARE(kept.Exit, 1);
    QVERIFY2(kept.Err.contains(QLatin1String("CF20914, process 4242, updater process 4243 on "
                                             "workshop-laptop")),
             qPrintable(kept.Err));
    QVERIFY(QFileInfo::exists(program.file(Update_Lock_File_Name)));

    const Cli_Result cleared = program.Run({QStringLiteral("unlock"), QStringLiteral("--yes")});
    QCOMPARE(cleared.Exit, 0);
    QVERIFY(!QFileInfo::exists(program.file(Update_Lock_File_Name)));
    QCOMPARE(program.Run(update).Exit, 0);
}

// The record is only ever appended to; a line a crash cut short is skipped with a warning and
// stays apart from the lines after it.
void Tst_Cli_Program_Folder::historyOfUpdates() {
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    const QStringList update{QStringLiteral("update"),   QStringLiteral("Plant"),
                             QStringLiteral("--ip"),     QStringLiteral("127.0.0.1"),
                             QStringLiteral("--option"), QStringLiteral("2")};
    const Cli_Result first = program.Run(update);
    if (!Icmp_Allowed(first))
        QSKIP("this user may not open an ICMP socket");
    QCOMPARE(first.Exit, 0);
    const QString record =
        program.file(QStringLiteral("PROJECTS/Plant/") + Update_Record_File_Name);
    const QByteArray first_line = Read_Test_File(record);
    // A crash in the middle of the next line.
    Write_Test_File(record, first_line + "{\"time\":\"2026-");
    Write_Test_File(program.file(QStringLiteral("updater_exit_code")), "3");
    QCOMPARE(program.Run(update).Exit, 7);
    QVERIFY(Read_Test_File(record).startsWith(first_line + "{\"time\":\"2026-\n{"));

    const Cli_Result table = program.Run({QStringLiteral("history"), QStringLiteral("Plant")});
    QCOMPARE(table.Exit, 0);
    // Each update's start line comes before its end line.
    QCOMPARE(table.Err, QStringLiteral("cf20914-cli: warning: updates.jsonl: line 3 is no complete "
                                       "entry and is skipped\n"));
    const QStringList rows = table.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 3);
    QVERIFY(rows.at(0).startsWith(QLatin1String("time (UTC)\tsource\taddress")));
    QVERIFY2(
        rows.at(1).contains(QLatin1String("\tcommand line\t127.0.0.1\t2\t1\tupdater ended\t0\t")),
        qPrintable(rows.at(1)));
    QVERIFY2(rows.at(2).contains(QLatin1String("\tupdater ended\t3\t")), qPrintable(rows.at(2)));

    const Cli_Result json =
        program.Run({QStringLiteral("history"), QStringLiteral("Plant"), QStringLiteral("--json")});
    QCOMPARE(json.Exit, 0);
    const QJsonDocument entries = QJsonDocument::fromJson(json.Out.toUtf8());
    QVERIFY(entries.isArray());
    QCOMPARE(entries.array().size(), 2);
    QCOMPARE(entries.array().at(1).toObject().value(QStringLiteral("exit_code")).toInt(), 3);
}

// A script that captures the tool's output gets it when the tool ends, not when the updater it
// left running does: the updater writes into its log, never into the tool's streams.
void Tst_Cli_Program_Folder::capturedOutputDoesNotWaitForTheUpdater() {
#ifdef Q_OS_WIN
    QSKIP("the capture is a POSIX shell's");
#else
    const Cli_Program program;
    program.Add_Sendable(QStringLiteral("Plant"));
    Write_Test_File(program.file(Updater_Delay), "hold");
    auto released = qScopeGuard([&program] { program.Release_Updater(); });
    QProcess shell;
    shell.setProcessEnvironment(Cli_Environment());
    shell.start(
        QStringLiteral("/bin/sh"),
        program.Arguments(
            {QStringLiteral("-c"), QStringLiteral("out=$(\"$0\" \"$@\" 2>&1); echo \"$out\""),
             QStringLiteral(CLI_PROGRAM), QStringLiteral("update"), QStringLiteral("Plant"),
             QStringLiteral("--ip"), QStringLiteral("127.0.0.1"), QStringLiteral("--option"),
             QStringLiteral("2"), QStringLiteral("--wait"), QStringLiteral("1")}));
    QVERIFY(shell.waitForFinished(30000));
    const QString out = QString::fromUtf8(shell.readAllStandardOutput());
    if (out.contains(QLatin1String("permission")))
        QSKIP("this user may not open an ICMP socket");
    QVERIFY2(out.contains(QLatin1String("still runs after 0:01")), qPrintable(out));
    QVERIFY2(!out.contains(QLatin1String("stand-in")), qPrintable(out));
    QCOMPARE(Read_Test_File(program.file(QStringLiteral("PROJECTS/Plant/updater.log"))),
             QByteArray("stand-in: out\nstand-in: err\n"));
#endif
}

QTEST_GUILESS_MAIN(Tst_Cli_Program_Folder)
#include "tst_cli_program_folder.moc"
