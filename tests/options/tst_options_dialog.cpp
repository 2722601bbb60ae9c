#include "support/GuiSupport.h"
#include "support/LoopbackServer.h"
#include "support/MessageRecorder.h"
#include "support/TestSupport.h"

#include "configurations/NewConfigurationDialog.h"
#include "configurations/OpenConfigurationDialog.h"
#include "language/LangStrings.h"
#include "options/FlagPicture.h"
#include "options/OptionsDialog.h"
#include "parameters/CommunicationDialog.h"
#include "shell/AppState.h"
#include "shell/SettingsFile.h"
#include "update/UpdateDialog.h"
#include "widgets/ProgramStyle.h"
#include "widgets/WebPages.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QScreen>
#include <QTest>

namespace {

// A language file that renames one control of every window, the language page's own texts
// and the pick question.
const QByteArray Deutsch_File = "\xEF\xBB\xBF"
                                "STR15 = Neue Konfiguration\n"
                                "STR100 = Neu anlegen\n"
                                "STR200 = Offnen\n"
                                "STR302 = Sprache\n"
                                "STR304 = ¶Gewahlte Sprache: ¶\n"
                                "STR305 = ¶Seite ¶\n"
                                "STR306 = ¶ von ¶\n"
                                "STR316 = ¶Sprache wechseln von ¶\n"
                                "STR317 = ¶ nach ¶\n"
                                "STR602 = Gerat aktualisieren\n"
                                "STR800 = Kommunikation\n";

QString Language_File(const Program_Folder &program, const QString &name) {
    return program.file(QStringLiteral("LANGUAGE/") + name);
}

void Add_Languages(const Program_Folder &program, const QStringList &names) {
    for (const QString &name : names)
        Write_Test_File(Language_File(program, name + QLatin1String(".lng")), "STR0 = x\n");
}

void Write_Picture(const QString &path, const QSize &size, Qt::GlobalColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(path, "BMP"));
}

QStringList Texts(std::initializer_list<const char *> texts) {
    QStringList list;
    for (const char *text : texts)
        list << QString::fromUtf8(text);
    return list;
}

QStringList Shown_Names(const Options_Dialog *options) {
    QStringList names;
    for (const Click_Label *label : options->Name_Slots) {
        if (label->isVisibleTo(options->TS_Language))
            names << label->text();
    }
    return names;
}

// The program started on a fresh folder with its options dialog shown.
struct Options_Fixture {
    explicit Options_Fixture(const QStringList &languages = {}) {
        QDir(program.path()).mkpath(QStringLiteral("LANGUAGE"));
        Add_Languages(program, languages);
    }
    Options_Dialog *Show() {
        if (!main)
            main = Start_Program(program.path());
        options = main->Options_Window();
        options->show();
        if (!QTest::qWaitForWindowExposed(options))
            qFatal("the options dialog was not shown");
        return options;
    }
    Program_Folder program;
    Message_Recorder messages;
    std::unique_ptr<Main_Window> main;
    Options_Dialog *options = nullptr;
};

} // namespace

class Test_Options_Dialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void layout_and_showing();
    void enable_rules_data();
    void enable_rules();
    void clicks_follow_the_rules();
    void cancel_commits_nothing_data();
    void cancel_commits_nothing();
    void ok_commits_saves_and_starts_timer();
    void check_button_data();
    void check_button();
    void pages_data();
    void pages();
    void listing_and_names();
    void flags();
    void read_flag_data();
    void read_flag();
    void pick_no_changes_nothing();
    void pick_yes_switches_every_window();
    void pick_then_ok_is_the_next_start();
    void pick_language_in_use_reloads();
};

void Test_Options_Dialog::initTestCase() {
    Keep_Http_On_This_Machine();
    Apply_Program_Style(*qApp);
    Set_Web_Page_Opener([](const QUrl &) {});
}

void Test_Options_Dialog::cleanup() {
    QTRY_VERIFY(std::none_of(QApplication::topLevelWidgets().cbegin(),
                             QApplication::topLevelWidgets().cend(),
                             [](const QWidget *w) { return w->isVisible(); }));
}

void Test_Options_Dialog::layout_and_showing() {
    Options_Fixture fixture;
    Options_Dialog *options = fixture.Show();
    QCOMPARE(options->size(), QSize(509, 373));
    QCOMPARE(options->windowTitle(), QStringLiteral("Software Options"));
    QCOMPARE(options->L_SW_Code->text(), QStringLiteral("CF20914"));
    QCOMPARE(options->L_SW_Desc->text(), QStringLiteral("Software Options"));
    QCOMPARE(options->P_Title->geometry(), QRect(0, 0, 509, 69));
    QCOMPARE(options->P_Button->geometry(), QRect(0, 333, 509, 40));
    QCOMPARE(options->PC_Options->count(), 3);
    QCOMPARE(options->PC_Options->widget(0), options->TS_Language);
    QCOMPARE(options->PC_Options->widget(1), options->TS_Connection);
    QCOMPARE(options->PC_Options->widget(2), options->TS_Soft_Settings);
    QCOMPARE(options->PC_Options->tabText(0), QStringLiteral("Language"));
    QCOMPARE(options->PC_Options->tabText(1), QStringLiteral("Connection Options"));
    QCOMPARE(options->PC_Options->tabText(2), QStringLiteral("Software Settings"));
    QCOMPARE(options->CB_Enable_Internet->pos(), QPoint(12, 16));
    QCOMPARE(options->CB_Update_At_Start->pos(), QPoint(36, 47));
    QCOMPARE(options->Btn_Check_Update->geometry(), QRect(36, 78, 204, 28));
    QCOMPARE(options->LL_Check_Update->pos(), QPoint(40, 120));
    QCOMPARE(options->CB_Jump_Field_Tables->pos(), QPoint(12, 16));
    QCOMPARE(options->CB_DoubleClick_Auto_Size->pos(), QPoint(12, 39));
    QCOMPARE(options->Btn_OK->geometry(), QRect(16, 6, 110, 28));
    QCOMPARE(options->Btn_Cancel->geometry(), QRect(134, 6, 110, 28));
    QCOMPARE(options->CB_Enable_Internet->text(), QStringLiteral("Enable Internet Connection"));
    QCOMPARE(options->CB_DoubleClick_Auto_Size->text(),
             QStringLiteral("Enable Auto Size of Table Columns by Double Click"));
    QCOMPARE(options->Btn_Check_Update->text(), QStringLiteral("Check Available Update"));
    QCOMPARE(options->L_Sel_Lang->text(), QStringLiteral("Selected Language : English"));

    // Whatever the last showing left, the next one opens on the Language tab with no result.
    options->PC_Options->setCurrentWidget(options->TS_Soft_Settings);
    options->LL_Check_Update->show();
    const QRect first_place = options->frameGeometry();
    options->Btn_Cancel->click();
    QVERIFY(!options->isVisible());
    fixture.Show();
    QCOMPARE(options->PC_Options->currentWidget(), options->TS_Language);
    // Every showing at the same place, in the middle of the screen (a window manager's frame
    // is known only after the first showing).
    QCOMPARE(options->frameGeometry(), first_place);
    QCOMPARE(options->geometry().center(), options->screen()->availableGeometry().center());
    QVERIFY(!options->LL_Check_Update->isVisibleTo(options->TS_Connection));
    options->Btn_Cancel->click();
    fixture.main->close();
}

void Test_Options_Dialog::enable_rules_data() {
    QTest::addColumn<bool>("internet");
    QTest::addColumn<bool>("update");
    QTest::addColumn<bool>("update_enabled");
    QTest::addColumn<bool>("check_enabled");
    QTest::newRow("both off") << false << false << false << false;
    QTest::newRow("update without internet") << false << true << false << false;
    QTest::newRow("internet only") << true << false << true << false;
    QTest::newRow("both on") << true << true << true << true;
}

void Test_Options_Dialog::enable_rules() {
    QFETCH(bool, internet);
    QFETCH(bool, update);
    QFETCH(bool, update_enabled);
    QFETCH(bool, check_enabled);
    Options_Fixture fixture;
    fixture.Show()->Btn_Cancel->click();
    // A dialog shown before keeps nothing of its own: each showing starts from AppState.
    App.Enable_Internet = internet;
    App.Enable_Update = update;
    Options_Dialog *options = fixture.Show();
    QCOMPARE(options->CB_Enable_Internet->isChecked(), internet);
    QCOMPARE(options->CB_Update_At_Start->isChecked(), update);
    QCOMPARE(options->CB_Update_At_Start->isEnabled(), update_enabled);
    QCOMPARE(options->Btn_Check_Update->isEnabled(), check_enabled);

    // OK keeps a disabled box's mark; the timer runs only with both.
    options->Btn_OK->click();
    QCOMPARE(App.Enable_Internet, internet);
    QCOMPARE(App.Enable_Update, update);
    QCOMPARE(fixture.main->Update_Check_Timer->isActive(), internet && update);
    fixture.main->close();
}

void Test_Options_Dialog::clicks_follow_the_rules() {
    Options_Fixture fixture;
    Options_Dialog *options = fixture.Show();
    options->PC_Options->setCurrentWidget(options->TS_Connection);
    QVERIFY(QTest::qWaitForWindowExposed(options->CB_Enable_Internet));
    const auto click = [](QCheckBox *box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    };
    click(options->CB_Enable_Internet);
    QVERIFY(options->CB_Update_At_Start->isEnabled());
    QVERIFY(!options->Btn_Check_Update->isEnabled());
    click(options->CB_Update_At_Start);
    QVERIFY(options->Btn_Check_Update->isEnabled());
    click(options->CB_Enable_Internet);
    QVERIFY(!options->CB_Update_At_Start->isEnabled());
    QVERIFY(options->CB_Update_At_Start->isChecked());
    QVERIFY(!options->Btn_Check_Update->isEnabled());
    options->Btn_Cancel->click();
    fixture.main->close();
}

void Test_Options_Dialog::cancel_commits_nothing_data() {
    QTest::addColumn<bool>("close_box");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void Test_Options_Dialog::cancel_commits_nothing() {
    QFETCH(bool, close_box);
    Options_Fixture fixture;
    Save_Settings(App, fixture.program.file(Settings_File_Name));
    const QByteArray settings = Read_Test_File(fixture.program.file(Settings_File_Name));
    fixture.main = Start_Program(fixture.program.path());
    When_Modal([close_box](QWidget *dialog) {
        auto *options = static_cast<Options_Dialog *>(dialog);
        for (QCheckBox *box : {options->CB_Enable_Internet, options->CB_Update_At_Start,
                               options->CB_Jump_Field_Tables, options->CB_DoubleClick_Auto_Size})
            box->setChecked(true);
        options->CB_Check_After_Update->setChecked(false);
        if (close_box)
            options->close();
        else
            options->Btn_Cancel->click();
    });
    QTest::mouseClick(fixture.main->Btn_Options, Qt::LeftButton);
    QVERIFY(!App.Enable_Internet && !App.Enable_Update && !App.Enable_Jump_Field_Tables &&
            !App.Double_Click_Auto_Size && App.Check_After_Update);
    QVERIFY(!fixture.main->Update_Check_Timer->isActive());
    QCOMPARE(Read_Test_File(fixture.program.file(Settings_File_Name)), settings);

    Options_Dialog *options = fixture.Show();
    QVERIFY(!options->CB_Enable_Internet->isChecked());
    QVERIFY(!options->CB_Update_At_Start->isChecked());
    QVERIFY(!options->CB_Update_At_Start->isEnabled());
    QVERIFY(!options->CB_Jump_Field_Tables->isChecked());
    QVERIFY(!options->CB_DoubleClick_Auto_Size->isChecked());
    QVERIFY(options->CB_Check_After_Update->isChecked());
    options->Btn_Cancel->click();
    fixture.main->close();
}

void Test_Options_Dialog::ok_commits_saves_and_starts_timer() {
    Options_Fixture fixture;
    fixture.main = Start_Program(fixture.program.path());
    When_Modal([](QWidget *dialog) {
        auto *options = static_cast<Options_Dialog *>(dialog);
        options->CB_Enable_Internet->setChecked(true);
        options->CB_Update_At_Start->setChecked(true);
        options->CB_DoubleClick_Auto_Size->setChecked(true);
        options->CB_Check_After_Update->setChecked(false);
        options->Btn_OK->click();
    });
    QTest::mouseClick(fixture.main->Btn_Options, Qt::LeftButton);
    QVERIFY(fixture.main->Update_Check_Timer->isActive());
    QCOMPARE(fixture.main->Update_Check_Timer->interval(), 60000);
    AppState saved;
    Load_Settings(saved, fixture.program.file(Settings_File_Name));
    QVERIFY(saved.Enable_Internet && saved.Enable_Update && saved.Double_Click_Auto_Size);
    QVERIFY(!saved.Enable_Jump_Field_Tables && !saved.Check_After_Update);
    QVERIFY(fixture.messages.Shown.isEmpty());

    // Confirming again with both still on does not restart the countdown's interval.
    fixture.main->Update_Check_Timer->setInterval(7200000);
    When_Modal([](QWidget *dialog) { static_cast<Options_Dialog *>(dialog)->Btn_OK->click(); });
    QTest::mouseClick(fixture.main->Btn_Options, Qt::LeftButton);
    QCOMPARE(fixture.main->Update_Check_Timer->interval(), 7200000);

    // A settings file that cannot be written is reported with its reason.
    SKIP_UNLESS_READ_ONLY_FOLDERS();
    {
        Read_Only_Folder guard(fixture.program.path());
        When_Modal([](QWidget *dialog) { static_cast<Options_Dialog *>(dialog)->Btn_OK->click(); });
        QTest::mouseClick(fixture.main->Btn_Options, Qt::LeftButton);
    }
    QCOMPARE(fixture.messages.Shown.size(), 1);
    QCOMPARE(fixture.messages.Shown.first().first, Message_Kind::Standard_Error);
    QVERIFY(fixture.messages.Shown.first().second.contains(QLatin1String("Permission denied")));
    fixture.main->close();
}

void Test_Options_Dialog::check_button_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("newer");
    QTest::newRow("newer") << QByteArray("VER. 1.001") << false << true;
    QTest::newRow("not newer") << QByteArray("VER. 1.000") << false << false;
    QTest::newRow("silent server") << QByteArray() << true << false;
}

void Test_Options_Dialog::check_button() {
    QFETCH(QByteArray, reply);
    QFETCH(bool, silent);
    QFETCH(bool, newer);
    Options_Fixture fixture;
    Options_Dialog *options = fixture.Show();
    // The boxes are ticked but not confirmed: the button checks all the same.
    options->CB_Enable_Internet->setChecked(true);
    options->CB_Update_At_Start->setChecked(true);
    QVERIFY(!App.Enable_Internet);
    Loopback_Server server(Reply(200, reply), silent ? Loopback_Server::Behaviour::Stay_Silent
                                                     : Loopback_Server::Behaviour::Answer);
    options->Version_Server = server.url();
    options->PC_Options->setCurrentWidget(options->TS_Connection);
    QTest::mouseClick(options->Btn_Check_Update, Qt::LeftButton);
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(options->LL_Check_Update->isVisible());
    const QString text = options->LL_Check_Update->text();
    if (newer) {
        QVERIFY2(text.contains(QStringLiteral(">New Version Available. Click Here for more "
                                              "Details</a>")),
                 qPrintable(text));
        QVERIFY(text.contains(Maker_Url(Download_Page_Path).toString()));
    } else {
        QCOMPARE(text, QStringLiteral("No Update Available"));
    }
    QVERIFY(fixture.messages.Shown.isEmpty());
    options->Btn_Cancel->click();
    fixture.main->close();
}

void Test_Options_Dialog::pages_data() {
    QTest::addColumn<int>("files");
    QTest::addColumn<QStringList>("page_texts"); // page 1, then after each Next
    QTest::addColumn<QList<int>>("slots_shown");
    QTest::newRow("none") << 0 << Texts({"Page 1 / 0", "Page 1 / 0"}) << QList<int>{0, 0};
    QTest::newRow("six") << 6 << Texts({"Page 1 / 1", "Page 1 / 1"}) << QList<int>{6, 6};
    QTest::newRow("seven") << 7 << Texts({"Page 1 / 2", "Page 2 / 2", "Page 2 / 2"})
                           << QList<int>{6, 1, 1};
    QTest::newRow("thirteen") << 13
                              << Texts({"Page 1 / 3", "Page 2 / 3", "Page 3 / 3", "Page 3 / 3"})
                              << QList<int>{6, 6, 1, 1};
}

void Test_Options_Dialog::pages() {
    QFETCH(int, files);
    QFETCH(QStringList, page_texts);
    QFETCH(QList<int>, slots_shown);
    QStringList names;
    for (int n = 0; n < files; ++n)
        names << QStringLiteral("Lang%1").arg(n, 2, 10, QLatin1Char('0'));
    Options_Fixture fixture(names);
    Options_Dialog *options = fixture.Show();
    for (int step = 0; step < page_texts.size(); ++step) {
        if (step > 0)
            options->Btn_NextClick(options->Btn_Next);
        const int page = options->Show_Page;
        QCOMPARE(options->L_Page_Lang->text(), page_texts.at(step));
        QCOMPARE(options->Btn_Prev->isVisibleTo(options), page != 1);
        QCOMPARE(options->Btn_Next->isVisibleTo(options), page != options->Page_Count());
        QCOMPARE(Shown_Names(options), names.mid((page - 1) * 6, slots_shown.at(step)));
    }
    // Back to the first page, one step at a time, and no further.
    for (int page = options->Show_Page; page >= 1; --page)
        options->Btn_NextClick(options->Btn_Prev);
    QCOMPARE(options->Show_Page, 1);
    QCOMPARE(Shown_Names(options), names.mid(0, 6));
    options->Btn_Cancel->click();
    fixture.main->close();
}

void Test_Options_Dialog::listing_and_names() {
    Options_Fixture fixture({QStringLiteral("deutsch"), QStringLiteral("English"),
                             QStringLiteral("Zulu"), QStringLiteral("italiano"),
                             QStringLiteral("Locked"), QStringLiteral("Target")});
    const QString folder = Language_File(fixture.program, QString());
    QFile::setPermissions(folder + QLatin1String("Locked.lng"), QFileDevice::ReadOwner);
    // Symbolic links, which are not offered: Link.lng to Target.lng, which becomes a link to
    // the renamed file. On Windows QFile::link makes shortcut files, which are no links.
    if (!On_Windows)
        QVERIFY(
            QFile::link(folder + QLatin1String("Target.lng"), folder + QLatin1String("Link.lng")));
    QVERIFY(QDir(folder).mkdir(QStringLiteral("Folder.lng")));
    Write_Test_File(folder + QLatin1String("Upper.LNG"), "STR0 = x\n");
    QVERIFY(
        QFile::rename(folder + QLatin1String("Target.lng"), folder + QLatin1String("Real.lng")));
    if (!On_Windows)
        QVERIFY(
            QFile::link(folder + QLatin1String("Real.lng"), folder + QLatin1String("Target.lng")));

    Options_Dialog *options = fixture.Show();
    // Windows opens "Upper.lng" as "Upper.LNG": its names ignore the case of letters.
    QStringList names{QStringLiteral("deutsch"), QStringLiteral("English"),
                      QStringLiteral("italiano"), QStringLiteral("Real"), QStringLiteral("Zulu")};
    QStringList files;
    for (const QString &name : names)
        files << name + QLatin1String(".lng");
    if (On_Windows) {
        names.insert(4, QStringLiteral("Upper"));
        files.insert(4, QStringLiteral("Upper.LNG"));
    }
    QCOMPARE(options->SL_Languages, files);
    QCOMPARE(Shown_Names(options), names);
    // Each showing lists the folder afresh.
    options->Btn_Cancel->click();
    Add_Languages(fixture.program, {QStringLiteral("Afrikaans")});
    fixture.Show();
    QCOMPARE(options->SL_Languages.first(), QStringLiteral("Afrikaans.lng"));
    options->Btn_Cancel->click();
    fixture.main->close();
}

void Test_Options_Dialog::flags() {
    Options_Fixture fixture({QStringLiteral("A_Own"), QStringLiteral("B_Wide"),
                             QStringLiteral("C_Broken"), QStringLiteral("D_None"),
                             QStringLiteral("E_Bomb"), QStringLiteral("F_Largest")});
    const auto flag = [&](const QString &name) {
        return Language_File(fixture.program, name + QLatin1String(".bmp"));
    };
    Write_Picture(flag(QStringLiteral("A_Own")), QSize(48, 48), Qt::red);
    Write_Picture(flag(QStringLiteral("B_Wide")), QSize(96, 48), Qt::blue);
    Write_Test_File(flag(QStringLiteral("C_Broken")), "not a picture");
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), flag(QStringLiteral("D_None"))));
    // A picture far larger than a flag, packed small: a PNG of 5790 x 5790 pixels in a few
    // kilobytes under a flag's name, which would take seconds and a hundred megabytes to
    // unpack. The largest one taken is 512 pixels a side.
    QImage bomb(5790, 5790, QImage::Format_Mono);
    bomb.setColorTable({qRgb(0, 0, 0), qRgb(0, 255, 0)});
    bomb.fill(1);
    QVERIFY(bomb.save(flag(QStringLiteral("E_Bomb")), "PNG"));
    QVERIFY(QFileInfo(flag(QStringLiteral("E_Bomb"))).size() < 100 * 1024);
    Write_Picture(flag(QStringLiteral("F_Largest")), QSize(512, 256), Qt::blue);

    // Without DefaultFlag.bmp a language with no flag of its own shows its name alone.
    Options_Dialog *options = fixture.Show();
    const auto picture = [options](int slot) {
        return options->Flag_Slots[slot]->pixmap().toImage();
    };
    const auto shown = [options](int slot) {
        return options->Flag_Slots[slot]->isVisibleTo(options->TS_Language);
    };
    QVERIFY(shown(0));
    QCOMPARE(picture(0).size(), QSize(48, 48));
    QCOMPARE(picture(0).pixelColor(24, 24), QColor(Qt::red));
    QCOMPARE(picture(1).size(), QSize(48, 24));
    QCOMPARE(picture(1).pixelColor(24, 12), QColor(Qt::blue));
    QVERIFY(!shown(2));
    QVERIFY(!shown(3));
    QVERIFY(!shown(4));
    QCOMPARE(picture(5).size(), QSize(48, 24));
    QCOMPARE(picture(5).pixelColor(24, 12), QColor(Qt::blue));
    QCOMPARE(Shown_Names(options).size(), 6);
    options->Btn_Cancel->click();

    Write_Picture(flag(QStringLiteral("DefaultFlag")), QSize(48, 48), Qt::gray);
    fixture.Show();
    for (int slot : {2, 3, 4}) {
        QVERIFY(shown(slot));
        QCOMPARE(picture(slot).pixelColor(24, 24), QColor(Qt::gray));
    }
    options->Btn_Cancel->click();
    fixture.main->close();
}

namespace {

QByteArray Picture_Bytes(const QImage &image, const char *format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage Filled(const QSize &size, QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    if (format == QImage::Format_Mono)
        image.setColorTable({qRgb(0, 0, 0), qRgb(0, 255, 0)});
    image.fill(1);
    return image;
}

// An SVG that declares a flag's size but draws thousands of dashed curves: about 100 KB that
// take the SVG renderer half a minute and more to draw.
QByteArray Dashed_Curves_Svg() {
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\">";
    for (int n = 0; n < 2000; ++n)
        svg += QByteArray("<path d=\"M0 ") + QByteArray::number(n % 48) + " C 10 90 40 -40 48 " +
               QByteArray::number((n * 7) % 48) +
               "\" stroke=\"red\" stroke-dasharray=\"0.01 0.01\"/>";
    return svg + "</svg>";
}

} // namespace

// Flags are BMP or PNG pictures by their content, whatever the file's name says, of at most
// 512 pixels a side; anything else is refused before it is decoded.
void Test_Options_Dialog::read_flag_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("shown");
    QTest::newRow("BMP") << Picture_Bytes(Filled({48, 48}), "BMP") << QSize(48, 48);
    QTest::newRow("PNG, fitted") << Picture_Bytes(Filled({96, 48}), "PNG") << QSize(48, 24);
    QTest::newRow("PNG of the largest side")
        << Picture_Bytes(Filled({512, 512}), "PNG") << QSize(48, 48);
    QTest::newRow("PNG one pixel wider") << Picture_Bytes(Filled({513, 16}), "PNG") << QSize();
    QTest::newRow("PNG decompression bomb")
        << Picture_Bytes(Filled({5790, 5790}, QImage::Format_Mono), "PNG") << QSize();
    QTest::newRow("PPM") << Picture_Bytes(Filled({48, 48}), "PPM") << QSize();
    QTest::newRow("SVG of dashed curves") << Dashed_Curves_Svg() << QSize();
    QTest::newRow("BMP header alone") << QByteArray("BM") << QSize();
}

void Test_Options_Dialog::read_flag() {
    QFETCH(QByteArray, data);
    QFETCH(QSize, shown);
    QVERIFY(!data.isEmpty());
    const QImage flag = Read_Flag(data, 48);
    QCOMPARE(flag.isNull() ? QSize() : flag.size(), shown);
}

void Test_Options_Dialog::pick_no_changes_nothing() {
    Options_Fixture fixture;
    Write_Test_File(Language_File(fixture.program, QStringLiteral("Deutsch.lng")), Deutsch_File);
    Options_Dialog *options = fixture.Show();
    const QStringList texts = Lang_Strings;
    QTest::mouseClick(options->Name_Slots[0], Qt::LeftButton);
    QCOMPARE(fixture.messages.Shown,
             (QList<QPair<Message_Kind, QString>>{
                 {Message_Kind::Question,
                  QStringLiteral("Do you want to change the Language from English to Deutsch?")}}));
    QCOMPARE(options->Language_In_Use, QStringLiteral("English"));
    QCOMPARE(App.Language_Name, QStringLiteral("English"));
    QCOMPARE(Lang_Strings, texts);
    QCOMPARE(fixture.main->Btn_New->text(), QStringLiteral("New Configuration"));
    QCOMPARE(options->L_Sel_Lang->text(), QStringLiteral("Selected Language : English"));
    options->Btn_Cancel->click();
    fixture.main->close();
}

void Test_Options_Dialog::pick_yes_switches_every_window() {
    // Thirteen languages, Deutsch the last of page 2.
    QStringList names{QStringLiteral("Zulu")};
    for (int n = 0; n < 11; ++n)
        names << QStringLiteral("A%1").arg(n, 2, 10, QLatin1Char('0'));
    Options_Fixture fixture(names);
    Write_Test_File(Language_File(fixture.program, QStringLiteral("Deutsch.lng")), Deutsch_File);
    Save_Settings(App, fixture.program.file(Settings_File_Name));
    const QByteArray settings = Read_Test_File(fixture.program.file(Settings_File_Name));
    fixture.main = Start_Program(fixture.program.path());
    Main_Window *main = fixture.main.get();
    fixture.messages.Answers = {true};
    When_Modal([](QWidget *dialog) {
        auto *options = static_cast<Options_Dialog *>(dialog);
        options->Btn_NextClick(options->Btn_Next);
        QTest::mouseClick(options->Flag_Slots[5], Qt::LeftButton);
        options->Btn_Cancel->click();
    });
    QTest::mouseClick(main->Btn_Options, Qt::LeftButton);
    QCOMPARE(fixture.messages.Shown.size(), 1);

    // Every window switched at once; Cancel kept them switched.
    QCOMPARE(main->Btn_New->text(), QStringLiteral("Neue Konfiguration"));
    QCOMPARE(main->New_Configuration_Window()->windowTitle(), QStringLiteral("Neu anlegen"));
    QCOMPARE(main->Open_Configuration_Window()->windowTitle(), QStringLiteral("Offnen"));
    QCOMPARE(main->Update_Window()->windowTitle(), QStringLiteral("Gerat aktualisieren"));
    QCOMPARE(main->Communication_Window()->windowTitle(), QStringLiteral("Kommunikation"));
    Options_Dialog *options = main->Options_Window();
    QCOMPARE(options->PC_Options->tabText(0), QStringLiteral("Sprache"));
    QCOMPARE(options->L_Sel_Lang->text(), QStringLiteral("Gewahlte Sprache: Deutsch"));
    QCOMPARE(options->L_Page_Lang->text(), QStringLiteral("Seite 2 von 3"));
    QCOMPARE(options->Language_In_Use, QStringLiteral("Deutsch"));

    // ... but the language of the program did not change, nor did the settings file.
    QCOMPARE(App.Language_Name, QStringLiteral("English"));
    QCOMPARE(Read_Test_File(fixture.program.file(Settings_File_Name)), settings);
    fixture.Show();
    QCOMPARE(options->L_Sel_Lang->text(), QStringLiteral("Gewahlte Sprache: English"));
    options->Btn_Cancel->click();
    main->close();
    AppState saved;
    Load_Settings(saved, fixture.program.file(Settings_File_Name));
    QCOMPARE(saved.Language_Name, QStringLiteral("English"));
}

void Test_Options_Dialog::pick_then_ok_is_the_next_start() {
    Options_Fixture fixture({QStringLiteral("English")});
    Write_Test_File(Language_File(fixture.program, QStringLiteral("Deutsch.lng")), Deutsch_File);
    fixture.main = Start_Program(fixture.program.path());
    fixture.messages.Answers = {true};
    When_Modal([](QWidget *dialog) {
        auto *options = static_cast<Options_Dialog *>(dialog);
        QTest::mouseClick(options->Name_Slots[0], Qt::LeftButton);
        options->Btn_OK->click();
    });
    QTest::mouseClick(fixture.main->Btn_Options, Qt::LeftButton);
    QCOMPARE(App.Language_Name, QStringLiteral("Deutsch"));
    AppState saved;
    Load_Settings(saved, fixture.program.file(Settings_File_Name));
    QCOMPARE(saved.Language_Name, QStringLiteral("Deutsch"));
    fixture.main->close();
    fixture.main.reset();

    auto again = Start_Program(fixture.program.path());
    QCOMPARE(again->Btn_New->text(), QStringLiteral("Neue Konfiguration"));
    again->close();
}

void Test_Options_Dialog::pick_language_in_use_reloads() {
    Options_Fixture fixture({QStringLiteral("English")});
    Options_Dialog *options = fixture.Show();
    Lang_Strings[15] = QStringLiteral("stale");
    fixture.main->Btn_New->setText(QStringLiteral("stale"));
    fixture.messages.Answers = {true};
    QTest::mouseClick(options->Name_Slots[0], Qt::LeftButton);
    QCOMPARE(fixture.messages.Shown.first().second,
             QStringLiteral("Do you want to change the Language from English to English?"));
    QCOMPARE(Lang_Strings.at(15), QStringLiteral("New Configuration"));
    QCOMPARE(fixture.main->Btn_New->text(), QStringLiteral("New Configuration"));
    options->Btn_Cancel->click();
    fixture.main->close();
}

QTEST_MAIN(Test_Options_Dialog)
#include "tst_options_dialog.moc"
