#include "support/TestSupport.h"

#include "image/Bank.h"
#include "platform/CoreError.h"
#include "shell/AppState.h"

#include <QDir>
#include <QTest>

namespace {

const QByteArray Both_Enabled = "<Par_Gen><Modbus_TCP_Slave_EN_GAT>1</Modbus_TCP_Slave_EN_GAT>"
                                "<Modbus_TCP_Slave_2_EN_GAT>1</Modbus_TCP_Slave_2_EN_GAT>";

QByteArray Enabled_With(const QByteArray &keys) {
    return Both_Enabled + keys + "</Par_Gen>";
}

QByteArray Staged_Image() {
    return QByteArray(reinterpret_cast<const char *>(Bank_Buffer.data()), Bank_Length);
}

// A configuration folder with its parameter file, made active.
void Activate(const Program_Folder &program, const QByteArray &pargen) {
    App.Proj_Dir = program.file(QStringLiteral("PROJECTS/Plant"));
    QDir().mkpath(App.Proj_Dir);
    Set_Files();
    if (!pargen.isNull())
        Write_Test_File(App.ParGen_File, pargen);
}

} // namespace

class Test_Image : public QObject {
    Q_OBJECT

private slots:
    void compile_data();
    void compile();
    void compile_starts_from_scratch();
    void not_well_formed_keeps_old_image();
    void save_creates_bin_folder();
    void save_failure_is_reported();
};

void Test_Image::compile_data() {
    QTest::addColumn<QByteArray>("pargen");  // null: no file
    QTest::addColumn<QStringList>("fields"); // "offset=hex bytes" that must stand there
    QTest::addColumn<quint32>("checksum");

    const QStringList defaults = {
        QStringLiteral("028=C0A80005"), QStringLiteral("02C=FFFFFF00"),
        QStringLiteral("030=C0A80001"), QStringLiteral("034=1027"),
        QStringLiteral("036=F601F601"), QStringLiteral("150=C0A80006"),
        QStringLiteral("154=FFFFFF00"), QStringLiteral("158=C0A80001"),
        QStringLiteral("15C=F701F701"), QStringLiteral("160=0000000000000000")};
    QTest::newRow("no file") << QByteArray()
                             << QStringList{QStringLiteral("028=000000000000000000000000"),
                                            QStringLiteral("034=1027"),
                                            QStringLiteral("036=00000000"),
                                            QStringLiteral("7FC=37000000")}
                             << quint32(55);
    QTest::newRow("only the enable keys") << Enabled_With({}) << defaults << quint32(4028);
    QTest::newRow("both gateways off")
        << QByteArray("<Par_Gen><Modbus_TCP_Slave_EN_GAT>0</Modbus_TCP_Slave_EN_GAT>"
                      "<Modbus_TCP_Slave_2_EN_GAT>0</Modbus_TCP_Slave_2_EN_GAT></Par_Gen>")
        << QStringList{QStringLiteral("030=FFFFFFFF"), QStringLiteral("158=FFFFFFFF"),
                       QStringLiteral("7FC=E2140000")}
        << quint32(5346);
    QTest::newRow("one octet more")
        << Enabled_With("<Modbus_TCP_Slave_IP4>6</Modbus_TCP_Slave_IP4>")
        << QStringList{QStringLiteral("028=C0A80006"), QStringLiteral("7FC=BD0F0000")}
        << quint32(4029);
    QTest::newRow("one octet less")
        << Enabled_With("<Modbus_TCP_Slave_2_GAT4>0</Modbus_TCP_Slave_2_GAT4>")
        << QStringList{QStringLiteral("158=C0A80000")} << quint32(4027);
    QTest::newRow("port keeps its low 16 bits in both copies")
        << Enabled_With("<Modbus_TCP_Slave_Port>70000</Modbus_TCP_Slave_Port>")
        << QStringList{QStringLiteral("036=70117011")} << quint32(4028 - 494 + 2 * (0x70 + 0x11));
    QTest::newRow("offset -1") << Enabled_With(
                                      "<OPTIONS_OFFSET_REGISTERS>-1</OPTIONS_OFFSET_REGISTERS>")
                               << QStringList{QStringLiteral("160=FFFFFFFF00000000")}
                               << quint32(4028 + 1020);
    QTest::newRow("status offset hexadecimal")
        << Enabled_With("<OPTIONS_OFFSET_STATUS>$0102</OPTIONS_OFFSET_STATUS>")
        << QStringList{QStringLiteral("164=02010000")} << quint32(4031);
    QTest::newRow("octets keep their low 8 bits, hexadecimal read")
        << Enabled_With("<Modbus_TCP_Slave_IP1>300</Modbus_TCP_Slave_IP1>"
                        "<Modbus_TCP_Slave_IP2>$C0</Modbus_TCP_Slave_IP2>")
        << QStringList{QStringLiteral("028=2CC00005")} << quint32(4028 - 192 + 44 + 24);
    QTest::newRow("empty, non-numeric or nested text takes the image default")
        << Enabled_With("<Modbus_TCP_Slave_IP4></Modbus_TCP_Slave_IP4>"
                        "<Modbus_TCP_Slave_SM1>abc</Modbus_TCP_Slave_SM1>"
                        "<Modbus_TCP_Slave_2_IP4><v>9</v></Modbus_TCP_Slave_2_IP4>")
        << defaults << quint32(4028);
    QTest::newRow("endpoint 2 port defaults to 503")
        << Enabled_With("<Modbus_TCP_Slave_Port>502</Modbus_TCP_Slave_Port>")
        << QStringList{QStringLiteral("15C=F701F701")} << quint32(4028);
    for (const char *text : {"true", " 1", "", "01"}) {
        QTest::addRow("enable '%s' disables", text)
            << QByteArray("<Par_Gen><Modbus_TCP_Slave_EN_GAT>") + text +
                   "</Modbus_TCP_Slave_EN_GAT><Modbus_TCP_Slave_2_EN_GAT>1"
                   "</Modbus_TCP_Slave_2_EN_GAT></Par_Gen>"
            << QStringList{QStringLiteral("030=FFFFFFFF"), QStringLiteral("158=C0A80001")}
            << quint32(4028 + 4 * 255 - 361);
    }
    QTest::newRow("gateway bytes kept while enabled even if letters elsewhere")
        << Enabled_With("<Modbus_TCP_Slave_GAT1>10</Modbus_TCP_Slave_GAT1>")
        << QStringList{QStringLiteral("030=0AA80001")} << quint32(4028 - 182);
    QTest::newRow("declaration and comment before the root are skipped")
        << "<?xml version=\"1.0\"?><!-- copy --><?pi x?>" + Enabled_With({}) << defaults
        << quint32(4028);
    QTest::newRow("root of another name")
        << QByteArray(Enabled_With({})).replace("Par_Gen", "Root") << defaults << quint32(4028);
}

void Test_Image::compile() {
    QFETCH(QByteArray, pargen);
    QFETCH(QStringList, fields);
    QFETCH(quint32, checksum);
    Program_Folder program;
    Activate(program, pargen);
    Compile_Bank();
    QCOMPARE(Bank_Length, Bank_Size);
    const QByteArray image = Staged_Image();
    QCOMPARE(Read_U32(Bank_Buffer.data(), Bank_Checksum_Offset), checksum);
    QCOMPARE(Bank_Checksum(Bank_Buffer.data()), checksum);
    for (const QString &field : fields) {
        const int offset = field.section(QLatin1Char('='), 0, 0).toInt(nullptr, 16);
        const QByteArray bytes = QByteArray::fromHex(field.section(QLatin1Char('='), 1).toLatin1());
        QCOMPARE(image.mid(offset, bytes.size()).toHex(' '), bytes.toHex(' '));
    }
    // Reserved areas stay zero whatever the parameters are.
    for (const auto &[from, to] : {std::pair{0x000, 0x028}, {0x03A, 0x150}, {0x168, 0x7FC}})
        QCOMPARE(image.mid(from, to - from).count('\0'), to - from);

    Save_Bank();
    QCOMPARE(Read_Test_File(Bank_File_Path(App.Proj_Dir)), image);
}

void Test_Image::compile_starts_from_scratch() {
    Program_Folder program;
    Activate(program, Enabled_With("<OPTIONS_OFFSET_STATUS>-1</OPTIONS_OFFSET_STATUS>"));
    Compile_Bank();
    const QByteArray first = Staged_Image();
    Compile_Bank();
    QCOMPARE(Staged_Image(), first);
    QFile::remove(App.ParGen_File);
    Compile_Bank();
    QCOMPARE(Bank_Checksum(Bank_Buffer.data()), 55u);
    QCOMPARE(Bank_Length, Bank_Size);
}

void Test_Image::not_well_formed_keeps_old_image() {
    Program_Folder program;
    Activate(program, Enabled_With({}));
    Compile_Bank();
    Save_Bank();
    const QByteArray old = Read_Test_File(Bank_File_Path(App.Proj_Dir));
    Write_Test_File(App.ParGen_File, QByteArray());
    try {
        Compile_Bank();
        QFAIL("an empty parameter file compiled");
    } catch (const Core_Error &error) {
        QVERIFY2(error.message().contains(QLatin1String("line")), qPrintable(error.message()));
    }
    QCOMPARE(Read_Test_File(Bank_File_Path(App.Proj_Dir)), old);
}

void Test_Image::save_creates_bin_folder() {
    Program_Folder program;
    Activate(program, QByteArray());
    QVERIFY(!QFileInfo::exists(App.Proj_Dir + QStringLiteral("/bin")));
    Compile_Bank();
    Save_Bank();
    QCOMPARE(Read_Test_File(App.Proj_Dir + QStringLiteral("/bin/bank.bin")).size(), Bank_Size);
}

void Test_Image::save_failure_is_reported() {
    Program_Folder program;
    Activate(program, Enabled_With({}));
    Compile_Bank();
    Save_Bank();
    const QByteArray old = Read_Test_File(Bank_File_Path(App.Proj_Dir));
    Write_Test_File(App.ParGen_File,
                    Enabled_With("<Modbus_TCP_Slave_IP4>9</Modbus_TCP_Slave_IP4>"));
    Compile_Bank();
    SKIP_UNLESS_READ_ONLY_FOLDERS();
    {
        Read_Only_Folder guard(App.Proj_Dir + QStringLiteral("/bin"));
        try {
            Save_Bank();
            QFAIL("writing into a read-only folder reported success");
        } catch (const Core_Error &error) {
            QVERIFY2(error.message().contains(QLatin1String("bank.bin")) &&
                         error.message().contains(QLatin1String("denied")),
                     qPrintable(error.message()));
        }
    }
    QCOMPARE(Read_Test_File(Bank_File_Path(App.Proj_Dir)), old);

    // A missing bin folder that cannot be made is reported too.
    QDir(App.Proj_Dir + QStringLiteral("/bin")).removeRecursively();
    Read_Only_Folder guard(App.Proj_Dir);
    QVERIFY_THROWS_EXCEPTION(Core_Error, Save_Bank());
}

QTEST_GUILESS_MAIN(Test_Image)
#include "tst_image.moc"
