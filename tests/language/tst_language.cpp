#include "support/TestSupport.h"

#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "shell/AppState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

// Lays a language file with the given bytes over the default texts.
void Read_Test_Language(const QByteArray &content) {
    Program_Folder folder;
    const QString path = folder.file(QStringLiteral("Test.lng"));
    Write_Test_File(path, content);
    Read_Lang_File(path);
}

} // namespace

class Test_Language : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void entry_lines_data();
    void entry_lines();
    void encodings_data();
    void encodings();
    void load_language_data();
    void load_language();
    void locale_line_data();
    void locale_line();
};

void Test_Language::defaults() {
    Fill_Default_Lang();
    Fill_Default_Lang();
    QCOMPARE(Lang_Count, 900);
    QCOMPARE(Lang_Strings.size(), 900);
    const std::pair<int, const char *> expected[] = {
        {0, "Begin"},
        {9, "None Configuration Opened "},
        {11, "Opened Configuration of the Converter : "},
        {24,
         "Update the actual Firmware and/or Configuration in the device using the Ethernet port"},
        {25, " "},
        {105, "Error! Name project is not valid"},
        {305, "Page "},
        {306, " / "},
        {317, " to "},
        {318, "?"},
        {406, " Serial "},
        {602, "Update Device by Ethernet (UDP)"},
        {637, "Error!!! Check the Ip Address"},
        {853,
         "Error Modbus TCP Slave!! Port must be between 0 and 65535, and different from 10000"},
        {857, "Error Options!! Offset Status must be between 0 and 61535"},
        {889,
         "Error Modbus TCP Slave 2!! Port must be between 0 and 65535, and different from 10000"},
        {898, "Save anyway?"},
        {899, " "},
    };
    for (const auto &[index, text] : expected)
        QCOMPARE(Lang_Strings.at(index), QLatin1String(text));
    QCOMPARE(Lang_Strings.count(QStringLiteral(" ")), 469);
}

void Test_Language::entry_lines_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    const QString def17 = QStringLiteral("Update Device");
    QTest::newRow("plain") << QByteArray("STR17 = Update Firmware") << 17 << "Update Firmware";
    QTest::newRow("character before = is never index")
        << QByteArray("STR17= Update") << 1 << "Update";
    QTest::newRow("blank inside index") << QByteArray("STR 17 = Update") << 17 << "Update";
    QTest::newRow("many blanks") << QByteArray("STR17    =     Update    ") << 17 << "Update";
    QTest::newRow("indented with blanks and tabs")
        << QByteArray(" \t STR17 = Update") << 17 << "Update";
    QTest::newRow("lower-case str ignored") << QByteArray("str17 = Update") << 17 << def17;
    QTest::newRow("last index") << QByteArray("STR899 = Last") << 899 << "Last";
    QTest::newRow("index 900 ignored") << QByteArray("STR900 = X") << 17 << def17;
    QTest::newRow("negative index ignored") << QByteArray("STR-1 = X") << 17 << def17;
    QTest::newRow("index not a number") << QByteArray("STRx = X") << 17 << def17;
    QTest::newRow("no equals sign") << QByteArray("STR17 X") << 17 << def17;
    QTest::newRow("nothing after =") << QByteArray("STR17 =") << 17 << def17;
    QTest::newRow("only blanks after =") << QByteArray("STR17 =    ") << 17 << def17;
    QTest::newRow("remark alone") << QByteArray("STR17 = /#/ remark") << 17 << def17;
    QTest::newRow("remark dropped") << QByteArray("STR17 = Update /#/ remark") << 17 << "Update";
    QTest::newRow("= inside the value") << QByteArray("STR17 = a=b") << 17 << "a=b";
    QTest::newRow("pilcrows keep blanks") << QByteArray("STR317 = \xb6 to \xb6") << 317 << " to ";
    QTest::newRow("opening pilcrow only") << QByteArray("STR317 = \xb6 to ") << 317 << " to";
    QTest::newRow("pilcrow cuts") << QByteArray("STR17 = A\xb6"
                                                "B")
                                  << 17 << "A";
    QTest::newRow("lone pilcrow empties") << QByteArray("STR17 = \xb6") << 17 << "";
    QTest::newRow("later line wins")
        << QByteArray("STR17 = First\nSTR17 = Second") << 17 << "Second";
    QTest::newRow("headers and bad lines around a good one")
        << QByteArray("[Deutsch]\n\nSTR17 X\nSTR17 = Gut\n; remark\nSTR900 = X") << 17 << "Gut";
    QTest::newRow("same default elsewhere untouched") << QByteArray("STR103 = Bene") << 203 << "OK";
    QTest::newRow("placeholder may be set") << QByteArray("STR25 = Extra") << 25 << "Extra";
}

void Test_Language::entry_lines() {
    QFETCH(QByteArray, file);
    Read_Test_Language(file);
    QFETCH(int, index);
    QTEST(Lang_Strings.at(index), "text");
    QCOMPARE(Lang_Strings.size(), 900);
}

void Test_Language::encodings_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text15");
    QTest::addColumn<QString>("text16");
    const QString neu = QStringLiteral("Neue Konfiguration \u20ac\u00fc");
    const QString auf = QStringLiteral("\u00d6ffnen");
    const QString line15 = QStringLiteral("STR15 = ") + neu;
    const QString line16 = QStringLiteral("STR16 = ") + auf;
    const auto utf16 = [&](const QString &text, bool little) {
        QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (QChar c : text) {
            const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
            bytes.append(little ? lo : hi).append(little ? hi : lo);
        }
        return bytes;
    };
    QTest::newRow("UTF-8 with mark, CR LF")
        << "\xEF\xBB\xBF" + (line15 + QStringLiteral("\r\n") + line16).toUtf8() << neu << auf;
    QTest::newRow("UTF-16 LE, lone LF")
        << utf16(line15 + QLatin1Char('\n') + line16, true) << neu << auf;
    QTest::newRow("UTF-16 BE, lone CR")
        << utf16(line15 + QLatin1Char('\r') + line16, false) << neu << auf;
    QTest::newRow("no mark is windows-1252")
        << QByteArray("STR15 = Neue Konfiguration \x80\xfc\r\nSTR16 = \xd6"
                      "ffnen\r\n")
        << neu << auf;
    QTest::newRow("UTF-8 without mark is read as ANSI")
        << QByteArray("STR15 = \xc3\xbc\nSTR16 = \xc3\x96") << QStringLiteral("\u00c3\u00bc")
        << QStringLiteral("\u00c3\u2013");
}

void Test_Language::encodings() {
    QFETCH(QByteArray, file);
    Read_Test_Language(file);
    QTEST(Lang_Strings.at(15), "text15");
    QTEST(Lang_Strings.at(16), "text16");
}

void Test_Language::load_language_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("files"); // name=content, or name=->target for a link
    QTest::addColumn<QString>("result_language");
    QTest::addColumn<QString>("text15");
    QTest::addColumn<QString>("text16");
    const QString def15 = QStringLiteral("New Configuration");
    const QString def16 = QStringLiteral("Open Configuration");
    QTest::newRow("English without file")
        << "English" << QStringList() << "English" << def15 << def16;
    QTest::newRow("language file laid over defaults")
        << "Deutsch" << QStringList{QStringLiteral("Deutsch=STR15 = Neu")} << "Deutsch"
        << "Neu" << def16;
    QTest::newRow("missing language falls back to English.lng")
        << "Deutsch" << QStringList{QStringLiteral("English=STR16 = Open it")} << "English" << def15
        << "Open it";
    QTest::newRow("missing language without English.lng")
        << "Deutsch" << QStringList{QStringLiteral("Italiano=STR15 = Nuova")} << "English" << def15
        << def16;
    QTest::newRow("empty language name") << "" << QStringList() << "English" << def15 << def16;
    // A name that is a path names no language, whatever file it would reach.
    const QString elsewhere = QStringLiteral("STR15 = Elsewhere");
    const QString english = QStringLiteral("English=STR16 = Open it");
    for (const char *name : {"sub/Deutsch", "sub\\Deutsch", "..", "."}) {
        QTest::addRow("name %s is no language", name)
            << QString::fromLatin1(name)
            << QStringList{QLatin1String(name) + QLatin1Char('=') + elsewhere, english} << "English"
            << def15 << "Open it";
    }
    QTest::newRow("a device instead of a file, the defaults stay")
        << "Zero" << QStringList{QStringLiteral("Zero=->/dev/zero")} << "Zero" << def15 << def16;
}

void Test_Language::load_language() {
    QFETCH(QString, language);
    QFETCH(QStringList, files);
    Program_Folder folder;
    App.Language_Dir = folder.path();
    for (const QString &file : files) {
        const QString path =
            folder.file(file.section(QLatin1Char('='), 0, 0) + QStringLiteral(".lng"));
        const QString content = file.section(QLatin1Char('='), 1);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (content.startsWith(QLatin1String("->")))
            QVERIFY(QFile::link(content.mid(2), path));
        else
            Write_Test_File(path, content.toLatin1());
    }
    // What an earlier language left in the table never survives the reload.
    Lang_Strings[15] = QStringLiteral("left over");
    Lang_Strings[16] = QStringLiteral("left over");
    App.Language_Name = language;
    Load_Language();
    QTEST(App.Language_Name, "result_language");
    QTEST(Lang_Strings.at(15), "text15");
    QTEST(Lang_Strings.at(16), "text16");
    QCOMPARE(Lang_Count, 900);
}

void Test_Language::locale_line_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("locale");
    QTest::newRow("none") << QByteArray("STR15 = Neu\n") << QString();
    QTest::newRow("language") << QByteArray("; Locale = de\r\nSTR15 = Neu\r\n") << "de";
    QTest::newRow("language and country, spaced freely")
        << QByteArray(";locale=pt_BR  \nSTR15 = Novo\n") << "pt_BR";
    QTest::newRow("the last line counts") << QByteArray("; Locale = de\n; Locale = fr\n") << "fr";
    QTest::newRow("in an entry it is text") << QByteArray("STR15 = ; Locale = de\n") << QString();
    QTest::newRow("after a remark mark it is no locale line")
        << QByteArray("; the Locale = de line names Qt's texts\n") << QString();
    // The name becomes part of a file name: nothing but a plain locale name is taken.
    for (const char *name : {"../de", "de/..", "d", "de fr", "de.qm", "*"}) {
        QTest::addRow("%s is no locale", name) << QByteArray("; Locale = ") + name + "\n"
                                               << QString();
    }
}

// A language file names the locale of Qt's own texts in a remark line; Load_Language keeps it
// and forgets it with the next language.
void Test_Language::locale_line() {
    QFETCH(QByteArray, content);
    Program_Folder folder;
    App.Language_Dir = QDir::toNativeSeparators(folder.path()); // as the program keeps it
    Write_Test_File(folder.file(QStringLiteral("Test.lng")), content);
    Lang_Locale = QStringLiteral("left over");
    App.Language_Name = QStringLiteral("Test");
    Load_Language();
    QTEST(Lang_Locale, "locale");
    QCOMPARE(Lang_Strings.at(16), QStringLiteral("Open Configuration"));
    QFETCH(QString, locale);
    QCOMPARE(Qt_Translation_File(App.Language_Dir, locale),
             locale.isEmpty() ? QString()
                              : QDir::toNativeSeparators(folder.file(
                                    QStringLiteral("qtbase_") + locale + QLatin1String(".qm"))));
}

QTEST_GUILESS_MAIN(Test_Language)
#include "tst_language.moc"
