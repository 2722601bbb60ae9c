// Runs cf20914-cli as a separate process and checks what a script sees: exit codes, stdout,
// stderr and the files it writes. The core behind each command has its own tests; these cover
// the command line around it.

#include "support/CliRun.h"
#include "support/LoopbackServer.h"
#include "support/PrivateNetwork.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDomDocument>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

namespace {

// A parameter file holding just the given keys; the tool takes the defaults for the others.
QByteArray Par_Gen_Xml(const QList<std::pair<const char *, const char *>> &keys) {
    QByteArray xml = "<?xml version=\"1.0\"?>\n<Par_Gen>\n";
    for (const auto &[key, value] : keys)
        xml += QByteArray("  <") + key + '>' + value + "</" + key + ">\n";
    return xml + "</Par_Gen>\n";
}

QByteArray Both_Gateways_On() {
    return Par_Gen_Xml({{"Modbus_TCP_Slave_EN_GAT", "1"}, {"Modbus_TCP_Slave_2_EN_GAT", "1"}});
}

// One line on stderr, prefixed with the tool's name, and nothing on stdout.
void Verify_Usage_Error(const Cli_Result &result) {
    QCOMPARE(result.Exit, 2);
    QVERIFY2(result.Err.startsWith(QLatin1String("cf20914-cli: ")), qPrintable(result.Err));
    QVERIFY2(result.Err.endsWith(QLatin1Char('\n')) && result.Err.count(QLatin1Char('\n')) == 1,
             qPrintable(result.Err));
    QCOMPARE(result.Out, QString());
}

QStringList Lines(const QString &text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Compiles the parameter file content into folder/image.bin and returns the image.
QByteArray Compile_Image(const Program_Folder &folder, const QByteArray &par_gen) {
    Write_Test_File(folder.file(QStringLiteral("ParGen.xml")), par_gen);
    const Cli_Result result =
        Run_Cli({QStringLiteral("compile"), folder.file(QStringLiteral("ParGen.xml")),
                 folder.file(QStringLiteral("image.bin"))});
    if (result.Exit != 0)
        return {};
    return Read_Test_File(folder.file(QStringLiteral("image.bin")));
}

} // namespace

class Tst_Cli : public QObject {
    Q_OBJECT

private slots:
    void helpForEachCommand_data();
    void helpForEachCommand();
    void usageErrors_data();
    void usageErrors();

    void validateReportsFirstFailure_data();
    void validateReportsFirstFailure();
    void validateRejectsMalformedFile();

    void compileWithoutParameterFileWritesClearedImage();
    void compileWarnsOfFailedRule();
    void fileNameOutsideEncodingIsRefused();
    void compileRejectsMalformedFileAndKeepsOutput_data();
    void compileRejectsMalformedFileAndKeepsOutput();

    void showDecodesCompiledImage_data();
    void showDecodesCompiledImage();
    void showRejectsDamagedImage_data();
    void showRejectsDamagedImage();

    void jobWritesOperationsForOption_data();
    void jobWritesOperationsForOption();

    void jobTakesCheckedAddress_data();
    void jobTakesCheckedAddress();
    void textsListsEveryEntry_data();
    void textsListsEveryEntry();

    void checkVersionWithoutServerIsNotNewer();
    void checkVersionShowsTheReplyEscaped();
    void probeLoopbackIsReachable();
    void probeTakesZeroLedBytesAsDecimal();
};

void Tst_Cli::helpForEachCommand_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("usage");

    QTest::newRow("overview") << QStringList{QStringLiteral("--help")}
                              << QStringLiteral("Usage: cf20914-cli COMMAND");
    for (const char *command :
         {"validate", "compile", "show", "job", "texts", "probe", "check-version"}) {
        const QString name = QLatin1String(command);
        QTest::newRow(command) << QStringList{name, QStringLiteral("--help")}
                               << QStringLiteral("Usage: cf20914-cli ") + name;
    }
    // Help wins over arguments that are missing.
    QTest::newRow("short option, nothing else")
        << QStringList{QStringLiteral("compile"), QStringLiteral("-h")}
        << QStringLiteral("Usage: cf20914-cli compile");
}

void Tst_Cli::helpForEachCommand() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, usage);

    const Cli_Result result = Run_Cli(arguments);
    QCOMPARE(result.Exit, 0);
    QVERIFY2(result.Out.startsWith(usage), qPrintable(result.Out));
    QCOMPARE(result.Err, QString());
}

void Tst_Cli::usageErrors_data() {
    // "@" stands for a scratch folder holding just a valid ParGen.xml
    QTest::addColumn<QStringList>("arguments");

    const auto job = [](QStringList options) {
        return QStringList{QStringLiteral("job")} + options;
    };
    const QString ip = QStringLiteral("--ip");
    const QString option = QStringLiteral("--option");
    const QString master = QStringLiteral("--master");
    const QString config = QStringLiteral("--config");
    const QString dir = QStringLiteral("@");
    const QString job_file = QStringLiteral("@/job.xml");

    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")};
    QTest::newRow("validate without file") << QStringList{QStringLiteral("validate")};
    QTest::newRow("validate with extra argument") << QStringList{
        QStringLiteral("validate"), QStringLiteral("@/ParGen.xml"), QStringLiteral("@/b.xml")};
    QTest::newRow("validate with unknown option") << QStringList{
        QStringLiteral("validate"), QStringLiteral("--bogus"), QStringLiteral("@/ParGen.xml")};
    QTest::newRow("validate a folder") << QStringList{QStringLiteral("validate"), dir};
    QTest::newRow("validate a device")
        << QStringList{QStringLiteral("validate"), QStringLiteral("/dev/zero")};
    QTest::newRow("compile without output")
        << QStringList{QStringLiteral("compile"), QStringLiteral("@/ParGen.xml")};
    QTest::newRow("compile into a missing folder")
        << QStringList{QStringLiteral("compile"), QStringLiteral("@/ParGen.xml"),
                       QStringLiteral("@/no/such/image.bin")};
    QTest::newRow("show without file") << QStringList{QStringLiteral("show")};
    QTest::newRow("show a missing file")
        << QStringList{QStringLiteral("show"), QStringLiteral("@/none.bin")};
    QTest::newRow("show a folder") << QStringList{QStringLiteral("show"), dir};
    QTest::newRow("show a device")
        << QStringList{QStringLiteral("show"), QStringLiteral("/dev/zero")};
    QTest::newRow("texts with argument")
        << QStringList{QStringLiteral("texts"), QStringLiteral("x")};
    QTest::newRow("texts without option value")
        << QStringList{QStringLiteral("texts"), QStringLiteral("--language")};
    QTest::newRow("check-version with argument")
        << QStringList{QStringLiteral("check-version"), QStringLiteral("x")};
    QTest::newRow("job without --ip")
        << job({option, QStringLiteral("0"), master, dir, config, dir, job_file});
    QTest::newRow("job without --option")
        << job({ip, QStringLiteral("1.2.3.4"), master, dir, config, dir, job_file});
    QTest::newRow("job without --master")
        << job({ip, QStringLiteral("1.2.3.4"), option, QStringLiteral("0"), config, dir, job_file});
    QTest::newRow("job without --config")
        << job({ip, QStringLiteral("1.2.3.4"), option, QStringLiteral("0"), master, dir, job_file});
    QTest::newRow("job without output") << job(
        {ip, QStringLiteral("1.2.3.4"), option, QStringLiteral("0"), master, dir, config, dir});
    QTest::newRow("job with --ip lacking its value") << job({ip});
    QTest::newRow("job with word for --option")
        << job({ip, QStringLiteral("1.2.3.4"), option, QStringLiteral("two"), master, dir, config,
                dir, job_file});
    QTest::newRow("job with fraction for --option")
        << job({ip, QStringLiteral("1.2.3.4"), option, QStringLiteral("1.5"), master, dir, config,
                dir, job_file});
    QTest::newRow("job with option 7, which names no operation")
        << job({ip, QStringLiteral("1.2.3.4"), option, QStringLiteral("7"), master, dir, config,
                dir, job_file});
    QTest::newRow("job with an address of three parts")
        << job({ip, QStringLiteral("1.2.3"), option, QStringLiteral("0"), master, dir, config, dir,
                job_file});
    QTest::newRow("job into a missing folder")
        << job({ip, QStringLiteral("1.2.3.4"), option, QStringLiteral("0"), master, dir, config,
                dir, QStringLiteral("@/no/such/job.xml")});
}

void Tst_Cli::usageErrors() {
    QFETCH(QStringList, arguments);
#ifdef Q_OS_WIN
    if (arguments.contains(QLatin1String("/dev/zero")))
        QSKIP("/dev/zero, a device file without end, is Linux's");
#endif

    const Program_Folder folder;
    Write_Test_File(folder.file(QStringLiteral("ParGen.xml")), Both_Gateways_On());
    for (QString &argument : arguments)
        argument.replace(QLatin1Char('@'), folder.path());

    Verify_Usage_Error(Run_Cli(arguments));
    if (QTest::currentTestFailed())
        return;
    // A refused call leaves no file behind.
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("ParGen.xml")});
}

void Tst_Cli::validateReportsFirstFailure_data() {
    QTest::addColumn<QByteArray>("parGen"); // empty: no parameter file
    QTest::addColumn<QString>("language");  // empty: none given
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("exitCode");

    const QByteArray port_10000 = Par_Gen_Xml({{"Modbus_TCP_Slave_Port", "10000"}});
    const QString port_message = QStringLiteral(
        "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000");

    QTest::newRow("no file, defaults pass") << QByteArray() << QString() << "OK" << 0;
    QTest::newRow("valid file") << Both_Gateways_On() << QString() << "OK" << 0;
    QTest::newRow("port 10000") << port_10000 << QString() << port_message << 1;
    QTest::newRow("port 10000, chosen language")
        << port_10000 << QStringLiteral("Test") << "Porta sbagliata" << 1;
    QTest::newRow("port 10000, language without file")
        << port_10000 << QStringLiteral("Klingon") << port_message << 1;
    QTest::newRow("two faults, the first is reported")
        << Par_Gen_Xml({{"Modbus_TCP_Slave_2_IP3", "256"}, {"Modbus_TCP_Slave_Port", "10000"}})
        << QString() << port_message << 1;
}

void Tst_Cli::validateReportsFirstFailure() {
    QFETCH(QByteArray, parGen);
    QFETCH(QString, language);
    QFETCH(QString, output);
    QFETCH(int, exitCode);

    const Program_Folder folder;
    const QString languages = folder.file(QStringLiteral("LANGUAGE"));
    QVERIFY(QDir().mkpath(languages));
    Write_Test_File(languages + QStringLiteral("/Test.lng"), "STR853 = Porta sbagliata\r\n");
    const QString par_gen = folder.file(QStringLiteral("ParGen.xml"));
    if (!parGen.isEmpty())
        Write_Test_File(par_gen, parGen);

    QStringList arguments{QStringLiteral("validate"), par_gen, QStringLiteral("--language-dir"),
                          languages};
    if (!language.isEmpty())
        arguments << QStringLiteral("--language") << language;
    const Cli_Result result = Run_Cli(arguments);
    QCOMPARE(result.Exit, exitCode);
    QCOMPARE(result.Out, output + QLatin1Char('\n'));
    // A path that leads nowhere is checked as the defaults, but never without a word. Network
    // warnings (the defaults put both endpoints on one subnet) are left out here.
    QStringList lines = result.Err.split(QLatin1Char('\n'));
    lines.removeIf([](const QString &line) {
        return line.startsWith(QLatin1String("cf20914-cli: warning: Warning! "));
    });
    QCOMPARE(lines.join(QLatin1Char('\n')),
             parGen.isEmpty() ? QStringLiteral("warning: ") + par_gen +
                                    QStringLiteral(" does not exist; checking the "
                                                   "default parameters\n")
                              : QString());
}

void Tst_Cli::validateRejectsMalformedFile() {
    const Program_Folder folder;
    const QString par_gen = folder.file(QStringLiteral("ParGen.xml"));
    Write_Test_File(par_gen, "<Par_Gen>\n  <Modbus_TCP_Slave_Port>502\n</Par_Gen>\n");

    const Cli_Result result = Run_Cli({QStringLiteral("validate"), par_gen});
    Verify_Usage_Error(result);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(result.Err.contains(par_gen), qPrintable(result.Err));
    QVERIFY2(result.Err.contains(QRegularExpression(QStringLiteral("line 3, column \\d+"))),
             qPrintable(result.Err));
}

void Tst_Cli::compileWithoutParameterFileWritesClearedImage() {
    const Program_Folder folder;
    const QString image = folder.file(QStringLiteral("image.bin"));

    const Cli_Result result =
        Run_Cli({QStringLiteral("compile"), folder.file(QStringLiteral("none.xml")), image});
    QCOMPARE(result.Exit, 0);
    QVERIFY2(result.Err.contains(QLatin1String("warning")), qPrintable(result.Err));

    QByteArray cleared(2048, '\0');
    cleared[0x034] = '\x10'; // 10000, little-endian
    cleared[0x035] = '\x27';
    cleared[0x7FC] = '\x37'; // checksum 55
    QCOMPARE(Read_Test_File(image), cleared);
}

void Tst_Cli::compileWarnsOfFailedRule() {
    const Program_Folder folder;
    const QString par_gen = folder.file(QStringLiteral("ParGen.xml"));
    const QString image = folder.file(QStringLiteral("image.bin"));
    Write_Test_File(par_gen, Par_Gen_Xml({{"Modbus_TCP_Slave_Port", "10000"}}));

    const Cli_Result result = Run_Cli({QStringLiteral("compile"), par_gen, image});
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Err, QStringLiteral("warning: Error Modbus TCP Slave!! Port must be between 0 "
                                        "and 65535, and different from 10000\n"));
    // The image is what Update Device would make of the file: port 10000 as it stands.
    const QByteArray bytes = Read_Test_File(image);
    QCOMPARE(bytes.size(), 2048);
    QCOMPARE(bytes.mid(0x036, 4), QByteArray("\x10\x27\x10\x27"));
}

void Tst_Cli::fileNameOutsideEncodingIsRefused() {
#ifdef Q_OS_WIN
    QSKIP("file names are bytes on Linux only; Windows keeps them in UTF-16, which holds any");
#endif
    const Program_Folder folder;
    const QString par_gen = folder.file(QStringLiteral("ParGen.xml"));
    Write_Test_File(par_gen, Both_Gateways_On());
    // The output name ends in the byte FF, which is no UTF-8; the shell passes it unchanged.
    QProcess process;
    process.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("exec \"$0\" compile \"$1\" \"$1$(printf '\\377')\""),
                   QStringLiteral(CLI_PROGRAM), par_gen});
    QVERIFY(process.waitForFinished(-1));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(err.contains(QLatin1String("file-name encoding")), qPrintable(err));
    // Neither the named file nor one of a mangled name was written.
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("ParGen.xml")});
}

void Tst_Cli::compileRejectsMalformedFileAndKeepsOutput_data() {
    QTest::addColumn<QByteArray>("parGen");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("unclosed element") << QByteArray("<Par_Gen><Modbus_TCP_Slave_Port>502");
    QTest::newRow("two top elements") << QByteArray("<Par_Gen/><Par_Gen/>");
}

void Tst_Cli::compileRejectsMalformedFileAndKeepsOutput() {
    QFETCH(QByteArray, parGen);

    const Program_Folder folder;
    const QString par_gen = folder.file(QStringLiteral("ParGen.xml"));
    const QString image = folder.file(QStringLiteral("image.bin"));
    Write_Test_File(par_gen, parGen);
    Write_Test_File(image, "previous image");

    const Cli_Result result = Run_Cli({QStringLiteral("compile"), par_gen, image});
    Verify_Usage_Error(result);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(result.Err.contains(QRegularExpression(QStringLiteral("line \\d+, column \\d+"))),
             qPrintable(result.Err));
    QCOMPARE(Read_Test_File(image), QByteArray("previous image"));
}

void Tst_Cli::showDecodesCompiledImage_data() {
    QTest::addColumn<QByteArray>("parGen");
    QTest::addColumn<QString>("expected");

    QTest::newRow("gateways on") << Both_Gateways_On()
                                 << QStringLiteral(
                                        "size: 2048 bytes\n"
                                        "endpoint 1: address 192.168.0.5, mask 255.255.255.0, "
                                        "gateway 192.168.0.1, port 502 (copy 502)\n"
                                        "endpoint 2: address 192.168.0.6, mask 255.255.255.0, "
                                        "gateway 192.168.0.1, port 503 (copy 503)\n"
                                        "offset registers: 0\n"
                                        "offset status: 0\n"
                                        "constant at 0x034: 10000\n"
                                        "checksum: stored 4028, computed 4028\n");
    // 4028, then + 2 * 659 for the gateways (FF FF FF FF instead of 192.168.0.1), + 72 for the
    // address, - 68 for the port (D2 04 instead of F7 01) and + 300 for the offsets.
    QTest::newRow("gateways off, offsets set")
        << Par_Gen_Xml({{"Modbus_TCP_Slave_IP4", "77"},
                        {"Modbus_TCP_Slave_2_Port", "1234"},
                        {"OPTIONS_OFFSET_REGISTERS", "100"},
                        {"OPTIONS_OFFSET_STATUS", "200"}})
        << QStringLiteral("size: 2048 bytes\n"
                          "endpoint 1: address 192.168.0.77, mask 255.255.255.0, "
                          "gateway disabled, port 502 (copy 502)\n"
                          "endpoint 2: address 192.168.0.6, mask 255.255.255.0, "
                          "gateway disabled, port 1234 (copy 1234)\n"
                          "offset registers: 100\n"
                          "offset status: 200\n"
                          "constant at 0x034: 10000\n"
                          "checksum: stored 5650, computed 5650\n");
}

void Tst_Cli::showDecodesCompiledImage() {
    QFETCH(QByteArray, parGen);
    QFETCH(QString, expected);

    const Program_Folder folder;
    QCOMPARE(Compile_Image(folder, parGen).size(), 2048);

    const Cli_Result result =
        Run_Cli({QStringLiteral("show"), folder.file(QStringLiteral("image.bin"))});
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Out, expected);
    QCOMPARE(result.Err, QString());
}

void Tst_Cli::showRejectsDamagedImage_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("flippedByte"); // -1: none
    QTest::addColumn<QString>("reason");

    QTest::newRow("one byte short") << 2047 << -1 << "size is 2047 bytes";
    QTest::newRow("one byte long") << 2049 << -1 << "size is 2049 bytes";
    QTest::newRow("empty") << 0 << -1 << "size is 0 bytes";
    QTest::newRow("address byte changed") << 2048 << 0x028 << "checksum mismatch";
    QTest::newRow("checksum byte changed") << 2048 << 0x7FF << "checksum mismatch";
}

void Tst_Cli::showRejectsDamagedImage() {
    QFETCH(int, size);
    QFETCH(int, flippedByte);
    QFETCH(QString, reason);

    const Program_Folder folder;
    QByteArray image = Compile_Image(folder, Both_Gateways_On());
    QCOMPARE(image.size(), 2048);
    image.resize(size, '\0');
    if (flippedByte >= 0)
        image[flippedByte] = char(image.at(flippedByte) ^ 0x01);
    const QString path = folder.file(QStringLiteral("damaged.bin"));
    Write_Test_File(path, image);

    const Cli_Result result = Run_Cli({QStringLiteral("show"), path});
    QCOMPARE(result.Exit, 1);
    QVERIFY2(result.Err.contains(reason), qPrintable(result.Err));
}

void Tst_Cli::jobWritesOperationsForOption_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("readBack");
    QTest::addColumn<QStringList>("files"); // Ope_FileName of each operation, in order

    const QString firmware = QStringLiteral("MASTER/sim20914.sim");
    const QString image = QStringLiteral("CONFIG/bin/bank.bin");
    QTest::newRow("0: firmware and configuration") << "0" << true << QStringList{firmware, image};
    QTest::newRow("1: firmware") << "1" << true << QStringList{firmware};
    QTest::newRow("2: configuration") << "2" << true << QStringList{image};
    QTest::newRow("2 without read-back") << "2" << false << QStringList{image};
    QTest::newRow("0 without read-back") << "0" << false << QStringList{firmware, image};
}

void Tst_Cli::jobWritesOperationsForOption() {
    QFETCH(QString, option);
    QFETCH(bool, readBack);
    QFETCH(QStringList, files);

    const Program_Folder folder;
    const QString job_file = folder.file(QStringLiteral("job.xml"));
    QStringList arguments{QStringLiteral("job"),
                          QStringLiteral("--ip"),
                          QStringLiteral("192.168.000.010"),
                          QStringLiteral("--option"),
                          option,
                          QStringLiteral("--master"),
                          folder.file(QStringLiteral("MASTER/")),
                          QStringLiteral("--config"),
                          folder.file(QStringLiteral("CONFIG")),
                          job_file};
    if (!readBack)
        arguments << QStringLiteral("--no-read-back");
    const Cli_Result result = Run_Cli(arguments);
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Err, QString());

    QDomDocument doc;
    QString error;
    QVERIFY2(doc.setContent(Read_Test_File(job_file), &error), qPrintable(error));
    const QDomElement root = doc.documentElement();
    QCOMPARE(root.firstChildElement(QStringLiteral("IP_Address_Dev")).text(),
             QStringLiteral("192.168.000.010"));
    const QDomNodeList operations = root.elementsByTagName(QStringLiteral("Operation"));
    QCOMPARE(operations.size(), files.size());
    for (int i = 0; i < operations.size(); ++i) {
        const QDomElement operation = operations.at(i).toElement();
        // In the platform's own form, whatever form the folders were given in.
        QCOMPARE(operation.firstChildElement(QStringLiteral("Ope_FileName")).text(),
                 QDir::toNativeSeparators(folder.file(files.at(i))));
        QCOMPARE(operation.firstChildElement(QStringLiteral("Ope_Read_Back")).text(),
                 readBack ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

void Tst_Cli::jobTakesCheckedAddress_data() {
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("written");
    QTest::newRow("leading zeros stay") << "192.168.000.010"
                                        << "192.168.000.010";
    QTest::newRow("blanks around the parts go") << " 10 . 0 . 0 . 1 "
                                                << "10.0.0.1";
    // The job file could not hold it, and the updater could not read the job.
    QTest::newRow("control character goes") << "10.0.0.1\x01"
                                            << "10.0.0.1";
}

void Tst_Cli::jobTakesCheckedAddress() {
    QFETCH(QString, ip);
    QFETCH(QString, written);
    const Program_Folder folder;
    const QString job_file = folder.file(QStringLiteral("job.xml"));
    const Cli_Result result =
        Run_Cli({QStringLiteral("job"), QStringLiteral("--ip"), ip, QStringLiteral("--option"),
                 QStringLiteral("2"), QStringLiteral("--master"), folder.path(),
                 QStringLiteral("--config"), folder.path(), job_file});
    QCOMPARE(result.Exit, 0);
    QDomDocument doc;
    QString error;
    QVERIFY2(doc.setContent(Read_Test_File(job_file), &error), qPrintable(error));
    QCOMPARE(doc.documentElement().firstChildElement(QStringLiteral("IP_Address_Dev")).text(),
             written);
}

void Tst_Cli::textsListsEveryEntry_data() {
    QTest::addColumn<QString>("fileName"); // the language file written, empty for none
    QTest::addColumn<QByteArray>("fileContent");
    QTest::addColumn<QString>("language"); // empty: none given
    QTest::addColumn<QString>("languageInEffect");
    QTest::addColumn<QString>("entry9");

    QTest::newRow("defaults") << QString() << QByteArray() << QString() << "English"
                              << "None Configuration Opened ";
    // Quotes, a backslash and a letter beyond ASCII must come out as a valid JSON string.
    QTest::newRow("named language")
        << "Test.lng"
        << QByteArray("\xEF\xBB\xBFSTR9 = Nessuna \"configurazione\" \\ aperta \xC3\xA8\r\n")
        << "Test"
        << "Test" << QStringLiteral("Nessuna \"configurazione\" \\ aperta \u00E8");
    QTest::newRow("language without file falls back to English.lng")
        << "English.lng" << QByteArray("STR9 = Nothing open\r\n") << "Klingon"
        << "English"
        << "Nothing open";
}

void Tst_Cli::textsListsEveryEntry() {
    QFETCH(QString, fileName);
    QFETCH(QByteArray, fileContent);
    QFETCH(QString, language);
    QFETCH(QString, languageInEffect);
    QFETCH(QString, entry9);

    const Program_Folder folder;
    if (!fileName.isEmpty())
        Write_Test_File(folder.file(fileName), fileContent);
    QStringList arguments{QStringLiteral("texts"), QStringLiteral("--language-dir"), folder.path()};
    if (!language.isEmpty())
        arguments << QStringLiteral("--language") << language;
    const Cli_Result result = Run_Cli(arguments);
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Err, languageInEffect + QLatin1Char('\n'));

    const QStringList lines = Lines(result.Out);
    QCOMPARE(lines.size(), 900);
    QStringList texts;
    for (int index = 0; index < lines.size(); ++index) {
        const QString prefix = QString::number(index) + QLatin1Char('\t');
        QVERIFY2(lines.at(index).startsWith(prefix), qPrintable(lines.at(index)));
        const QJsonDocument parsed =
            QJsonDocument::fromJson('[' + lines.at(index).mid(prefix.size()).toUtf8() + ']');
        QVERIFY2(parsed.isArray() && parsed.array().size() == 1 && parsed.array().at(0).isString(),
                 qPrintable(lines.at(index)));
        texts << parsed.array().at(0).toString();
    }
    QCOMPARE(texts.at(9), entry9);
    QCOMPARE(texts.at(0), QStringLiteral("Begin")); // entries the file leaves alone
}

void Tst_Cli::checkVersionWithoutServerIsNotNewer() {
    // Port 1 on the loopback address refuses the connection at once.
    const Cli_Result result = Run_Cli({QStringLiteral("check-version"), QStringLiteral("--url"),
                                       QStringLiteral("http://127.0.0.1:1")});
    QCOMPARE(result.Exit, 1);
    QCOMPARE(result.Out, QStringLiteral("not newer\n"));
    QVERIFY2(result.Err.startsWith(QLatin1String("cf20914-cli: the check failed: ")) &&
                 result.Err.contains(QLatin1String("connect")),
             qPrintable(result.Err));
}

void Tst_Cli::checkVersionShowsTheReplyEscaped() {
    // A reply that would set the terminal's title and clear its screen, with a C1 escape too.
    Loopback_Server server(Reply(200, "VER\x1b]0;pwned\x07\x1b[2J\x9b"
                                      "2Jend"));
    QVERIFY(server.listening());
    const Cli_Result result =
        Run_Cli({QStringLiteral("check-version"), QStringLiteral("--url"), server.url()});
    QCOMPARE(result.Exit, 1);
    QCOMPARE(result.Out, QStringLiteral("not newer\n"));
    QCOMPARE(result.Err, QStringLiteral("cf20914-cli: the check failed: the reply holds no "
                                        "version: VER\\x1B]0;pwned\\x07\\x1B[2J\\x9B2Jend\n"));
}

void Tst_Cli::probeLoopbackIsReachable() {
    const Cli_Result result = Run_Cli({QStringLiteral("probe"), QStringLiteral("127.0.0.1")});
    if (result.Exit == 2 && result.Err.contains(QLatin1String("permission")))
        QSKIP("this user may not open an ICMP socket");
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Out, QStringLiteral("reachable\n"));
}

void Tst_Cli::probeTakesZeroLedBytesAsDecimal() {
    // Read as octal, 127.0.0.010 would be 127.0.0.8, which this loopback does not hold.
    Cli_Result result;
    const QString failure = Loopback_Holding_Only(QStringLiteral("127.0.0.10")).Run([&] {
        result = Run_Cli({QStringLiteral("probe"), QStringLiteral("127.0.0.010")});
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    QCOMPARE(result.Err, QString());
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Out, QStringLiteral("reachable\n"));
}

QTEST_GUILESS_MAIN(Tst_Cli)
#include "tst_cli.moc"
