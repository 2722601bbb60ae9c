#include "support/TestSupport.h"

#include "parameters/ParGen.h"
#include "parameters/Validation.h"
#include "platform/CoreError.h"

#include <QDir>
#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(ParGen_Params)

namespace {

QByteArray Keys_Xml(const QByteArray &root, const QByteArray &extra = {}) {
    return "<" + root + ">" + extra +
           "<Modbus_TCP_Slave_IP4>77</Modbus_TCP_Slave_IP4>"
           "<Modbus_TCP_Slave_EN_GAT>1</Modbus_TCP_Slave_EN_GAT>"
           "<OPTIONS_OFFSET_STATUS>$10</OPTIONS_OFFSET_STATUS></" +
           root + ">";
}

ParGen_Params Keys_Params() {
    ParGen_Params params = Default_ParGen();
    params.Modbus_TCP_Slave_IP4 = QStringLiteral("77");
    params.Modbus_TCP_Slave_EN_GAT = true;
    params.OPTIONS_OFFSET_STATUS = QStringLiteral("$10");
    return params;
}

// Defaults with one text field changed.
ParGen_Params With(QString ParGen_Params::*field, const char *text, bool gate1 = false,
                   bool gate2 = false) {
    ParGen_Params params = Default_ParGen();
    params.*field = QLatin1String(text);
    params.Modbus_TCP_Slave_EN_GAT = gate1;
    params.Modbus_TCP_Slave_2_EN_GAT = gate2;
    return params;
}

} // namespace

class Test_Parameters : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void load_data();
    void load();
    void load_not_well_formed_data();
    void load_not_well_formed();
    void save_form_and_round_trip();
    void save_failure_keeps_old_file();
    void save_writes_only_what_reads_back_data();
    void save_writes_only_what_reads_back();
    void rules_data();
    void rules();
};

void Test_Parameters::defaults() {
    const ParGen_Params params = Default_ParGen();
    QCOMPARE(params.Modbus_TCP_Slave_IP4, QStringLiteral("5"));
    QCOMPARE(params.Modbus_TCP_Slave_2_IP4, QStringLiteral("6"));
    QCOMPARE(params.Modbus_TCP_Slave_SM3, QStringLiteral("255"));
    QCOMPARE(params.Modbus_TCP_Slave_2_GAT4, QStringLiteral("1"));
    QCOMPARE(params.Modbus_TCP_Slave_2_Port, QStringLiteral("502"));
    QCOMPARE(params.OPTIONS_OFFSET_REGISTERS, QStringLiteral("0"));
    QVERIFY(!params.Modbus_TCP_Slave_EN_GAT && !params.Modbus_TCP_Slave_2_EN_GAT);
    QVERIFY(!First_Failed_Rule(params));
}

void Test_Parameters::load_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<ParGen_Params>("expected");
    QTest::newRow("no file") << QByteArray() << Default_ParGen();
    QTest::newRow("root without children") << QByteArray("<Par_Gen/>") << Default_ParGen();
    QTest::newRow("keys in any order") << Keys_Xml("Par_Gen") << Keys_Params();
    QTest::newRow("root of another name") << Keys_Xml("Anything") << Keys_Params();
    QTest::newRow("declaration, comment and instruction before the root")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- copy -->\n<?editor x?>\n" +
               Keys_Xml("Par_Gen") + "<!--SW_VERSION = 1.000-->"
        << Keys_Params();
    QTest::newRow("unknown elements and a second key ignored")
        << QByteArray(
               "<Par_Gen><Unknown>1</Unknown><OPTIONS_OFFSET_STATUS>9</OPTIONS_OFFSET_STATUS>"
               "<OPTIONS_OFFSET_STATUS>10</OPTIONS_OFFSET_STATUS></Par_Gen>")
        << With(&ParGen_Params::OPTIONS_OFFSET_STATUS, "9");
    QTest::newRow("empty element is the empty text")
        << QByteArray("<Par_Gen><Modbus_TCP_Slave_IP1></Modbus_TCP_Slave_IP1></Par_Gen>")
        << With(&ParGen_Params::Modbus_TCP_Slave_IP1, "");
    QTest::newRow("element content takes the default")
        << QByteArray("<Par_Gen><Modbus_TCP_Slave_IP1><b>9</b></Modbus_TCP_Slave_IP1></Par_Gen>")
        << Default_ParGen();
    QTest::newRow("text with a comment inside takes the default")
        << QByteArray("<Par_Gen><Modbus_TCP_Slave_IP1>9<!--x--></Modbus_TCP_Slave_IP1></Par_Gen>")
        << Default_ParGen();
    QTest::newRow("text kept as typed")
        << QByteArray("<Par_Gen><Modbus_TCP_Slave_Port> 0502</Modbus_TCP_Slave_Port></Par_Gen>")
        << With(&ParGen_Params::Modbus_TCP_Slave_Port, " 0502");
    QTest::newRow("text of blanks only kept")
        << QByteArray("<Par_Gen><Modbus_TCP_Slave_2_GAT1>   </Modbus_TCP_Slave_2_GAT1></Par_Gen>")
        << With(&ParGen_Params::Modbus_TCP_Slave_2_GAT1, "   ");
    QTest::newRow("key names are case-sensitive")
        << QByteArray("<Par_Gen><modbus_tcp_slave_ip1>9</modbus_tcp_slave_ip1></Par_Gen>")
        << Default_ParGen();
    for (const char *text : {"0", "true", "01", " 1", ""}) {
        QTest::addRow("switch '%s' is off", text)
            << QByteArray("<Par_Gen><Modbus_TCP_Slave_2_EN_GAT>") + text +
                   "</Modbus_TCP_Slave_2_EN_GAT></Par_Gen>"
            << Default_ParGen();
    }
    ParGen_Params on = Default_ParGen();
    on.Modbus_TCP_Slave_2_EN_GAT = true;
    QTest::newRow("switch '1' is on")
        << QByteArray("<Par_Gen><Modbus_TCP_Slave_2_EN_GAT>1</Modbus_TCP_Slave_2_EN_GAT></Par_Gen>")
        << on;
}

void Test_Parameters::load() {
    QFETCH(QByteArray, content);
    Program_Folder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    if (!content.isEmpty())
        Write_Test_File(path, content);
    QTEST(Load_ParGen(path), "expected");
}

void Test_Parameters::load_not_well_formed_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("target"); // a symbolic link to it replaces the file
    QTest::addColumn<QString>("reason");
    const QString none;
    QTest::newRow("empty") << QByteArray() << none << "line 1";
    QTest::newRow("unclosed element")
        << QByteArray("<Par_Gen>\n<Modbus_TCP_Slave_IP1>1") << none << "line 2";
    // Such a tree took minutes to build and overflowed the stack when it was freed.
    QTest::newRow("nested deeper than the limit")
        << "<Par_Gen>" + QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000) +
               "</Par_Gen>"
        << none << "nested deeper than 32 (line 1, column";
    QTest::newRow("larger than 1 MiB") << "<Par_Gen/><!--" + QByteArray(1024 * 1024, ' ') + "-->"
                                       << none << "larger than 1048576 bytes";
    QTest::newRow("a device") << QByteArray() << "/dev/zero"
                              << "not a regular file";
}

void Test_Parameters::load_not_well_formed() {
    QFETCH(QByteArray, content);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    if (On_Windows && !target.isEmpty())
        QSKIP("device files and symbolic links to them are Linux's");
    Program_Folder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    if (target.isEmpty())
        Write_Test_File(path, content);
    else
        QVERIFY(QFile::link(target, path));
    try {
        Load_ParGen(path);
        QFAIL("a broken file loaded");
    } catch (const Core_Error &error) {
        QVERIFY2(error.message().contains(path) && error.message().contains(reason),
                 qPrintable(error.message()));
    }
}

void Test_Parameters::save_form_and_round_trip() {
    Program_Folder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    Save_ParGen(Default_ParGen(), path);
    const QByteArray defaults = Read_Test_File(path);
    QVERIFY(defaults.startsWith("<Par_Gen><Modbus_TCP_Slave_IP1>192</Modbus_TCP_Slave_IP1>"
                                "<Modbus_TCP_Slave_IP2>168</Modbus_TCP_Slave_IP2>"));
    QVERIFY(defaults.contains("<Modbus_TCP_Slave_GAT4>1</Modbus_TCP_Slave_GAT4>"
                              "<Modbus_TCP_Slave_EN_GAT>0</Modbus_TCP_Slave_EN_GAT>"
                              "<Modbus_TCP_Slave_Port>502</Modbus_TCP_Slave_Port>"
                              "<Modbus_TCP_Slave_2_IP1>192</Modbus_TCP_Slave_2_IP1>"));
    QVERIFY(defaults.trimmed().endsWith("<OPTIONS_OFFSET_REGISTERS>0</OPTIONS_OFFSET_REGISTERS>"
                                        "<OPTIONS_OFFSET_STATUS>0</OPTIONS_OFFSET_STATUS></Par_Gen>"
                                        "<!--SW_VERSION = 1.000-->"));
    QCOMPARE(defaults.count("</"), 31);

    // Texts survive as typed, also those that are not numbers in a disabled gateway.
    ParGen_Params odd = Default_ParGen();
    odd.Modbus_TCP_Slave_IP1 = QStringLiteral("007");
    odd.Modbus_TCP_Slave_IP2 = QStringLiteral("$FF");
    odd.Modbus_TCP_Slave_GAT3 = QStringLiteral("abc");
    odd.Modbus_TCP_Slave_2_EN_GAT = true;
    odd.Modbus_TCP_Slave_2_Port = QStringLiteral("+503");
    odd.OPTIONS_OFFSET_REGISTERS = QStringLiteral("<&>");
    odd.OPTIONS_OFFSET_STATUS = QString();
    odd.Modbus_TCP_Slave_2_GAT1 = QStringLiteral("   ");
    odd.Modbus_TCP_Slave_2_GAT2 = QStringLiteral("1\r\n2\r");
    Save_ParGen(odd, path);
    QVERIFY(Read_Test_File(path).contains("<Modbus_TCP_Slave_GAT3>abc</Modbus_TCP_Slave_GAT3>"
                                          "<Modbus_TCP_Slave_GAT4>1</Modbus_TCP_Slave_GAT4>"
                                          "<Modbus_TCP_Slave_EN_GAT>0</Modbus_TCP_Slave_EN_GAT>"));
    QCOMPARE(Load_ParGen(path), odd);

    // A disabled gateway's bytes are not checked and mean nothing to the device: characters
    // that XML cannot hold are dropped from them, so the file still reads. Checked fields
    // never get that far, as their rule refuses such a text.
    ParGen_Params control = Default_ParGen();
    control.Modbus_TCP_Slave_GAT1 =
        QStringLiteral("1\x01\x1B\uFFFE") + QChar(0xD800) + QStringLiteral("9");
    Save_ParGen(control, path);
    control.Modbus_TCP_Slave_GAT1 = QStringLiteral("19");
    QCOMPARE(Load_ParGen(path), control);
}

void Test_Parameters::save_failure_keeps_old_file() {
    SKIP_UNLESS_READ_ONLY_FOLDERS();
    Program_Folder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    Save_ParGen(Default_ParGen(), path);
    const QByteArray before = Read_Test_File(path);
    {
        Read_Only_Folder guard(folder.path());
        QVERIFY_THROWS_EXCEPTION(Core_Error, Save_ParGen(Keys_Params(), path));
    }
    QCOMPARE(Read_Test_File(path), before);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("ParGen.xml")});
    QVERIFY_THROWS_EXCEPTION(
        Core_Error, Save_ParGen(Keys_Params(), folder.file(QStringLiteral("no/ParGen.xml"))));
}

void Test_Parameters::save_writes_only_what_reads_back_data() {
    QTest::addColumn<QChar>("filler"); // every text as long as a field takes, of this character
    QTest::addColumn<bool>("written");
    QTest::newRow("digits") << QChar(u'0') << true;
    // Written as "&amp;", five bytes each.
    QTest::newRow("ampersands") << QChar(u'&') << false;
    // Three bytes each in UTF-8.
    QTest::newRow("euro signs") << QChar(u'\u20AC') << false;
}

void Test_Parameters::save_writes_only_what_reads_back() {
    QFETCH(QChar, filler);
    QFETCH(bool, written);
    Program_Folder folder;
    const QString path = folder.file(QStringLiteral("ParGen.xml"));
    Save_ParGen(Default_ParGen(), path);
    const QByteArray before = Read_Test_File(path);
    ParGen_Params params = Default_ParGen();
    for (const ParGen_Key &key : ParGen_Keys()) {
        if (key.Text)
            params.*key.Text = QString(ParGen_Value_Limit, filler);
    }
    if (written) {
        Save_ParGen(params, path);
        QCOMPARE(Load_ParGen(path), params);
        return;
    }
    // Larger than any reader takes: refused before the old file is touched.
    try {
        Save_ParGen(params, path);
        QFAIL("a file larger than the readers take was written");
    } catch (const Core_Error &error) {
        QVERIFY2(error.message().contains(path) &&
                     error.message().contains(QLatin1String("1048576")),
                 qPrintable(error.message()));
    }
    QCOMPARE(Read_Test_File(path), before);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("ParGen.xml")});
}

void Test_Parameters::rules_data() {
    using P = ParGen_Params;
    QTest::addColumn<ParGen_Params>("params");
    QTest::addColumn<int>("message"); // 0: every rule passes
    QTest::newRow("defaults") << Default_ParGen() << 0;
    QTest::newRow("empty byte") << With(&P::Modbus_TCP_Slave_IP3, "") << 843;
    QTest::newRow("256") << With(&P::Modbus_TCP_Slave_SM1, "256") << 845;
    QTest::newRow("trailing blank") << With(&P::Modbus_TCP_Slave_2_IP1, "7 ") << 877;
    QTest::newRow("control character") << With(&P::Modbus_TCP_Slave_IP2, "7\x01") << 842;
    QTest::newRow("control character in an enabled gateway") << With(&P::Modbus_TCP_Slave_2_GAT4,
                                                                     "\x01"
                                                                     "7",
                                                                     false, true)
                                                             << 888;
    QTest::newRow("negative") << With(&P::Modbus_TCP_Slave_2_SM4, "-1") << 884;
    QTest::newRow("leading zeros") << With(&P::Modbus_TCP_Slave_IP1, "007") << 0;
    QTest::newRow("leading blank") << With(&P::Modbus_TCP_Slave_IP1, " 7") << 0;
    QTest::newRow("plus sign") << With(&P::Modbus_TCP_Slave_IP1, "+7") << 0;
    QTest::newRow("$FF") << With(&P::Modbus_TCP_Slave_IP1, "$FF") << 0;
    QTest::newRow("0x100") << With(&P::Modbus_TCP_Slave_IP1, "0x100") << 841;
    QTest::newRow("mask 255.0.255.0 and address 0.0.0.0") << [] {
        ParGen_Params p = Default_ParGen();
        p.Modbus_TCP_Slave_SM2 = p.Modbus_TCP_Slave_IP1 = p.Modbus_TCP_Slave_IP2 =
            p.Modbus_TCP_Slave_IP3 = p.Modbus_TCP_Slave_IP4 = QStringLiteral("0");
        return p;
    }() << 0;
    QTest::newRow("port 0") << With(&P::Modbus_TCP_Slave_Port, "0") << 0;
    QTest::newRow("port 65535") << With(&P::Modbus_TCP_Slave_Port, "65535") << 0;
    QTest::newRow("port 65536") << With(&P::Modbus_TCP_Slave_Port, "65536") << 853;
    QTest::newRow("port 10000") << With(&P::Modbus_TCP_Slave_Port, "10000") << 853;
    QTest::newRow("port $2710") << With(&P::Modbus_TCP_Slave_Port, "$2710") << 853;
    QTest::newRow("port 9999") << With(&P::Modbus_TCP_Slave_Port, "9999") << 0;
    QTest::newRow("port 10001") << With(&P::Modbus_TCP_Slave_Port, "10001") << 0;
    QTest::newRow("port 2 10000") << With(&P::Modbus_TCP_Slave_2_Port, "10000") << 889;
    QTest::newRow("offset 61535") << With(&P::OPTIONS_OFFSET_REGISTERS, "61535") << 0;
    QTest::newRow("offset 61536") << With(&P::OPTIONS_OFFSET_REGISTERS, "61536") << 856;
    QTest::newRow("status 65535") << With(&P::OPTIONS_OFFSET_STATUS, "65535") << 857;
    QTest::newRow("letters in disabled gateway 1") << With(&P::Modbus_TCP_Slave_GAT1, "abc") << 0;
    QTest::newRow("letters in enabled gateway 1")
        << With(&P::Modbus_TCP_Slave_GAT1, "abc", true) << 849;
    QTest::newRow("gateway 2 byte 4 enabled")
        << With(&P::Modbus_TCP_Slave_2_GAT4, "300", false, true) << 888;
    QTest::newRow("gateway 2 enabled does not check gateway 1")
        << With(&P::Modbus_TCP_Slave_GAT4, "300", false, true) << 0;
    QTest::newRow("endpoint 2 before offset") << [] {
        ParGen_Params p = With(&P::Modbus_TCP_Slave_2_IP2, "x");
        p.OPTIONS_OFFSET_STATUS = QStringLiteral("70000");
        return p;
    }() << 878;
    QTest::newRow("port 1 before endpoint 2 address") << [] {
        ParGen_Params p = With(&P::Modbus_TCP_Slave_Port, "10000");
        p.Modbus_TCP_Slave_2_IP1 = QStringLiteral("999");
        return p;
    }() << 853;
}

void Test_Parameters::rules() {
    QFETCH(ParGen_Params, params);
    QFETCH(int, message);
    QCOMPARE(First_Failed_Rule(params).value_or(0), message);
}

QTEST_GUILESS_MAIN(Test_Parameters)
#include "tst_parameters.moc"
