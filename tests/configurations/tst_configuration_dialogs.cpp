#include "support/GuiSupport.h"
#include "support/MessageRecorder.h"
#include "support/TestSupport.h"

#include "configurations/Configurations.h"
#include "configurations/NewConfigurationDialog.h"
#include "configurations/OpenConfigurationDialog.h"
#include "shell/AppState.h"
#include "update/RecordDialog.h"
#include "widgets/NameDialog.h"

#include <QDir>
#include <QHelpEvent>
#include <QInputDialog>
#include <QJsonDocument>
#include <QLabel>
#include <QTest>
#include <QToolTip>
#include <memory>

namespace {

QStringList Listed(const Open_Configuration_Dialog *dialog) {
    QStringList names;
    for (int i = 0; i < dialog->LB_Configurations->count(); ++i)
        names << dialog->LB_Configurations->item(i)->text();
    return names;
}

// Closes dialog should the keys of a case leave it open, so that the case fails rather than
// hangs; what was shown then names it.
void Close_Left_Open(QWidget *dialog, bool &left_open) {
    QTimer::singleShot(10000, dialog, [dialog, &left_open] {
        if (dialog->isVisible()) {
            left_open = true;
            static_cast<QDialog *>(dialog)->reject();
        }
    });
}

QStringList Projects(const Program_Folder &program) {
    return QDir(program.file(QStringLiteral("PROJECTS")))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class Test_Configuration_Dialogs : public QObject {
    Q_OBJECT

private slots:
    void create_data();
    void create();
    void create_cancel_and_close_box();
    void create_keys_data();
    void create_keys();
    void create_refuses_pasted_control_characters_data();
    void create_refuses_pasted_control_characters();
    void broken_projects_folder_data();
    void broken_projects_folder();
    void open_lists_and_preselects();
    void open_refuses_name_settings_cannot_hold();
    void open_preselects_exact_name();
    void open_empty_list_and_cancel();
    void open_context_menu_duplicates_renames_deletes();
    void open_keys_data();
    void open_keys();
    void rename_dialog_fits_a_long_name();
    void open_context_menu_shows_the_record();
    void restore_keeps_what_was_chosen();
    void search_ignores_case_of_a_to_z_only_data();
    void search_ignores_case_of_a_to_z_only();
    void long_names_elided_data();
    void long_names_elided();
};

void Test_Configuration_Dialogs::create_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enter");    // Enter in the name field, else a click on OK
    QTest::addColumn<QString>("error"); // empty: created
    QTest::newRow("Enter") << "Plant A" << true << QString();
    QTest::newRow("OK") << "Plant A" << false << QString();
    // Windows drops the blanks at the end of a name: "   " would be PROJECTS itself there.
    QTest::newRow("blanks only") << "   " << true
                                 << (On_Windows ? QStringLiteral("Error! Name project is not valid")
                                                : QString());
    QTest::newRow("empty, Enter") << "" << true << "Error! Name Project is not valid";
    QTest::newRow("empty, OK") << "" << false << "Error! Name Project is not valid";
    QTest::newRow("existing")
        << "Existing" << true
        << "Error! Name project is not valid because directory already exists";
    QTest::newRow("path below an existing one")
        << "Existing/inner" << true << "Error! Name project is not valid";
    QTest::newRow("leading outside") << "../MASTER2" << false << "Error! Name project is not valid";
    QTest::newRow("backslash") << "a\\b" << true << "Error! Name project is not valid";
    QTest::newRow("dot dot") << ".." << true << "Error! Name project is not valid";
}

void Test_Configuration_Dialogs::create() {
    QFETCH(QString, name);
    QFETCH(bool, enter);
    QFETCH(QString, error);
    Program_Folder program;
    Message_Recorder messages;
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Existing"));
    auto main = Start_Program(program.path());
    const QStringList before = Projects(program);
    const QStringList program_before = QDir(program.path()).entryList();

    bool focused = false;
    bool still_open = false;
    When_Modal([&](QWidget *dialog) {
        auto *create = static_cast<New_Configuration_Dialog *>(dialog);
        focused = create->E_Name->hasFocus() && create->E_Name->text().isEmpty();
        QTest::keyClicks(create->E_Name, name);
        if (enter)
            QTest::keyClick(create->E_Name, Qt::Key_Return);
        else
            QTest::mouseClick(create->Btn_OK, Qt::LeftButton);
        still_open = create->isVisible();
        if (still_open) {
            QCOMPARE(create->E_Name->text(), name);
            QTest::mouseClick(create->Btn_Cancel, Qt::LeftButton);
        }
    });
    QTest::mouseClick(main->Btn_New, Qt::LeftButton);
    QVERIFY(focused);
    if (error.isEmpty()) {
        QVERIFY(!still_open);
        QVERIFY(messages.Shown.isEmpty());
        QVERIFY(QFileInfo(program.file(QStringLiteral("PROJECTS/") + name + QStringLiteral("/bin")))
                    .isDir());
        QCOMPARE(App.Proj_Name, name);
        QCOMPARE(App.ParGen_File,
                 QDir::toNativeSeparators(App.Proj_Dir + QStringLiteral("/ParGen.xml")));
        QCOMPARE(main->L_Configuration->text(),
                 QStringLiteral("Opened Configuration of the Converter : "));
        QCOMPARE(main->L_Configuration_Line_2->text(), name);
    } else {
        QVERIFY(still_open);
        QCOMPARE(messages.Shown,
                 (QList<QPair<Message_Kind, QString>>{{Message_Kind::Error, error}}));
        QCOMPARE(Projects(program), before);
        QCOMPARE(QDir(program.path()).entryList(), program_before);
        QVERIFY(App.Proj_Dir.isEmpty());
        QCOMPARE(main->L_Configuration->text(), QStringLiteral("None Configuration Opened "));
    }
    // Nothing is written to the settings file before the program ends.
    QVERIFY(!QFileInfo::exists(program.file(Settings_File_Name)));
    main->close();
}

void Test_Configuration_Dialogs::create_cancel_and_close_box() {
    Program_Folder program;
    Message_Recorder messages;
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Plant"));
    auto main = Start_Program(program.path());
    Open_Configuration(QStringLiteral("Plant"));
    for (bool close_box : {false, true}) {
        When_Modal([close_box](QWidget *dialog) {
            auto *create = static_cast<New_Configuration_Dialog *>(dialog);
            QTest::keyClicks(create->E_Name, QStringLiteral("Other"));
            if (close_box)
                create->close();
            else
                QTest::keyClick(create, Qt::Key_Escape);
        });
        QTest::mouseClick(main->Btn_New, Qt::LeftButton);
        QCOMPARE(App.Proj_Name, QStringLiteral("Plant"));
        QCOMPARE(Projects(program), QStringList{QStringLiteral("Plant")});
    }
    QVERIFY(messages.Shown.isEmpty());
    main->close();
}

void Test_Configuration_Dialogs::create_keys_data() {
    QTest::addColumn<QStringList>("keys"); // after "Plant A" is typed into the name
    QTest::addColumn<QString>("outcome");
    // Enter acts once: a second OK would answer that the folder exists.
    QTest::newRow("Enter in the name") << Keys("Return") << "created";
    QTest::newRow("Tab to OK, Enter") << Keys("Tab, Return") << "created";
    QTest::newRow("Tab to Cancel, Enter") << Keys("Tab, Tab, Return") << "cancelled";
    QTest::newRow("Tab to Cancel, Space") << Keys("Tab, Tab, Space") << "cancelled";
    QTest::newRow("Esc") << Keys("Esc") << "cancelled";
}

// Every key does what the focused control shows.
void Test_Configuration_Dialogs::create_keys() {
    QFETCH(QStringList, keys);
    Program_Folder program;
    Message_Recorder messages;
    auto main = Start_Program(program.path());
    bool left_open = false;
    When_Modal([&](QWidget *dialog) {
        auto *create = static_cast<New_Configuration_Dialog *>(dialog);
        QTest::keyClicks(create->E_Name, QStringLiteral("Plant A"));
        Close_Left_Open(dialog, left_open);
        Press_Keys(keys);
    });
    QTest::mouseClick(main->Btn_New, Qt::LeftButton);
    QVERIFY(!left_open);
    QVERIFY2(messages.Shown.isEmpty(), qPrintable(messages.Texts()));
    const bool created = App.Proj_Name == QLatin1String("Plant A");
    QCOMPARE(Projects(program), created ? QStringList{QStringLiteral("Plant A")} : QStringList());
    QTEST(QString::fromLatin1(created ? "created" : "cancelled"), "outcome");
    main->close();
}

void Test_Configuration_Dialogs::create_refuses_pasted_control_characters_data() {
    QTest::addColumn<QString>("name");
    // Typing cannot enter them, pasting can; each breaks the one name a line of a list.
    QTest::newRow("line feed") << QStringLiteral("Plant\nB");
    QTest::newRow("tab") << QStringLiteral("Plant\tB");
    QTest::newRow("delete") << QStringLiteral("Plant\x7f");
    QTest::newRow("C1 next line") << QStringLiteral("Plant\u0085B");
}

void Test_Configuration_Dialogs::create_refuses_pasted_control_characters() {
    QFETCH(QString, name);
    Program_Folder program;
    Message_Recorder messages;
    auto main = Start_Program(program.path());
    bool still_open = false;
    When_Modal([&](QWidget *dialog) {
        auto *create = static_cast<New_Configuration_Dialog *>(dialog);
        create->E_Name->insert(name);
        QTest::mouseClick(create->Btn_OK, Qt::LeftButton);
        still_open = create->isVisible();
        create->reject();
    });
    QTest::mouseClick(main->Btn_New, Qt::LeftButton);
    QVERIFY(still_open);
    QCOMPARE(messages.Shown,
             (QList<QPair<Message_Kind, QString>>{
                 {Message_Kind::Error, QStringLiteral("Error! Name project is not valid")}}));
    QCOMPARE(Projects(program), QStringList());
    main->close();
}

void Test_Configuration_Dialogs::broken_projects_folder_data() {
    QTest::addColumn<bool>("create"); // the create dialog, else the open dialog
    QTest::newRow("create") << true;
    QTest::newRow("open") << false;
}

void Test_Configuration_Dialogs::broken_projects_folder() {
    QFETCH(bool, create);
    Program_Folder program;
    Message_Recorder messages;
    // A file where the folder of the configurations belongs.
    Write_Test_File(program.file(QStringLiteral("PROJECTS")), "not a folder");
    auto main = Start_Program(program.path());
    int listed = -1;
    When_Modal([&](QWidget *dialog) {
        if (auto *open = qobject_cast<Open_Configuration_Dialog *>(dialog)) {
            listed = open->LB_Configurations->count();
        } else {
            auto *make = static_cast<New_Configuration_Dialog *>(dialog);
            QTest::keyClicks(make->E_Name, QStringLiteral("Plant"));
            QTest::mouseClick(make->Btn_OK, Qt::LeftButton);
        }
        static_cast<QDialog *>(dialog)->reject();
    });
    QTest::mouseClick(create ? main->Btn_New : main->Btn_Open, Qt::LeftButton);
    if (!create)
        QCOMPARE(listed, 0);
    QCOMPARE(messages.Shown,
             (QList<QPair<Message_Kind, QString>>{
                 {Message_Kind::Standard_Error,
                  QStringLiteral("Error! %1 is not a folder, so it cannot hold the configurations")
                      .arg(QDir::toNativeSeparators(program.file(QStringLiteral("PROJECTS"))))}}));
    QVERIFY(App.Proj_Dir.isEmpty());
    QVERIFY(QFileInfo(program.file(QStringLiteral("PROJECTS"))).isFile());
    main->close();
}

void Test_Configuration_Dialogs::open_lists_and_preselects() {
    Program_Folder program;
    Message_Recorder messages;
    for (const char *folder : {"Beta", "alpha", "Gamma", ".hidden"})
        QDir(program.path()).mkpath(QStringLiteral("PROJECTS/") + QLatin1String(folder));
    Write_Test_File(program.file(QStringLiteral("PROJECTS/notes.txt")), "not a configuration");
    auto main = Start_Program(program.path());

    // Nothing active: the first entry is preselected, and OK without a click opens it.
    QStringList listed;
    When_Modal([&](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        listed = Listed(open);
        QCOMPARE(open->LB_Configurations->currentRow(), 0);
        QTest::keyClick(open->LB_Configurations, Qt::Key_Return);
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    QCOMPARE(listed, QStringList({QStringLiteral("alpha"), QStringLiteral("Beta"),
                                  QStringLiteral("Gamma")}));
    QCOMPARE(App.Proj_Name, QStringLiteral("alpha"));
    QCOMPARE(main->L_Configuration_Line_2->text(), QStringLiteral("alpha"));

    // The active one is preselected; a folder made outside the program shows up; the keys
    // move the choice and OK opens it.
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Delta"));
    Open_Configuration(QStringLiteral("Beta"));
    When_Modal([&](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        listed = Listed(open);
        QCOMPARE(open->LB_Configurations->currentItem()->text(), QStringLiteral("Beta"));
        QTest::keyClick(open->LB_Configurations, Qt::Key_Down);
        QCOMPARE(open->Active_Name, QStringLiteral("Delta"));
        QTest::mouseClick(open->Btn_OK, Qt::LeftButton);
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    QCOMPARE(listed.size(), 4);
    QCOMPARE(App.Proj_Name, QStringLiteral("Delta"));
    QCOMPARE(App.Proj_Dir,
             QDir::toNativeSeparators(program.file(QStringLiteral("PROJECTS/Delta"))));
    QCOMPARE(App.ParGen_File,
             QDir::toNativeSeparators(App.Proj_Dir + QStringLiteral("/ParGen.xml")));
    QVERIFY(messages.Shown.isEmpty());
    main->close();
}

void Test_Configuration_Dialogs::open_refuses_name_settings_cannot_hold() {
    if (On_Windows)
        QSKIP("Windows allows no control character in a folder name");
    Program_Folder program;
    Message_Recorder messages;
    // A folder made outside the program, named with a control character.
    const QString bad = QStringLiteral("Plant\x01");
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/") + bad);
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Plant"));
    auto main = Start_Program(program.path());
    Open_Configuration(QStringLiteral("Plant"));

    bool still_open = false;
    When_Modal([&](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        open->LB_Configurations->setCurrentRow(int(Listed(open).indexOf(bad)));
        QTest::mouseClick(open->Btn_OK, Qt::LeftButton);
        still_open = open->isVisible();
        open->reject();
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    QVERIFY(still_open);
    QCOMPARE(messages.Shown.size(), 1);
    QCOMPARE(messages.Shown.first().second, QStringLiteral("Error! Name project is not valid"));
    QCOMPARE(App.Proj_Name, QStringLiteral("Plant"));
    QCOMPARE(App.Proj_Dir,
             QDir::toNativeSeparators(program.file(QStringLiteral("PROJECTS/Plant"))));
    // The core refuses it as well, for any other caller.
    QVERIFY(!Open_Configuration(bad));
    QCOMPARE(App.Proj_Name, QStringLiteral("Plant"));
    main->close();
}

void Test_Configuration_Dialogs::open_context_menu_duplicates_renames_deletes() {
    Program_Folder program;
    Message_Recorder messages;
    for (const char *folder : {"Beta", "Gamma"})
        QDir(program.path()).mkpath(QStringLiteral("PROJECTS/") + QLatin1String(folder));
    Write_Test_File(program.file(QStringLiteral("PROJECTS/Beta/ParGen.xml")), "<Par_Gen/>");
    auto main = Start_Program(program.path());
    Open_Configuration(QStringLiteral("Beta"));

    // Answers the name dialog of Duplicate or Rename with name.
    const auto name_with = [](const QString &name) {
        When_Modal([name](QWidget *modal) {
            auto *input = qobject_cast<Name_Dialog *>(modal);
            QVERIFY(input);
            input->E_Name->setText(name);
            input->accept();
        });
    };
    QStringList after_duplicate, after_refusal, after_rename, after_no, after_yes;
    QString proposed;
    When_Modal([&](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        QCOMPARE(open->LB_Configurations->contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(open->LB_Configurations->actions(),
                 (QList<QAction *>{open->Act_Duplicate, open->Act_Rename, open->Act_Delete,
                                   open->Act_Record}));
        QCOMPARE(open->Act_Delete->text(), QStringLiteral("Delete"));

        When_Modal([&](QWidget *modal) {
            auto *input = qobject_cast<Name_Dialog *>(modal);
            QVERIFY(input);
            proposed = input->Name();
            input->E_Name->setText(QStringLiteral("Beta copy"));
            input->accept();
        });
        open->Act_Duplicate->trigger();
        after_duplicate = Listed(open);
        QCOMPARE(open->Active_Name, QStringLiteral("Beta copy"));

        name_with(QStringLiteral("Gamma"));
        open->Act_Rename->trigger();
        after_refusal = Listed(open);

        open->LB_Configurations->setCurrentRow(0); // Beta, the active one
        name_with(QStringLiteral("Alpha"));
        open->Act_Rename->trigger();
        after_rename = Listed(open);

        open->LB_Configurations->setCurrentRow(int(Listed(open).indexOf(QStringLiteral("Gamma"))));
        messages.Answers = {false};
        open->Act_Delete->trigger();
        after_no = Listed(open);
        messages.Answers = {true};
        open->Act_Delete->trigger();
        after_yes = Listed(open);
        open->reject();
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);

    QCOMPARE(proposed, QStringLiteral("Beta"));
    QCOMPARE(after_duplicate, (QStringList{QStringLiteral("Beta"), QStringLiteral("Beta copy"),
                                           QStringLiteral("Gamma")}));
    QCOMPARE(after_refusal, after_duplicate);
    QCOMPARE(after_rename, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta copy"),
                                        QStringLiteral("Gamma")}));
    QCOMPARE(after_no, after_rename);
    QCOMPARE(after_yes, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta copy")}));
    QCOMPARE(Read_Test_File(program.file(QStringLiteral("PROJECTS/Beta copy/ParGen.xml"))),
             QByteArray("<Par_Gen/>"));
    QCOMPARE(Projects(program), after_yes);
    QCOMPARE(messages.Shown,
             (QList<QPair<Message_Kind, QString>>{
                 {Message_Kind::Error, QStringLiteral("Error! Name project is not valid because "
                                                      "directory already exists")},
                 {Message_Kind::Risky_Question,
                  QStringLiteral("Delete the configuration Gamma with every file in it?")},
                 {Message_Kind::Risky_Question,
                  QStringLiteral("Delete the configuration Gamma with every file in it?")}}));
    // The active configuration followed its rename, though the dialog was cancelled.
    QCOMPARE(App.Proj_Name, QStringLiteral("Alpha"));
    QCOMPARE(main->L_Configuration_Line_2->text(), QStringLiteral("Alpha"));
}

void Test_Configuration_Dialogs::open_keys_data() {
    QTest::addColumn<QStringList>("keys"); // with the focus in the list, Beta selected
    QTest::addColumn<QString>("outcome");  // what became active, or "cancelled"
    QTest::addColumn<bool>("menu");        // a context menu opened
    QTest::addColumn<bool>("asked");       // the question whether to delete, No by default
    QTest::newRow("Enter in the list") << Keys("Return") << "Beta" << false << false;
    QTest::newRow("Tab to OK, Enter") << Keys("Tab, Return") << "Beta" << false << false;
    QTest::newRow("Tab to Cancel, Enter")
        << Keys("Tab, Tab, Return") << "cancelled" << false << false;
    QTest::newRow("Tab to Cancel, Space")
        << Keys("Tab, Tab, Space") << "cancelled" << false << false;
    QTest::newRow("Esc") << Keys("Esc") << "cancelled" << false << false;
    QTest::newRow("Shift+F10 opens the menu, Esc closes it, Enter opens")
        << Keys("Shift+F10, Esc, Return") << "Beta" << true << false;
    // Delete is the line above the menu's last; its question is one whose Enter answers No.
    QTest::newRow("Menu key, Delete, Enter")
        << Keys("Menu, Up, Up, Return, Esc") << "cancelled" << true << true;
}

void Test_Configuration_Dialogs::open_keys() {
    QFETCH(QStringList, keys);
    QFETCH(bool, asked);
    Program_Folder program;
    Message_Recorder messages;
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Beta"));
    auto main = Start_Program(program.path());
    bool left_open = false;
    int popups = 0;
    When_Modal([&](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        QVERIFY(open->LB_Configurations->hasFocus());
        Close_Left_Open(dialog, left_open);
        Press_Keys(keys, &popups);
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    QVERIFY(!left_open);
    QTEST(App.Proj_Name.isEmpty() ? QStringLiteral("cancelled") : App.Proj_Name, "outcome");
    QTEST(popups > 0, "menu");
    const QList<QPair<Message_Kind, QString>> question{
        {Message_Kind::Risky_Question,
         QStringLiteral("Delete the configuration Beta with every file in it?")}};
    QCOMPARE(messages.Shown, asked ? question : decltype(question)());
    QCOMPARE(Projects(program), QStringList{QStringLiteral("Beta")});
    main->close();
}

// The name dialog of Rename and Duplicate shows a long name whole, in every language's title.
void Test_Configuration_Dialogs::rename_dialog_fits_a_long_name() {
    const QString long_name = QStringLiteral("Plant of the northern hall, line 12, second gateway");
    Name_Dialog ask(nullptr, QStringLiteral("Cambiar nombre"), QStringLiteral("Nuevo nombre"),
                    long_name);
    ask.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ask));
    const int room = ask.E_Name->contentsRect().width();
    QVERIFY2(ask.E_Name->fontMetrics().horizontalAdvance(long_name) < room,
             qPrintable(QStringLiteral("%1 px for the name").arg(room)));
    QCOMPARE(ask.L_Caption->text(), QStringLiteral("Nuevo nombre"));

    // A name too long for any screen: the field shows its beginning, the caption both ends.
    const QString endless =
        QString(40, QLatin1Char('A')) + QString(200, QLatin1Char('m')) + QStringLiteral("Z end");
    Name_Dialog wide(nullptr, QStringLiteral("Rename"), QStringLiteral("New name"), endless);
    QCOMPARE(wide.width(), Name_Dialog::Max_Width);
    QCOMPARE(wide.E_Name->cursorPosition(), 0);
    QVERIFY2(wide.L_Caption->text().startsWith(QLatin1String("New name: AAA")) &&
                 wide.L_Caption->text().endsWith(QLatin1String("Z end")) &&
                 wide.L_Caption->text().contains(QChar(0x2026)),
             qPrintable(wide.L_Caption->text()));
    QCOMPARE(wide.L_Caption->toolTip(), endless);
    QCOMPARE(wide.Name(), endless);
}

// The record of the selected configuration's updates, newest first, each row's line in its
// tooltip; a start whose end never came says so.
void Test_Configuration_Dialogs::open_context_menu_shows_the_record() {
    Program_Folder program;
    Message_Recorder messages;
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Beta"));
    const QByteArray older =
        R"({"time":"2026-12-01T08:00:00.000Z","address":"10.0.0.2","option":2,)"
        R"("outcome":"updater ended","exit_code":0,"elapsed_ms":4200,)"
        R"("device_check":[{"state":"answers"},{"state":"silent"}]})";
    const QByteArray newer =
        R"({"time":"2026-12-02T09:30:00.000Z","address":"10.0.0.3","option":0,)"
        R"("outcome":"updater started","run":"r1","elapsed_ms":900})";
    Write_Test_File(program.file(QStringLiteral("PROJECTS/Beta/updates.jsonl")),
                    older + '\n' + newer + '\n');
    auto main = Start_Program(program.path());
    Open_Configuration(QStringLiteral("Beta"));
    QList<QStringList> rows;
    QString tooltip;
    QString title;
    When_Modal([&](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        QCOMPARE(open->Act_Record->text(), QStringLiteral("Record of updates"));
        When_Modal([&](QWidget *modal) {
            auto *record = qobject_cast<Record_Dialog *>(modal);
            QVERIFY(record);
            title = record->windowTitle();
            for (int r = 0; r < record->Table->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < record->Table->columnCount(); ++c)
                    cells << record->Table->item(r, c)->text();
                rows << cells;
            }
            tooltip = record->Table->item(1, 3)->toolTip();
            record->reject();
        });
        open->Act_Record->trigger();
        open->reject();
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Record of updates: Beta"));
    const auto row = [](const char *text) {
        return QString::fromUtf8(text).split(QLatin1Char('|'));
    };
    QCOMPARE(rows, (QList<QStringList>{
                       row("2026-12-02 09:30:00|10.0.0.3|0|ended unseen|0.9|"),
                       row("2026-12-01 08:00:00|10.0.0.2|2|updater ended with exit code 0|4.2|"
                           "answers/silent")}));
    QCOMPARE(QJsonDocument::fromJson(tooltip.toUtf8()), QJsonDocument::fromJson(older));
    QVERIFY2(messages.Shown.isEmpty(), qPrintable(messages.Texts()));
}

void Test_Configuration_Dialogs::open_preselects_exact_name() {
#ifdef Q_OS_WIN
    QSKIP("Windows file names ignore case: two names that differ only in it cannot both exist");
#endif
    Program_Folder program;
    Message_Recorder messages;
    // A file system that keeps names apart by case; the two may be listed in either order.
    for (const char *folder : {"Line1", "LINE1"})
        QDir(program.path()).mkpath(QStringLiteral("PROJECTS/") + QLatin1String(folder));
    auto main = Start_Program(program.path());
    for (const QString &active : {QStringLiteral("Line1"), QStringLiteral("LINE1")}) {
        Open_Configuration(active);
        QString preselected;
        When_Modal([&](QWidget *dialog) {
            auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
            preselected = open->LB_Configurations->currentItem()->text();
            QTest::keyClick(open->LB_Configurations, Qt::Key_Return);
        });
        QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
        QCOMPARE(preselected, active);
        // Enter opens the one that was active, not its namesake.
        QCOMPARE(App.Proj_Name, active);
    }
    QVERIFY(messages.Shown.isEmpty());
    main->close();
}

void Test_Configuration_Dialogs::open_empty_list_and_cancel() {
    Program_Folder program;
    Message_Recorder messages;
    QDir(program.path()).mkpath(QStringLiteral("PROJECTS/Plant"));
    Write_Test_File(program.file(Settings_File_Name),
                    "<Conf_Settings><lastproj><projectname>Plant</projectname></lastproj>"
                    "</Conf_Settings>");
    auto main = Start_Program(program.path());

    // Cancel, by button or close box, keeps the active configuration and its labels.
    for (bool close_box : {false, true}) {
        When_Modal([close_box](QWidget *dialog) {
            auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
            open->LB_Configurations->setCurrentRow(-1);
            if (close_box)
                open->close();
            else
                QTest::mouseClick(open->Btn_Cancel, Qt::LeftButton);
        });
        QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
        QCOMPARE(App.Proj_Name, QStringLiteral("Plant"));
        QCOMPARE(main->L_Configuration_Line_2->text(), QStringLiteral("Plant"));
    }

    // With no configuration folder left, OK leaves none active.
    QDir(program.file(QStringLiteral("PROJECTS/Plant"))).removeRecursively();
    When_Modal([](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        QCOMPARE(open->LB_Configurations->count(), 0);
        QCOMPARE(open->Active_Name, QString());
        QTest::mouseClick(open->Btn_OK, Qt::LeftButton);
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    QVERIFY(App.Proj_Dir.isEmpty());
    QCOMPARE(main->L_Configuration->text(), QStringLiteral("None Configuration Opened "));
    QCOMPARE(main->L_Configuration_Line_2->text(),
             QStringLiteral("Use Step1 to open or create new configuration"));
    QTest::mouseClick(main->Btn_Communication, Qt::LeftButton);
    QCOMPARE(messages.Shown,
             (QList<QPair<Message_Kind, QString>>{
                 {Message_Kind::Error, QStringLiteral("Error! Project not Valid")}}));
    main->close();
}

void Test_Configuration_Dialogs::restore_keeps_what_was_chosen() {
    Program_Folder program;
    Message_Recorder messages;
    for (const char *folder : {"Plant", "Store"})
        QDir(program.path()).mkpath(QStringLiteral("PROJECTS/") + QLatin1String(folder));
    auto main = Start_Program(program.path());

    // A name half typed, and another configuration picked, survive the window coming back.
    // The dialogs are closed before anything is checked, so that a failure cannot hang the test.
    int restored = 0;
    QString typed;
    When_Modal([&](QWidget *dialog) {
        auto *create = static_cast<New_Configuration_Dialog *>(dialog);
        QTest::keyClicks(create->E_Name, QStringLiteral("Wharf"));
        restored = Minimise_And_Restore(create);
        typed = create->E_Name->text();
        create->reject();
    });
    QTest::mouseClick(main->Btn_New, Qt::LeftButton);
    QVERIFY(restored > 0);
    QCOMPARE(typed, QStringLiteral("Wharf"));

    Open_Configuration(QStringLiteral("Store"));
    QString picked;
    When_Modal([&](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        open->LB_Configurations->setCurrentRow(0);
        restored = Minimise_And_Restore(open);
        picked =
            open->Active_Name + QLatin1Char('|') + open->LB_Configurations->currentItem()->text();
        open->reject();
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    QVERIFY(restored > 0);
    QCOMPARE(picked, QStringLiteral("Plant|Plant"));
    QVERIFY(messages.Shown.isEmpty());
    main->close();
}

void Test_Configuration_Dialogs::search_ignores_case_of_a_to_z_only_data() {
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<int>("index");
    QTest::newRow("same") << "Plant" << 1;
    QTest::newRow("lower case finds upper case") << "pLant" << 1;
    QTest::newRow("exact name before one of other case") << "plant" << 3;
    QTest::newRow("other letters keep their case") << "\u00e9TAGE" << 2;
    QTest::newRow("accented letter differs") << "\u00c9tage" << -1;
    QTest::newRow("empty") << "" << -1;
}

void Test_Configuration_Dialogs::search_ignores_case_of_a_to_z_only() {
    QFETCH(QString, wanted);
    const QStringList names = {QStringLiteral("Alpha"), QStringLiteral("PLANT"),
                               QStringLiteral("\u00e9tage"), QStringLiteral("plant")};
    QTEST(Find_Configuration(names, wanted), "index");
}

void Test_Configuration_Dialogs::long_names_elided_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("elided");
    const QString stem = QStringLiteral("Water treatment plant north, line ").repeated(3);
    QTest::newRow("short") << QStringLiteral("Plant A") << false;
    QTest::newRow("long, differing at the end") << stem + QStringLiteral("A") << true;
    QTest::newRow("markup is shown as typed") << QStringLiteral("<b>Plant") << false;
}

// A name too long for the main window's label or the open dialog's list is shortened in the
// middle, so that its start and its end, where similar names differ, stay readable; the whole
// name shows as the tooltip.
void Test_Configuration_Dialogs::long_names_elided() {
    QFETCH(QString, name);
    QFETCH(bool, elided);
    if (On_Windows && name.contains(QLatin1Char('<')))
        QSKIP("Windows allows no < or > in a folder name");
    Program_Folder program;
    Message_Recorder messages;
    QVERIFY(QDir(program.path()).mkpath(QStringLiteral("PROJECTS/") + name));
    auto main = Start_Program(program.path());
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    Open_Configuration(name);

    const auto check_shown = [&](const QString &shown, int room, const QFontMetrics &metrics) {
        QVERIFY2(metrics.horizontalAdvance(shown) <= room, qPrintable(shown));
        if (!elided) {
            QCOMPARE(shown, name);
            return;
        }
        QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
        QVERIFY(name.startsWith(shown.section(QChar(0x2026), 0, 0)));
        QVERIFY(name.endsWith(shown.section(QChar(0x2026), 1)));
    };

    When_Modal([&](QWidget *dialog) {
        auto *open = static_cast<Open_Configuration_Dialog *>(dialog);
        // Closed however the checks end.
        const std::unique_ptr<QWidget, void (*)(QWidget *)> closing(dialog, [](QWidget *d) {
            static_cast<Open_Configuration_Dialog *>(d)->Btn_OK->click();
        });
        QCOMPARE(open->LB_Configurations->currentItem()->text(), name);
        // The list: no sideways scrolling, the middle of a long name left out.
        QCOMPARE(open->LB_Configurations->textElideMode(), Qt::ElideMiddle);
        QCOMPARE(open->LB_Configurations->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const QRect line =
            open->LB_Configurations->visualItemRect(open->LB_Configurations->currentItem());
        QVERIFY(line.right() < open->LB_Configurations->viewport()->width());
        // The tooltip of the line: the whole name where it is cut, else the list's hint.
        QHelpEvent help(QEvent::ToolTip, line.center(),
                        open->LB_Configurations->viewport()->mapToGlobal(line.center()));
        QCoreApplication::sendEvent(open->LB_Configurations->viewport(), &help);
        QTRY_VERIFY(!QToolTip::text().isEmpty());
        QCOMPARE(QToolTip::text(),
                 elided ? name : QStringLiteral("Select from this list the configuration to open"));
        QToolTip::hideText();
    });
    QTest::mouseClick(main->Btn_Open, Qt::LeftButton);
    // The main window's label, after the configuration was opened.
    const QLabel *label = main->L_Configuration_Line_2;
    check_shown(label->text(), label->contentsRect().width(), label->fontMetrics());
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->toolTip(), elided ? name : QString());

    QVERIFY(messages.Shown.isEmpty());
    main->close();
}

QTEST_MAIN(Test_Configuration_Dialogs)
#include "tst_configuration_dialogs.moc"
