#include "support/TestSupport.h"

#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// The language files and flags that are installed into the program folder.
const QString Shipped_Dir = QStringLiteral(CF_SHIPPED_LANGUAGE_DIR);

const QString English = QStringLiteral("English");

struct Shipped_Language {
    QString Name;
    // English texts a technician of the language keeps as they are (compared ignoring case).
    QStringList Kept;
};

QList<Shipped_Language> Shipped_Languages() {
    const QStringList everywhere{QStringLiteral("OK"),
                                 QStringLiteral("%1: %2"),
                                 QStringLiteral("?"),
                                 QStringLiteral("/"),
                                 QStringLiteral("Ethernet"),
                                 QStringLiteral("Firmware"),
                                 QStringLiteral("Modbus Slave"),
                                 QStringLiteral("Modbus TCP Slave"),
                                 QStringLiteral("Modbus TCP Slave 2")};
    return {
        {English, {}},
        {QStringLiteral("Deutsch"),
         everywhere + QStringList{QStringLiteral("Baudrate"), QStringLiteral("Gateway"),
                                  QStringLiteral("Port")}},
        {QStringLiteral("Fran\u00e7ais"),
         everywhere + QStringList{QStringLiteral("Configuration"), QStringLiteral("Options"),
                                  QStringLiteral("Page"), QStringLiteral("Port")}},
        {QStringLiteral("Italiano"),
         everywhere + QStringList{QStringLiteral("Baudrate"), QStringLiteral("Control Word"),
                                  QStringLiteral("Gateway"), QStringLiteral("Status Word")}},
        {QStringLiteral("Espa\u00f1ol"),
         everywhere + QStringList{QStringLiteral("Firmware: %1, %2 bytes, %3")}},
    };
}

void Add_Language_Rows() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("kept");
    for (const Shipped_Language &language : Shipped_Languages())
        QTest::newRow(language.Name.toUtf8().constData()) << language.Name << language.Kept;
}

QString Shipped_File(const QString &name, const char *extension) {
    return Shipped_Dir + QLatin1Char('/') + name + QLatin1String(extension);
}

// The entries the shipped English.lng deliberately words otherwise than the built-in texts,
// which stay as they are: a text true to this device and plain misspellings corrected.
const QMap<int, QString> Corrected_English = {
    {23, QStringLiteral("Set the communication parameters of the two Modbus TCP endpoints")},
    {202, QStringLiteral("List of Available Configurations")},
    {629, QStringLiteral("Search VLM Device in Network")},
};

// The built-in texts with the corrections of English.lng.
QStringList Shipped_English() {
    Fill_Default_Lang();
    QStringList texts = Lang_Strings;
    for (auto entry = Corrected_English.cbegin(); entry != Corrected_English.cend(); ++entry)
        texts[entry.key()] = entry.value();
    return texts;
}

// The locale each shipped language names for Qt's own texts; English names none.
const QMap<QString, QString> Shipped_Locales = {
    {QStringLiteral("Deutsch"), QStringLiteral("de")},
    {QStringLiteral("Espa\u00f1ol"), QStringLiteral("es")},
    {QStringLiteral("Fran\u00e7ais"), QStringLiteral("fr")},
    {QStringLiteral("Italiano"), QStringLiteral("it")},
};

// Stands in every entry before a file is read, so whatever the file leaves alone shows.
const QString Untouched = QStringLiteral("\u0001untouched");

QStringList English_Defaults() {
    Fill_Default_Lang();
    return Lang_Strings;
}

// Reads a language file over a table in which no entry is set yet.
void Read_Over_Untouched(const QString &path) {
    Fill_Default_Lang();
    for (QString &text : Lang_Strings)
        text = Untouched;
    Read_Lang_File(path);
}

// The blanks (as the reader trims them) a text begins or ends with.
QString Leading_Blanks(const QString &text) {
    qsizetype n = 0;
    while (n < text.size() && text.at(n).unicode() <= 32)
        ++n;
    return text.left(n);
}
QString Trailing_Blanks(const QString &text) {
    qsizetype n = 0;
    while (n < text.size() && text.at(text.size() - 1 - n).unicode() <= 32)
        ++n;
    return text.right(n);
}

} // namespace

class Test_Shipped_Languages : public QObject {
    Q_OBJECT

private slots:
    void every_language_is_tested();
    void utf8_with_mark_data() { Add_Language_Rows(); }
    void utf8_with_mark();
    void every_line_understood_data() { Add_Language_Rows(); }
    void every_line_understood();
    void entries_data() { Add_Language_Rows(); }
    void entries();
    void load_language_data() { Add_Language_Rows(); }
    void load_language();
    void qt_texts_available_data() { Add_Language_Rows(); }
    void qt_texts_available();
    void french_punctuation();
    void flags_data();
    void flags();
};

// A language file added to the folder without a row here would go unchecked.
void Test_Shipped_Languages::every_language_is_tested() {
    QStringList shipped;
    for (const QString &file : QDir(Shipped_Dir).entryList({QStringLiteral("*.lng")}, QDir::Files))
        shipped.append(file.chopped(4));
    QStringList tested;
    for (const Shipped_Language &language : Shipped_Languages())
        tested.append(language.Name);
    shipped.sort();
    tested.sort();
    QCOMPARE(shipped, tested);
}

void Test_Shipped_Languages::utf8_with_mark() {
    QFETCH(QString, language);
    const QByteArray bytes = Read_Test_File(Shipped_File(language, ".lng"));
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    QVERIFY2(!utf8.hasError(), "not valid UTF-8");
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
}

// Every line is empty, a remark starting with ";" or an entry the reader takes: one line at a
// time, it sets exactly the entry its index names. An index appears once only, as a second
// line would silently replace the first.
void Test_Shipped_Languages::every_line_understood() {
    QFETCH(QString, language);
    static const QRegularExpression Entry_Line(QStringLiteral("^STR([0-9]+) = \\S"));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString one_line = dir.filePath(QStringLiteral("Line.lng"));
    QSet<int> seen;
    int line_number = 0;
    for (const QString &raw : Read_Text_Lines(Shipped_File(language, ".lng"))) {
        ++line_number;
        const QString line = Trim_Controls(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        const QByteArray where = QByteArray::number(line_number) + ": " + line.toUtf8().left(60);
        const QRegularExpressionMatch match = Entry_Line.match(line);
        QVERIFY2(match.hasMatch(),
                 QByteArray("neither remark nor entry line, " + where).constData());
        const int index = match.captured(1).toInt();
        QVERIFY2(!seen.contains(index), QByteArray("index given twice, " + where).constData());
        seen.insert(index);

        QFile file(one_line);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("\xEF\xBB\xBF" + line.toUtf8());
        file.close();
        Read_Over_Untouched(one_line);
        QList<int> set;
        for (int i = 0; i < Lang_Strings.size(); ++i) {
            if (Lang_Strings.at(i) != Untouched)
                set.append(i);
        }
        QVERIFY2(set == QList<int>{index},
                 ("not taken as entry " + QByteArray::number(index) + ", " + where).constData());
    }
}

// The file sets exactly the entries with an English text, keeps their blanks at either end
// and, except for English itself, translates them.
void Test_Shipped_Languages::entries() {
    QFETCH(QString, language);
    QFETCH(QStringList, kept);
    const QStringList english = English_Defaults();
    Read_Over_Untouched(Shipped_File(language, ".lng"));
    QCOMPARE(Lang_Strings.size(), english.size());
    for (int i = 0; i < english.size(); ++i) {
        const QString &text = Lang_Strings.at(i);
        const QByteArray where = "entry " + QByteArray::number(i) + ": \"" + text.toUtf8() + '"';
        if (english.at(i) == QLatin1String(" ")) {
            QVERIFY2(text == Untouched,
                     QByteArray("sets an entry without English text, " + where).constData());
            continue;
        }
        QVERIFY2(text != Untouched, QByteArray("entry missing, " + where).constData());
        QVERIFY2(!Trim_Controls(text).isEmpty(), QByteArray("blank text, " + where).constData());
        QVERIFY2(Leading_Blanks(text) == Leading_Blanks(english.at(i)),
                 QByteArray("blanks at the start differ from English, " + where).constData());
        QVERIFY2(Trailing_Blanks(text) == Trailing_Blanks(english.at(i)),
                 QByteArray("blanks at the end differ from English, " + where).constData());
        if (language == English)
            QVERIFY2(text == Corrected_English.value(i, english.at(i)),
                     QByteArray("differs from the built-in text, " + where).constData());
        else if (text == english.at(i))
            QVERIFY2(kept.contains(Trim_Controls(text), Qt::CaseInsensitive),
                     QByteArray("left in English, " + where).constData());
    }
}

// Chosen by name as the program does at start-up, the file is found and laid over the
// defaults, with its locale; English brings back exactly the built-in texts (with its
// corrections) and Qt's English after another language.
void Test_Shipped_Languages::load_language() {
    QFETCH(QString, language);
    const QStringList defaults = Shipped_English();
    App.Language_Dir = Shipped_Dir;
    App.Language_Name = language == English ? QStringLiteral("Deutsch") : language;
    Load_Language();
    QCOMPARE(App.Language_Name, language == English ? QStringLiteral("Deutsch") : language);
    QCOMPARE(Lang_Count, Lang_Size);
    QVERIFY(Lang_Strings != defaults);
    QCOMPARE(Lang_Locale, Shipped_Locales.value(App.Language_Name));
    if (language == English) {
        App.Language_Name = English;
        Load_Language();
        QCOMPARE(App.Language_Name, English);
        QCOMPARE(Lang_Strings, defaults);
        QCOMPARE(Lang_Locale, QString());
    }
}

// Qt's own texts for the locale of each shipped language are where the install step takes
// them from.
void Test_Shipped_Languages::qt_texts_available() {
    QFETCH(QString, language);
    const QString locale = Shipped_Locales.value(language);
    if (locale.isEmpty())
        QSKIP("names no locale: Qt's English");
    const QString file = Qt_Translation_File(QStringLiteral(CF_QT_TRANSLATIONS_DIR), locale);
    QVERIFY2(QFileInfo(file).isFile(), qPrintable(file + QLatin1String(" missing")));
}

// French sets a no-break space before "!", "?", ":" and ";", so the mark never starts a line.
void Test_Shipped_Languages::french_punctuation() {
    Read_Over_Untouched(Shipped_File(QStringLiteral("Fran\u00e7ais"), ".lng"));
    static const QRegularExpression Without_No_Break(QStringLiteral("[^\u00a0][!?:;]"));
    for (int i = 0; i < Lang_Strings.size(); ++i) {
        const QString &text = Lang_Strings.at(i);
        if (text == Untouched)
            continue;
        QVERIFY2(!(QLatin1Char(' ') + text).contains(Without_No_Break),
                 qPrintable(QStringLiteral("entry %1: \"%2\"").arg(i).arg(text)));
    }
}

void Test_Shipped_Languages::flags_data() {
    QTest::addColumn<QString>("name");
    for (const Shipped_Language &language : Shipped_Languages())
        QTest::newRow(language.Name.toUtf8().constData()) << language.Name;
    QTest::newRow("DefaultFlag") << QStringLiteral("DefaultFlag");
}

// Each flag is a 48 x 48 uncompressed 24-bit BMP.
void Test_Shipped_Languages::flags() {
    QFETCH(QString, name);
    const QString path = Shipped_File(name, ".bmp");
    const QByteArray bytes = Read_Test_File(path);
    QVERIFY(bytes.size() > 54);
    QVERIFY(bytes.startsWith("BM"));
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 28), quint16(24)); // bits per pixel
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 30), quint32(0));  // no compression
    QImage picture;
    QVERIFY(picture.load(path, "BMP"));
    QCOMPARE(picture.size(), QSize(48, 48));
}

QTEST_GUILESS_MAIN(Test_Shipped_Languages)
#include "tst_shipped_languages.moc"
