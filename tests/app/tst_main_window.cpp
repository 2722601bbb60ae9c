#include "support/GuiSupport.h"
#include "support/LoopbackServer.h"
#include "support/MessageRecorder.h"
#include "support/TestSupport.h"

#include "app/AboutDialog.h"
#include "configurations/NewConfigurationDialog.h"
#include "configurations/OpenConfigurationDialog.h"
#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "options/OptionsDialog.h"
#include "shell/AppState.h"
#include "shell/SettingsFile.h"
#include "widgets/MessageBoxes.h"
#include "widgets/ProgramStyle.h"
#include "widgets/WebPages.h"

#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <memory>

namespace {

void Write_Settings(const Program_Folder &program, const QString &project, bool online) {
    AppState saved;
    saved.Proj_Name = project;
    saved.Enable_Internet = online;
    saved.Enable_Update = online;
    Save_Settings(saved, program.file(Settings_File_Name));
}

QString Remembered_Project(const Program_Folder &program) {
    AppState loaded;
    Load_Settings(loaded, program.file(Settings_File_Name));
    return loaded.Proj_Name;
}

} // namespace

class Test_Main_Window : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void first_start();
    void remembered_configuration_data();
    void remembered_configuration();
    void steps_refuse_without_configuration();
    void language_change_keeps_configuration_labels();
    void timer_rule_and_tick();
    void close_saves_data();
    void close_saves();
    void close_keeps_unreadable_settings_aside();
    void about_and_maker_pages();
    void qt_texts_follow_language_data();
    void qt_texts_follow_language();
    void question_keys_data();
    void question_keys();
    void enter_presses_focused_button_data();
    void enter_presses_focused_button();
    void timer_waits_for_running_check();

private:
    QList<QUrl> Opened;
};

void Test_Main_Window::initTestCase() {
    Keep_Http_On_This_Machine();
    Apply_Program_Style(*qApp);
    Set_Web_Page_Opener([this](const QUrl &url) { Opened.append(url); });
}

void Test_Main_Window::init() {
    Opened.clear();
}

void Test_Main_Window::cleanup() {
    // Every window of a case is closed by its end; none may be left over.
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().cbegin(),
                             QApplication::topLevelWidgets().cend(),
                             [](const QWidget *w) { return w->isVisible(); }));
}

void Test_Main_Window::first_start() {
    Program_Folder program;
    Message_Recorder messages;
    auto main = Start_Program(program.path());
    QCOMPARE(main->windowTitle(), Def_Window_Title);
    QCOMPARE(main->size(), QSize(694, 352));
    QCOMPARE(main->L_SW_Code->text(), QStringLiteral("CF20914"));
    QCOMPARE(main->L_SW_Desc->text(), Def_SW_Description);
    QCOMPARE(main->L_Configuration->text(), QStringLiteral("None Configuration Opened "));
    QCOMPARE(main->L_Configuration_Line_2->text(),
             QStringLiteral("Use Step1 to open or create new configuration"));
    QCOMPARE(main->L_Begin->text(), QStringLiteral("Begin"));
    for (int n = 0; n < 8; ++n) {
        QCOMPARE(main->L_Step[n]->text(), QStringLiteral("Step %1").arg(n + 1));
        QCOMPARE(main->L_Step[n]->isVisible(), n < 3);
        QCOMPARE(main->L_Step[n]->pos(), QPoint(16, 128 + 44 * n));
    }
    QCOMPARE(main->Btn_New->text(), QStringLiteral("New Configuration"));
    QCOMPARE(main->Btn_New->toolTip(), QStringLiteral("Create a new configuration for the device"));
    QCOMPARE(main->Btn_Open->geometry(), QRect(258, 112, 170, 36));
    QCOMPARE(main->Btn_Communication->text(), QStringLiteral("Set Communication"));
    QCOMPARE(main->Btn_Update_Device->text(), QStringLiteral("Update Device"));
    QCOMPARE(main->Btn_Update_Device->geometry(), QRect(80, 200, 170, 36));
    QCOMPARE(main->Btn_Close->toolTip(), QStringLiteral("Close Configurator"));
    QCOMPARE(main->Btn_Info->toolTip(), QStringLiteral("Information"));
    QCOMPARE(main->Btn_Options->toolTip(), QStringLiteral("Options"));
    QVERIFY(!main->Btn_Info->icon().isNull());
    QVERIFY(!main->L_Update_Link->isVisible());
    QVERIFY(!main->Update_Check_Timer->isActive());
    QVERIFY(QFileInfo(program.file(QStringLiteral("PROJECTS"))).isDir());
    QVERIFY(!QFileInfo::exists(program.file(Settings_File_Name)));
    QVERIFY(messages.Shown.isEmpty());
    main->close();
    QCOMPARE(Remembered_Project(program), QString());
    QVERIFY(QFileInfo::exists(program.file(Settings_File_Name)));
}

void Test_Main_Window::remembered_configuration_data() {
    QTest::addColumn<bool>("present");
    QTest::newRow("present") << true;
    QTest::newRow("deleted") << false;
}

void Test_Main_Window::remembered_configuration() {
    QFETCH(bool, present);
    Program_Folder program;
    Message_Recorder messages;
    if (present)
        QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Plant A"));
    Write_Settings(program, QStringLiteral("Plant A"), false);
    auto main = Start_Program(program.path());
    QCOMPARE(main->L_Configuration->text(),
             present ? QStringLiteral("Opened Configuration of the Converter : ")
                     : QStringLiteral("None Configuration Opened "));
    QCOMPARE(main->L_Configuration_Line_2->text(),
             present ? QStringLiteral("Plant A")
                     : QStringLiteral("Use Step1 to open or create new configuration"));
    QCOMPARE(App.Proj_Dir.isEmpty(), !present);
    main->close();
    QCOMPARE(Remembered_Project(program), QStringLiteral("Plant A"));
}

void Test_Main_Window::steps_refuse_without_configuration() {
    Program_Folder program;
    Message_Recorder messages;
    auto main = Start_Program(program.path());
    QTest::mouseClick(main->Btn_Communication, Qt::LeftButton);
    QTest::mouseClick(main->Btn_Update_Device, Qt::LeftButton);
    const QPair<Message_Kind, QString> refusal{Message_Kind::Error,
                                               QStringLiteral("Error! Project not Valid")};
    QCOMPARE(messages.Shown, (QList<QPair<Message_Kind, QString>>{refusal, refusal}));
    QVERIFY(QDir(program.file(QStringLiteral("PROJECTS"))).isEmpty());

    // Options needs no configuration and says nothing.
    messages.Shown.clear();
    When_Modal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
    QTest::mouseClick(main->Btn_Options, Qt::LeftButton);
    QVERIFY(messages.Shown.isEmpty());
    main->close();
}

void Test_Main_Window::language_change_keeps_configuration_labels() {
    Program_Folder program;
    Message_Recorder messages;
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Plant"));
    QDir(program.path()).mkpath(QStringLiteral("LANGUAGE"));
    Write_Test_File(program.file(QStringLiteral("LANGUAGE/Deutsch.lng")),
                    "STR1 = Schritt 1\nSTR11 = Offen: \nSTR15 = Neue Konfiguration\nSTR21 = Neu "
                    "anlegen\nSTR100 = Neu\nSTR200 = Offnen\n");
    Write_Settings(program, QStringLiteral("Plant"), false);
    auto main = Start_Program(program.path());
    // A window made before the change switches with it; one made after takes the new texts.
    Open_Configuration_Dialog *open = main->Open_Configuration_Window();
    QCOMPARE(open->windowTitle(), QStringLiteral("Open Configuration"));

    App.Language_Name = QStringLiteral("Deutsch");
    Load_Language();
    main->Change_Language();
    QCOMPARE(main->Open_Configuration_Window(), open);
    QCOMPARE(main->L_Step[0]->text(), QStringLiteral("Schritt 1"));
    QCOMPARE(main->Btn_New->text(), QStringLiteral("Neue Konfiguration"));
    QCOMPARE(main->Btn_New->toolTip(), QStringLiteral("Neu anlegen"));
    QCOMPARE(main->New_Configuration_Window()->windowTitle(), QStringLiteral("Neu"));
    QCOMPARE(main->Open_Configuration_Window()->windowTitle(), QStringLiteral("Offnen"));
    QCOMPARE(main->L_Configuration->text(),
             QStringLiteral("Opened Configuration of the Converter : "));

    // The next open writes the labels in the new language.
    When_Modal(
        [](QWidget *dialog) { static_cast<Open_Configuration_Dialog *>(dialog)->Btn_OK->click(); });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    QCOMPARE(main->L_Configuration->text(), QStringLiteral("Offen:"));
    QCOMPARE(main->L_Configuration_Line_2->text(), QStringLiteral("Plant"));
    main->close();
}

void Test_Main_Window::timer_rule_and_tick() {
    Program_Folder program;
    Message_Recorder messages;
    Write_Settings(program, QString(), true);
    auto main = Start_Program(program.path());
    QVERIFY(main->Update_Check_Timer->isActive());
    QCOMPARE(main->Update_Check_Timer->interval(), 60000);

    {
        Loopback_Server server(Reply(200, "VER. 2.000"));
        main->Version_Server = server.url();
        main->Update_Check_Due();
        QCOMPARE(server.requests().size(), 1);
    }
    QVERIFY(main->L_Update_Link->isVisible());
    QVERIFY(main->L_Update_Link->text().contains(
        QStringLiteral("New Version Available. Click Here for more Details")));
    QVERIFY(main->Update_Check_Timer->isActive());
    QCOMPARE(main->Update_Check_Timer->interval(), 7200000);
    emit main->L_Update_Link->linkActivated(QStringLiteral("http://127.0.0.1/page"));
    QCOMPARE(Opened, QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1/page"))});
    QVERIFY(main->L_Update_Link->text().contains(Maker_Url(Download_Page_Path).toString()));

    {
        Loopback_Server server(Reply(200, "VER. 1.000"));
        main->Version_Server = server.url();
        main->Update_Check_Due();
    }
    QVERIFY(!main->L_Update_Link->isVisible());
    QVERIFY(messages.Shown.isEmpty());
    main->close();

    // Only both flags arm the timer.
    for (const auto &[internet, update] : {std::pair{true, false}, {false, true}}) {
        AppState saved;
        saved.Enable_Internet = internet;
        saved.Enable_Update = update;
        Save_Settings(saved, program.file(Settings_File_Name));
        auto again = Start_Program(program.path());
        QVERIFY(!again->Update_Check_Timer->isActive());
        again->close();
    }
}

void Test_Main_Window::close_saves_data() {
    QTest::addColumn<bool>("close_button");
    QTest::addColumn<bool>("writable");
    QTest::newRow("Close button") << true << true;
    QTest::newRow("close box") << false << true;
    QTest::newRow("read-only folder") << false << false;
}

void Test_Main_Window::close_saves() {
    QFETCH(bool, close_button);
    QFETCH(bool, writable);
    if (!writable)
        SKIP_UNLESS_READ_ONLY_FOLDERS();
    Program_Folder program;
    Message_Recorder messages;
    auto main = Start_Program(program.path());
    App.Last_IP_Address = QStringLiteral("10.1.2.3");
    {
        std::unique_ptr<Read_Only_Folder> guard;
        if (!writable)
            guard = std::make_unique<Read_Only_Folder>(program.path());
        if (close_button)
            QTest::mouseClick(main->Btn_Close, Qt::LeftButton);
        else
            main->close();
    }
    QVERIFY(!main->isVisible());
    AppState saved;
    Load_Settings(saved, program.file(Settings_File_Name));
    if (writable) {
        QCOMPARE(saved.Last_IP_Address, QStringLiteral("10.1.2.3"));
        QVERIFY(messages.Shown.isEmpty());
    } else {
        QCOMPARE(messages.Shown.size(), 1);
        QCOMPARE(messages.Shown.first().first, Message_Kind::Standard_Error);
        QVERIFY2(messages.Shown.first().second.contains(QLatin1String("Permission denied")),
                 qPrintable(messages.Shown.first().second));
        QVERIFY(!QFileInfo::exists(program.file(Settings_File_Name)));
    }
}

void Test_Main_Window::close_keeps_unreadable_settings_aside() {
    Program_Folder program;
    // Cut short while it was written: it counts as missing, but still holds what the user had.
    QByteArray cut = "<Conf_Settings><lastproj><projectname>Plant A</projectname></lastproj>"
                     "<lastipadd><ipaddress>10.0.0.7</ipaddress></lastipadd><lastl";
    Write_Test_File(program.file(Settings_File_Name), cut);
    for (int start = 0; start < 2; ++start) {
        Message_Recorder messages;
        auto main = Start_Program(program.path());
        QCOMPARE(App.Last_IP_Address, start == 0 ? Def_IP_Address : QStringLiteral("10.1.2.3"));
        App.Last_IP_Address = QStringLiteral("10.1.2.3");
        main->close();
        QVERIFY(!main->isVisible());
        const QStringList aside =
            QDir(program.path())
                .entryList({Settings_File_Name + QStringLiteral(".unreadable-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(Read_Test_File(program.file(aside.first())), cut);
        if (start == 0) {
            // Said once, with where the file went.
            QCOMPARE(messages.Shown.size(), 1);
            QCOMPARE(messages.Shown.first().first, Message_Kind::Warning);
            QVERIFY2(messages.Shown.first().second.contains(
                         QDir::toNativeSeparators(program.file(aside.first()))),
                     qPrintable(messages.Shown.first().second));
        } else {
            QCOMPARE(messages.Shown, (QList<QPair<Message_Kind, QString>>()));
        }
    }
}

void Test_Main_Window::about_and_maker_pages() {
    Program_Folder program;
    Message_Recorder messages;
    auto main = Start_Program(program.path());
    QSize size;
    QStringList texts;
    When_Modal([&](QWidget *dialog) {
        auto *about = qobject_cast<About_Dialog *>(dialog);
        QVERIFY(about);
        size = about->size();
        for (QLabel *label : {about->L_Title, about->L_Description, about->L_Code_Caption,
                              about->L_Code, about->L_Version_Caption, about->L_Version,
                              about->L_Document_Caption, about->L_Document})
            texts << label->text();
        QTest::mouseClick(about->L_Maker_Link, Qt::LeftButton);
        QTest::mouseClick(about->Logo, Qt::LeftButton);
        QTest::keyClick(about, Qt::Key_Return);
    });
    QTest::mouseClick(main->Btn_Info, Qt::LeftButton);
    QCOMPARE(size, QSize(406, 148));
    QCOMPARE(texts, QStringList({QStringLiteral("Software Roziduduve "), Def_SW_Description,
                                 QStringLiteral("Software Code : "), QStringLiteral("CF20914"),
                                 QStringLiteral("Version :"), QStringLiteral("1.000"),
                                 QStringLiteral("Document Code :"), QStringLiteral("DM20914")}));
    QTest::mouseClick(main->L_Maker_Link, Qt::LeftButton);
    const QUrl home = Maker_Url(Home_Page_Path);
    QCOMPARE(Opened, (QList<QUrl>{home, home, home}));
    QCOMPARE(home.path(), QStringLiteral("/HOME/default.asp"));
    QCOMPARE(home.query(), QStringLiteral("frompg=CF20914"));
    QCOMPARE(Maker_Url(Download_Page_Path).fragment(), QStringLiteral("GW20914"));
    QVERIFY(messages.Shown.isEmpty());
    main->close();
}

namespace {

// A mnemonic's "&" and a shortcut after a tab are no part of what a text says.
QString Plain(QString text) {
    return text.section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
}

// The captions of the buttons of a question asked through the screen's message boxes.
QStringList Question_Buttons() {
    Screen_Message_Sink screen;
    Install_Message_Sink(&screen);
    QStringList captions;
    When_Modal([&captions](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY(box);
        for (QAbstractButton *button : box->buttons())
            captions << Plain(button->text());
        box->button(QMessageBox::No)->click();
    });
    const bool yes = Ask_Question(QStringLiteral("?"));
    Install_Message_Sink(nullptr);
    if (yes)
        captions << QStringLiteral("answered Yes");
    captions.sort();
    return captions;
}

// What a text field's context menu offers to paste with.
QString Paste_Caption() {
    QLineEdit field;
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    const QList<QAction *> actions = menu->actions();
    const auto paste = std::find_if(actions.cbegin(), actions.cend(), [](const QAction *action) {
        return action->shortcut() == QKeySequence(QKeySequence::Paste) ||
               action->text().endsWith(
                   QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText));
    });
    return paste == actions.cend() ? QString() : Plain((*paste)->text());
}

} // namespace

void Test_Main_Window::question_keys_data() {
    QTest::addColumn<bool>("risky");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("yes");
    QTest::newRow("question, Enter answers Yes") << false << int(Qt::Key_Return) << true;
    QTest::newRow("risky question, Enter answers No") << true << int(Qt::Key_Return) << false;
    QTest::newRow("risky question, Esc answers No") << true << int(Qt::Key_Escape) << false;
    QTest::newRow("risky question, Y answers Yes") << true << int(Qt::Key_Y) << true;
}

// The message boxes on the screen: the default of a question whose Yes deletes or risks
// something is No.
void Test_Main_Window::question_keys() {
    QFETCH(bool, risky);
    QFETCH(int, key);
    Screen_Message_Sink screen;
    Install_Message_Sink(&screen);
    When_Modal([key](QWidget *dialog) {
        QVERIFY(qobject_cast<QMessageBox *>(dialog));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dialog,
                        Qt::Key(key));
    });
    const bool yes = risky ? Ask_Risky_Question(QStringLiteral("Delete?"))
                           : Ask_Question(QStringLiteral("Change?"));
    Install_Message_Sink(nullptr);
    QTEST(yes, "yes");
}

void Test_Main_Window::qt_texts_follow_language_data() {
    QTest::addColumn<QByteArray>("language_file");
    QTest::addColumn<bool>("qt_texts_shipped");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("paste");
    const QStringList german{QStringLiteral("Ja"), QStringLiteral("Nein")};
    const QStringList english{QStringLiteral("No"), QStringLiteral("Yes")};
    QTest::newRow("German with its Qt texts") << QByteArray("; Locale = de\r\nSTR15 = Neu\r\n")
                                              << true << german << QStringLiteral("Einf\u00fcgen");
    QTest::newRow("German without its Qt texts in the folder")
        << QByteArray("; Locale = de\r\nSTR15 = Neu\r\n") << false << english
        << QStringLiteral("Paste");
    QTest::newRow("a language naming no locale")
        << QByteArray("STR15 = Neu\r\n") << true << english << QStringLiteral("Paste");
}

// Qt's own texts (the buttons of a question, a text field's context menu) speak the language
// the program speaks, from the start and after each change, where its Qt texts are shipped.
void Test_Main_Window::qt_texts_follow_language() {
    QFETCH(QByteArray, language_file);
    QFETCH(bool, qt_texts_shipped);
    QFETCH(QStringList, buttons);
    QFETCH(QString, paste);
    Program_Folder program;
    QDir(program.path()).mkpath(QStringLiteral("LANGUAGE"));
    Write_Test_File(program.file(QStringLiteral("LANGUAGE/Deutsch.lng")), language_file);
    if (qt_texts_shipped) {
        QVERIFY(QFile::copy(QStringLiteral(CF_QT_TRANSLATIONS_DIR "/qtbase_de.qm"),
                            program.file(QStringLiteral("LANGUAGE/qtbase_de.qm"))));
    }
    AppState saved;
    saved.Language_Name = QStringLiteral("Deutsch");
    Save_Settings(saved, program.file(Settings_File_Name));
    auto main = Start_Program(program.path());
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    QCOMPARE(main->Btn_New->text(), QStringLiteral("Neu"));
    QCOMPARE(Question_Buttons(), buttons);
    QCOMPARE(Paste_Caption(), paste);

    // Back to English, and into German again, as the options dialog switches.
    const QStringList english{QStringLiteral("No"), QStringLiteral("Yes")};
    for (const char *language : {"English", "Deutsch"}) {
        App.Language_Name = QLatin1String(language);
        Load_Language();
        main->Change_Language();
        const bool german = App.Language_Name == QLatin1String("Deutsch");
        QCOMPARE(Question_Buttons(), german ? buttons : english);
        QCOMPARE(Paste_Caption(), german ? paste : QStringLiteral("Paste"));
    }
    main->close();
}

void Test_Main_Window::enter_presses_focused_button_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
}

// As on Windows, Enter on a focused button of the main window presses it, as Space does.
void Test_Main_Window::enter_presses_focused_button() {
    QFETCH(int, key);
    Program_Folder program;
    Message_Recorder messages;
    auto main = Start_Program(program.path());
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    for (Styled_Button *button : {main->Btn_Options, main->Btn_Info}) {
        button->setFocus(Qt::TabFocusReason);
        QString opened;
        When_Modal([&opened](QWidget *dialog) {
            opened = QString::fromLatin1(dialog->metaObject()->className());
            static_cast<QDialog *>(dialog)->reject();
        });
        QTest::keyClick(button, Qt::Key(key));
        QTRY_COMPARE(opened, button == main->Btn_Options ? QStringLiteral("Options_Dialog")
                                                         : QStringLiteral("About_Dialog"));
    }
    QVERIFY(messages.Shown.isEmpty());
    main->close();
}

// A check from the options dialog waits for its answer while the windows keep running their
// timers: the update timer must not send a second request meanwhile, nor forget its own.
void Test_Main_Window::timer_waits_for_running_check() {
    Program_Folder program;
    Message_Recorder messages;
    Write_Settings(program, QString(), true);
    auto main = Start_Program(program.path());
    Loopback_Server server(QByteArray(), Loopback_Server::Behaviour::Stay_Silent);
    QVERIFY(server.listening());
    main->Version_Server = server.url();
    main->Options_Window()->Version_Server = server.url();
    main->Update_Check_Timer->start(10); // due while the check waits
    main->Options_Window()->Btn_Check_UpdateClick();
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(main->Update_Check_Timer->isActive());
    QVERIFY(!main->L_Update_Link->isVisible());
    main->Update_Check_Timer->stop();
    main->close();
}

QTEST_MAIN(Test_Main_Window)
#include "tst_main_window.moc"
