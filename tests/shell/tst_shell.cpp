#include "support/TestSupport.h"

#include "app/Startup.h"
#include "app/WindowMarker.h"
#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "shell/SettingsFile.h"
#include "update/UpdateLock.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <limits>

namespace {

const QByteArray Full_Settings =
    "<Conf_Settings><lastproj><projectname>Plant A</projectname></lastproj>"
    "<lastipadd><ipaddress>10.0.0.7</ipaddress></lastipadd>"
    "<lastlang><language>Deutsch</language></lastlang>"
    "<lastinternet><enable_internet>1</enable_internet>"
    "<enable_update>1</enable_update>"
    "<enable_jump_field_tables>1</enable_jump_field_tables>"
    "<Double_Click_Auto_Size>1</Double_Click_Auto_Size>"
    "</lastinternet></Conf_Settings>";

QString Flags(const AppState &state) {
    QString flags;
    for (bool flag : {state.Enable_Internet, state.Enable_Update, state.Enable_Jump_Field_Tables,
                      state.Double_Click_Auto_Size, state.Check_After_Update})
        flags += flag ? QLatin1Char('1') : QLatin1Char('0');
    return flags;
}

} // namespace

class Test_Shell : public QObject {
    Q_OBJECT

private slots:
    void settings_load_data();
    void settings_load();
    void settings_save_is_canonical();
    void settings_save_failure_keeps_file();
    void settings_save_keeps_unreadable_file_aside_data();
    void settings_save_keeps_unreadable_file_aside();
    void settings_save_keeps_few_unreadable_files();
    void first_start_in_empty_folder();
    void remembered_configuration_data();
    void remembered_configuration();
    void start_keeps_existing_folders();
    void text_to_int_def_data();
    void text_to_int_def();
    void decimal_int_data();
    void decimal_int();
    void split_ip_address_data();
    void split_ip_address();
    void create_configuration_data();
    void create_configuration();
    void window_marker();
};

void Test_Shell::settings_load_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("flags");

    const QString def_ip = Def_IP_Address;
    const QString english = Def_Language_Name;
    QTest::newRow("no file") << QByteArray() << QString() << def_ip << english << "00001";
    QTest::newRow("all set") << Full_Settings << "Plant A"
                             << "10.0.0.7"
                             << "Deutsch"
                             << "11111";
    QTest::newRow("declaration and comment before the root")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!-- kept by hand -->" + Full_Settings
        << "Plant A"
        << "10.0.0.7"
        << "Deutsch"
        << "11111";
    QTest::newRow("root of another name")
        << QByteArray(Full_Settings).replace("Conf_Settings", "Other") << "Plant A"
        << "10.0.0.7"
        << "Deutsch"
        << "11111";
    QTest::newRow("root without children")
        << QByteArray("<Conf_Settings/>") << QString() << def_ip << english << "00001";
    QTest::newRow("not XML") << QByteArray("<Conf_Settings><lastproj>") << QString() << def_ip
                             << english << "00001";
    QTest::newRow("lastinternet missing")
        << QByteArray(
               "<C><lastproj><projectname>P</projectname></lastproj><lastipadd><ipaddress>"
               "1.2.3.4</ipaddress></lastipadd><lastlang><language>L</language></lastlang></C>")
        << "P"
        << "1.2.3.4"
        << "L"
        << "00001";
    QTest::newRow("flags other than 1 are off")
        << QByteArray("<C><lastinternet><enable_internet>true</enable_internet><enable_update> 1 "
                      "</enable_update><enable_jump_field_tables/>"
                      "<double_click_auto_size>1</double_click_auto_size>"
                      "<check_after_update>true</check_after_update></lastinternet></C>")
        << QString() << def_ip << english << "00000";
    QTest::newRow("check after update turned off")
        << QByteArray("<C><lastinternet><check_after_update>0</check_after_update>"
                      "</lastinternet></C>")
        << QString() << def_ip << english << "00000";
    QTest::newRow("flags in order, each read alone")
        << QByteArray("<C><lastinternet><Double_Click_Auto_Size>1</Double_Click_Auto_Size>"
                      "<enable_update>1</enable_update></lastinternet></C>")
        << QString() << def_ip << english << "01011";
    QTest::newRow("empty values stay empty")
        << QByteArray("<C><lastproj><projectname/></lastproj><lastipadd><ipaddress></ipaddress>"
                      "</lastipadd><lastlang><language/></lastlang></C>")
        << QString() << QString() << QString() << "00001";
    QTest::newRow("element content takes the default, first element wins")
        << QByteArray("<C><lastipadd><ipaddress><b>1.1.1.1</b></ipaddress></lastipadd>"
                      "<lastproj><projectname>First</projectname></lastproj>"
                      "<lastproj><projectname>Second</projectname></lastproj></C>")
        << "First" << def_ip << english << "00001";
    QTest::newRow("text kept untrimmed") << QByteArray("<C><lastproj><projectname>  P  "
                                                       "</projectname></lastproj></C>")
                                         << "  P  " << def_ip << english << "00001";
    QTest::newRow("text of blanks only kept")
        << QByteArray("<C><lastproj><projectname>   </projectname></lastproj><lastipadd>"
                      "<ipaddress>\t</ipaddress></lastipadd><lastlang><language>\n</language>"
                      "</lastlang></C>")
        << "   "
        << "\t"
        << "\n"
        << "00001";
    // Refused as not well-formed: real files are three levels deep.
    QTest::newRow("nested deeper than the limit")
        << Full_Settings.left(Full_Settings.size() - 16) + QByteArray("<x>").repeated(40) +
               QByteArray("</x>").repeated(40) + "</Conf_Settings>"
        << QString() << def_ip << english << "00001";
    QTest::newRow("larger than 1 MiB")
        << Full_Settings + "<!--" + QByteArray(1024 * 1024, ' ') + "-->" << QString() << def_ip
        << english << "00001";
    QTest::newRow("a device, not a file")
        << QByteArray() << QString() << def_ip << english << "00001";
}

void Test_Shell::settings_load() {
    QFETCH(QByteArray, content);
    Program_Folder folder;
    const QString path = folder.file(Settings_File_Name);
    if (!content.isEmpty())
        Write_Test_File(path, content);
    if (QTest::currentDataTag() == QByteArray("a device, not a file"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    AppState state;
    state.Proj_Dir = QStringLiteral("stale");
    state.Language_Name = QStringLiteral("stale");
    Load_Settings(state, path);
    QTEST(state.Proj_Name, "project");
    QTEST(state.Last_IP_Address, "address");
    QTEST(state.Language_Name, "language");
    QTEST(Flags(state), "flags");
    QVERIFY(state.Proj_Dir.isEmpty());
}

void Test_Shell::settings_save_is_canonical() {
    Program_Folder folder;
    const QString path = folder.file(Settings_File_Name);
    Write_Test_File(path, "<?xml version=\"1.0\"?>\n<Old>\n  <extra>hand-made</extra>\n" +
                              Full_Settings.mid(15, Full_Settings.size() - 31) + "</Old>");
    AppState state;
    Load_Settings(state, path);
    state.Enable_Update = false;
    Save_Settings(state, path);
    QCOMPARE(Read_Test_File(path),
             QByteArray("<Conf_Settings><lastproj><projectname>Plant A</projectname></lastproj>"
                        "<lastipadd><ipaddress>10.0.0.7</ipaddress></lastipadd>"
                        "<lastlang><language>Deutsch</language></lastlang>"
                        "<lastinternet><enable_internet>1</enable_internet>"
                        "<enable_update>0</enable_update>"
                        "<enable_jump_field_tables>1</enable_jump_field_tables>"
                        "<Double_Click_Auto_Size>1</Double_Click_Auto_Size>"
                        "<check_after_update>1</check_after_update>"
                        "</lastinternet></Conf_Settings>"));
    AppState again;
    Load_Settings(again, path);
    QCOMPARE(again.Proj_Name, state.Proj_Name);
    QCOMPARE(Flags(again), QStringLiteral("10111"));

    state.Proj_Name.clear();
    Save_Settings(state, path);
    Load_Settings(again, path);
    QCOMPARE(again.Proj_Name, QString());
    QCOMPARE(again.Last_IP_Address, state.Last_IP_Address);
}

void Test_Shell::settings_save_failure_keeps_file() {
    SKIP_UNLESS_READ_ONLY_FOLDERS();
    Program_Folder folder;
    const QString path = folder.file(Settings_File_Name);
    Write_Test_File(path, Full_Settings);
    AppState state;
    {
        Read_Only_Folder guard(folder.path());
        try {
            Save_Settings(state, path);
            QFAIL("a write into a read-only folder reported success");
        } catch (const Core_Error &error) {
            QVERIFY2(error.message().contains(QLatin1String("denied")),
                     qPrintable(error.message()));
            QVERIFY(error.message().contains(path));
        }
    }
    QCOMPARE(Read_Test_File(path), Full_Settings);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{Settings_File_Name});
}

void Test_Shell::settings_save_keeps_unreadable_file_aside_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<bool>("keptAside");

    QTest::newRow("no file") << QByteArray() << false;
    QTest::newRow("readable: rewritten in place") << Full_Settings << false;
    QTest::newRow("cut short") << Full_Settings.left(Full_Settings.size() / 2) << true;
    QTest::newRow("larger than 1 MiB")
        << Full_Settings + "<!--" + QByteArray(1024 * 1024, ' ') + "-->" << true;
    QTest::newRow("no XML") << QByteArray("\x00\x01\xFF garbage", 12) << true;
}

void Test_Shell::settings_save_keeps_unreadable_file_aside() {
    QFETCH(QByteArray, content);
    QFETCH(bool, keptAside);
    Program_Folder folder;
    const QString path = folder.file(Settings_File_Name);
    if (!content.isEmpty())
        Write_Test_File(path, content);
    AppState state;
    Load_Settings(state, path);
    state.Last_IP_Address = QStringLiteral("10.9.8.7");

    const QString aside = Save_Settings(state, path);
    AppState saved;
    Load_Settings(saved, path);
    QCOMPARE(saved.Last_IP_Address, QStringLiteral("10.9.8.7"));
    const QStringList others = QDir(folder.path())
                                   .entryList(QDir::Files | QDir::Hidden)
                                   .filter(QStringLiteral("unreadable"));
    if (!keptAside) {
        QCOMPARE(aside, QString());
        QCOMPARE(others, QStringList());
        // Written once, the file is readable: the next save keeps nothing aside.
        QCOMPARE(Save_Settings(state, path), QString());
        return;
    }
    // Beside the settings file, named after it and the time in UTC, holding what it held.
    QCOMPARE(others.size(), 1);
    QCOMPARE(aside, folder.file(others.first()));
    QVERIFY2(QRegularExpression(QStringLiteral("^Roziduduve\\.xml\\.unreadable-\\d{8}T\\d{6}Z$"))
                 .match(others.first())
                 .hasMatch(),
             qPrintable(others.first()));
    QCOMPARE(Read_Test_File(aside), content);
    QCOMPARE(Save_Settings(state, path), QString());
    QCOMPARE(Read_Test_File(aside), content);
}

void Test_Shell::settings_save_keeps_few_unreadable_files() {
    Program_Folder folder;
    const QString path = folder.file(Settings_File_Name);
    const QString older = path + QStringLiteral(".unreadable-2001010%1T000000Z");
    for (int day = 1; day <= 4; ++day)
        Write_Test_File(older.arg(day), "older " + QByteArray::number(day));
    AppState state;
    for (int round = 0; round < 2; ++round) {
        // Files made in the same second get a number after the time.
        Write_Test_File(path, "<Conf_Settings>");
        QVERIFY(!Save_Settings(state, path).isEmpty());
    }
    const QStringList kept =
        QDir(folder.path()).entryList({Settings_File_Name + QStringLiteral(".unreadable-*")});
    QCOMPARE(kept.size(), Kept_Unreadable_Settings);
    QCOMPARE(kept.first(), QFileInfo(older.arg(4)).fileName());
    for (const QString &name : kept.mid(1))
        QCOMPARE(Read_Test_File(folder.file(name)), QByteArray("<Conf_Settings>"));
}

void Test_Shell::first_start_in_empty_folder() {
    Program_Folder folder;
    App.Last_Read_Back = false;
    Start_Core(folder.path() + QLatin1Char('/'));
    // The program keeps its paths with the platform's separators.
    QCOMPARE(App.App_Dir, QDir::toNativeSeparators(folder.path()));
    QCOMPARE(App.Projects_Dir, QDir::toNativeSeparators(folder.file(QStringLiteral("PROJECTS"))));
    for (const char *name : {"MASTER", "PROJECTS", "LANGUAGE"})
        QVERIFY(QFileInfo(folder.file(QLatin1String(name))).isDir());
    QVERIFY(App.Proj_Dir.isEmpty());
    QCOMPARE(App.Last_IP_Address, QStringLiteral("192.168.2.205"));
    QCOMPARE(App.Language_Name, QStringLiteral("English"));
    QCOMPARE(Flags(App), QStringLiteral("00001"));
    QVERIFY(!Update_Timer_Wanted());
    QCOMPARE(App.Window_Title, Def_Window_Title);
    QCOMPARE(App.SW_Code, QStringLiteral("CF20914"));
    QCOMPARE(App.SW_Description, QStringLiteral("Modbus TCP Slave / Modbus TCP Slave - Converter"));
    QCOMPARE(App.ParGen_File, QDir::toNativeSeparators(QStringLiteral("/ParGen.xml")));
    QVERIFY(App.Last_Read_Back);
    QCOMPARE(App.Last_Update_Option, 0);
    QCOMPARE(Lang_Count, 900);
    QCOMPARE(Lang_Strings.at(9), QStringLiteral("None Configuration Opened "));
    QVERIFY(!QFileInfo::exists(folder.file(Settings_File_Name)));
}

void Test_Shell::remembered_configuration_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder"); // created below PROJECTS before start-up
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("timer");
    QTest::newRow("present") << "Plant A"
                             << "Plant A" << true << true;
    QTest::newRow("deleted") << "Plant A" << QString() << false << true;
    QTest::newRow("a file, not a folder") << "Plant A" << QString() << false << false;
    QTest::newRow("name leading outside PROJECTS") << "../MASTER"
                                                   << "x" << false << false;
    QTest::newRow("PROJECTS itself") << "."
                                     << "x" << false << false;
    // Windows drops the blanks at the end of a name: "   " would be PROJECTS itself there.
    QTest::newRow("blanks only") << "   "
                                 << "   " << !On_Windows << false;
}

void Test_Shell::remembered_configuration() {
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QFETCH(bool, active);
    QFETCH(bool, timer);
    Program_Folder program;
    const QString projects = program.file(QStringLiteral("PROJECTS"));
    QDir().mkpath(projects);
    if (!folder.isEmpty())
        QDir(projects).mkdir(folder);
    if (QTest::currentDataTag() == QByteArray("a file, not a folder"))
        Write_Test_File(projects + QLatin1Char('/') + name, "x");
    AppState saved;
    saved.Proj_Name = name;
    saved.Enable_Internet = true;
    saved.Enable_Update = timer;
    Save_Settings(saved, program.file(Settings_File_Name));

    Start_Core(program.path());
    QCOMPARE(App.Proj_Name, name);
    QCOMPARE(Update_Timer_Wanted(), timer);
    if (active) {
        QCOMPARE(App.Proj_Dir, QDir::toNativeSeparators(projects + QLatin1Char('/') + name));
        QCOMPARE(App.ParGen_File,
                 QDir::toNativeSeparators(App.Proj_Dir + QStringLiteral("/ParGen.xml")));
    } else {
        QVERIFY(App.Proj_Dir.isEmpty());
    }
    // The remembered name is written back as it was, active or not.
    Save_Settings(App, Settings_File_Path(App));
    AppState reloaded;
    Load_Settings(reloaded, Settings_File_Path(App));
    QCOMPARE(reloaded.Proj_Name, name);
}

void Test_Shell::start_keeps_existing_folders() {
    Program_Folder program;
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Plant/bin"));
    QDir(program.path()).mkdir(QStringLiteral("MASTER"));
    QDir(program.path()).mkdir(QStringLiteral("LANGUAGE"));
    Write_Test_File(program.file(QStringLiteral("MASTER/sim20914.sim")), "firmware");
    Write_Test_File(program.file(QStringLiteral("LANGUAGE/Deutsch.lng")), "STR15 = Neu\n");
    AppState saved;
    saved.Language_Name = QStringLiteral("Deutsch");
    Save_Settings(saved, program.file(Settings_File_Name));
    const QByteArray settings = Read_Test_File(program.file(Settings_File_Name));

    Start_Core(program.path());
    QCOMPARE(App.Language_Name, QStringLiteral("Deutsch"));
    QCOMPARE(Lang_Strings.at(15), QStringLiteral("Neu"));
    QCOMPARE(Read_Test_File(program.file(QStringLiteral("MASTER/sim20914.sim"))),
             QByteArray("firmware"));
    QCOMPARE(Read_Test_File(program.file(Settings_File_Name)), settings);
    QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({QStringLiteral("LANGUAGE"), QStringLiteral("MASTER"),
                          QStringLiteral("PROJECTS"), Settings_File_Name}));
}

void Test_Shell::text_to_int_def_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    const int def = -77;
    const auto row = [](const char *text, int value) {
        QTest::newRow(text) << QString::fromLatin1(text) << value;
    };
    row("0", 0);
    row("255", 255);
    row("007", 7);
    row(" 7", 7);
    row("   +7", 7);
    row("-12", -12);
    row("2147483647", 2147483647);
    row("-2147483648", -2147483647 - 1);
    row("00000000000000000009", 9);
    row("$FF", 255);
    row("$ff", 255);
    row("xA", 10);
    row("X1f", 31);
    row("0x100", 256);
    row("0XfF", 255);
    row("-$10", -16);
    row("$FFFFFFFF", -1);
    row("$80000000", -2147483647 - 1);
    row("-$80000000", -2147483647 - 1);
    row("$0000000000FF", 255);
    // Everything below is refused and yields the default.
    row("", def);
    row("   ", def);
    row("+", def);
    row("-", def);
    row("$", def);
    row("0x", def);
    row("-0x", def);
    row("7 ", def);
    row("\t7", def);
    row("7.0", def);
    row("1e3", def);
    row("2147483648", def);
    row("-2147483649", def);
    row("$100000000", def);
    row("--7", def);
    row("+-7", def);
    row("$-7", def);
    row("0x0x1", def);
    row("$G", def);
    row("12a", def);
    row("\xb2", def); // a superscript two is no digit
}

void Test_Shell::text_to_int_def() {
    QFETCH(QString, text);
    QTEST(Text_To_Int_Def(text, -77), "value");
}

void Test_Shell::decimal_int_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: refused
    QTest::newRow("digits") << "0899" << 899;
    QTest::newRow("sign") << "-12" << -12;
    QTest::newRow("plus") << "+7" << 7;
    QTest::newRow("line feed after the digits") << "1\n" << -1;
    QTest::newRow("blank after the digits") << "1 " << -1;
    QTest::newRow("blank before the digits") << " 1" << -1;
    QTest::newRow("hexadecimal") << "$1F" << -1;
    QTest::newRow("beyond int") << "2147483648" << -1;
    QTest::newRow("empty") << "" << -1;
}

void Test_Shell::decimal_int() {
    QFETCH(QString, text);
    QTEST(Decimal_Int(text).value_or(-1), "value");
}

void Test_Shell::split_ip_address_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("plain") << "192.168.2.205" << true
                           << QStringList{QStringLiteral("192"), QStringLiteral("168"),
                                          QStringLiteral("2"), QStringLiteral("205")};
    QTest::newRow("blanks around every dot and at both ends")
        << " 10 . 0 . 0 . 1 " << true
        << QStringList{QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"),
                       QStringLiteral("1")};
    QTest::newRow("tab and line end trimmed")
        << "\t1.2.3.4\r\n"
        << true
        << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                       QStringLiteral("4")};
    QTest::newRow("five parts") << "1.2.3.4.5" << false
                                << QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                               QStringLiteral("3"), QStringLiteral("4.5")};
    QTest::newRow("three parts") << "1.2.3" << false << QStringList();
    QTest::newRow("part above 255") << "1.2.3.256" << false
                                    << QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                                   QStringLiteral("3"), QStringLiteral("256")};
    QTest::newRow("hexadecimal part") << "$C0.168.0.1" << true
                                      << QStringList{QStringLiteral("$C0"), QStringLiteral("168"),
                                                     QStringLiteral("0"), QStringLiteral("1")};
    QTest::newRow("empty part") << "1..3.4" << false
                                << QStringList{QStringLiteral("1"), QString(), QStringLiteral("3"),
                                               QStringLiteral("4")};
    QTest::newRow("empty") << "" << false << QStringList();
    QTest::newRow("control character after the address")
        << "10.0.0.1\x01" << true
        << QStringList{QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("0"),
                       QStringLiteral("1")};
}

void Test_Shell::split_ip_address() {
    QFETCH(QString, text);
    QFETCH(QStringList, parts);
    QFETCH(bool, accepted);
    std::array<QString, 4> out;
    QCOMPARE(Split_IP_Address(text, out), accepted);
    if (!parts.isEmpty())
        QCOMPARE(QStringList(out.begin(), out.end()), parts);
    // The address a job file gets: the checked parts, nothing around them.
    QCOMPARE(Checked_IP_Address(text),
             accepted ? std::optional<QString>(parts.join(QLatin1Char('.'))) : std::nullopt);
}

void Test_Shell::create_configuration_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::newRow("new name") << "Plant A" << int(Create_OK);
    // Names that Windows would not keep as they are: it drops blanks and dots at the end,
    // reads ":" as a stream of a file, refuses <>"|?* and keeps the device names for devices.
    const int kept_outside_windows = On_Windows ? int(Create_Name_Refused) : int(Create_OK);
    QTest::newRow("blanks only") << "   " << kept_outside_windows;
    QTest::newRow("dot at the end") << "Plant." << kept_outside_windows;
    QTest::newRow("colon") << "Plant:A" << kept_outside_windows;
    QTest::newRow("question mark") << "Plant?" << kept_outside_windows;
    QTest::newRow("device name") << "nul" << kept_outside_windows;
    QTest::newRow("device name with extension") << "COM1.txt" << kept_outside_windows;
    QTest::newRow("device name inside a name") << "Console" << int(Create_OK);
    QTest::newRow("empty") << "" << int(Create_Name_Empty);
    QTest::newRow("existing") << "Existing" << int(Create_Folder_Exists);
    QTest::newRow("slash") << "Existing/inner" << int(Create_Name_Refused);
    QTest::newRow("backslash") << "..\\escape" << int(Create_Name_Refused);
    QTest::newRow("parent") << ".." << int(Create_Name_Refused);
    QTest::newRow("itself") << "." << int(Create_Name_Refused);
    QTest::newRow("absolute") << "/tmp/elsewhere" << int(Create_Name_Refused);
    QTest::newRow("a file of that name") << "notes.txt" << int(Create_Name_Refused);
    // The settings file could not hold these names.
    QTest::newRow("control character") << "Plant\x01"
                                          "A"
                                       << int(Create_Name_Refused);
    QTest::newRow("noncharacter") << QStringLiteral("Plant\uFFFF") << int(Create_Name_Refused);
    // Characters that reorder or hide what a terminal or a list shows count as control
    // characters.
    QTest::newRow("right-to-left override")
        << QStringLiteral("Plant\u202Etxt") << int(Create_Name_Refused);
    QTest::newRow("bidi isolate") << QStringLiteral("Plant\u2067A") << int(Create_Name_Refused);
    QTest::newRow("line separator") << QStringLiteral("Plant\u2028A") << int(Create_Name_Refused);
    QTest::newRow("zero-width joiner") << QStringLiteral("Pla\u200Dnt") << int(Create_Name_Refused);
    QTest::newRow("byte-order mark") << QStringLiteral("\uFEFFPlant") << int(Create_Name_Refused);
    // Hidden names are never listed, and the program keeps its own entries under them.
    QTest::newRow("hidden") << ".Plant" << int(Create_Name_Refused);
    // The lock file "<name>.lock.takeover" must fit the file system's 255.
    QTest::newRow("longest name") << QString(241, QLatin1Char('n')) << int(Create_OK);
    QTest::newRow("too long for its lock")
        << QString(242, QLatin1Char('n')) << int(Create_Name_Refused);
}

void Test_Shell::create_configuration() {
    QFETCH(QString, name);
    QFETCH(int, result);
    Program_Folder program;
    Start_Core(program.path());
    QDir(App.Projects_Dir).mkdir(QStringLiteral("Existing"));
    Write_Test_File(App.Projects_Dir + QStringLiteral("/notes.txt"), "x");
    App.Proj_Name = QStringLiteral("Before");
    const QStringList before =
        QDir(App.Projects_Dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    const QStringList program_before =
        QDir(program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QCOMPARE(int(Create_Configuration(name)), result);
    if (result == Create_OK) {
        // The folder came whole out of its scratch folder, which is gone.
        QCOMPARE(QDir(App.Projects_Dir)
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                     .size(),
                 before.size() + 1);
        const QString folder = QDir::toNativeSeparators(App.Projects_Dir + QLatin1Char('/') + name);
        QVERIFY(QFileInfo(folder + QStringLiteral("/bin")).isDir());
        QCOMPARE(App.Proj_Name, name);
        QCOMPARE(App.Proj_Dir, folder);
        QCOMPARE(App.ParGen_File, QDir::toNativeSeparators(folder + QStringLiteral("/ParGen.xml")));
        QCOMPARE(int(Create_Configuration(name)), int(Create_Folder_Exists));
    } else {
        QCOMPARE(App.Proj_Name, QStringLiteral("Before"));
        QVERIFY(App.Proj_Dir.isEmpty());
        QCOMPARE(QDir(App.Projects_Dir)
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 before);
        QVERIFY(!QFileInfo::exists(App.Projects_Dir + QStringLiteral("/Existing/inner")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/elsewhere")));
    }
    QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             program_before);
}

void Test_Shell::window_marker() {
    const Program_Folder folder;
    QVERIFY(!Window_Running(folder.path()));
    {
        const Window_Marker marker(folder.path());
        QVERIFY(Window_Running(folder.path()));
    }
    QVERIFY(!QFileInfo::exists(folder.file(Window_Marker_File_Name)));
    QVERIFY(!Window_Running(folder.path()));
    // A window that crashed left its marker; its process has ended, so it no longer counts.
    Update_Lock_Holder ended = This_Process();
    ended.Pid = std::numeric_limits<int>::max();
    Write_Test_File(folder.file(Window_Marker_File_Name), Lock_File_Text(ended));
    QVERIFY(!Window_Running(folder.path()));
    // One of another computer cannot be judged from here, and counts.
    Update_Lock_Holder elsewhere = This_Process();
    elsewhere.Host = QStringLiteral("another-host.invalid");
    Write_Test_File(folder.file(Window_Marker_File_Name), Lock_File_Text(elsewhere));
    QVERIFY(Window_Running(folder.path()));
}

QTEST_GUILESS_MAIN(Test_Shell)
#include "tst_shell.moc"
