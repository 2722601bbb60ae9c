// The windows facing a file system that refuses a write: closing the program, Update Device
// and the communication settings' OK. The user is told why, the old file stays as it was, and
// nothing goes on as if the file had been written.

#include "support/FaultMounts.h"
#include "support/GuiSupport.h"
#include "support/MessageRecorder.h"
#include "support/TestSupport.h"

#include "parameters/CommunicationDialog.h"
#include "shell/AppState.h"

#include <QDir>
#include <QTest>

namespace {

const QByteArray Old_Content = "old content, a file the program wrote before\n";

// A program folder on a small tmpfs with the configuration "Plant" remembered and active at
// start-up, and an old settings file, parameter file and image.
struct Full_Disk_Program {
    Program_Folder Folder;
    Fault_Mounts Mounts;
    Message_Recorder Messages;
    std::unique_ptr<Main_Window> Main;

    bool Start(bool with_bin = true) {
        if (!Mounts.Unavailable.isEmpty() || !Mounts.Mount_Small_Tmpfs(Folder.path()))
            return false;
        QDir(Folder.path())
            .mkpath(with_bin ? QStringLiteral("PROJECTS/Plant/bin")
                             : QStringLiteral("PROJECTS/Plant"));
        Write_Test_File(Folder.file(Settings_File_Name),
                        "<Conf_Settings><lastproj><projectname>Plant</projectname></lastproj>"
                        "</Conf_Settings>");
        Write_Test_File(Folder.file(QStringLiteral("PROJECTS/Plant/ParGen.xml")), "<Par_Gen/>");
        if (with_bin)
            Write_Test_File(Folder.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin")),
                            Old_Content);
        Main = Start_Program(Folder.path());
        return true;
    }
    ~Full_Disk_Program() {
        if (Main)
            Main->close();
    }
    QString Shown() const {
        return Messages.Shown.isEmpty() ? QString() : Messages.Shown.first().second;
    }
};

} // namespace

class Test_Fault_Windows : public QObject {
    Q_OBJECT

private slots:
    void close_on_full_disk_keeps_settings();
    void update_device_refused_image_data();
    void update_device_refused_image();
    void communication_settings_on_full_disk();
};

void Test_Fault_Windows::close_on_full_disk_keeps_settings() {
    Full_Disk_Program program;
    if (!program.Start())
        QSKIP(qPrintable(program.Mounts.Unavailable));
    QVERIFY(!App.Proj_Dir.isEmpty());
    const QByteArray before = Read_Test_File(program.Folder.file(Settings_File_Name));
    App.Last_IP_Address = QStringLiteral("10.1.2.3");
    QVERIFY(program.Mounts.Fill(program.Folder.path()));
    program.Main->close();
    QCOMPARE(program.Messages.Shown.size(), 1);
    QCOMPARE(program.Messages.Shown.first().first, Message_Kind::Standard_Error);
    QVERIFY2(program.Shown().contains(QLatin1String("No space left on device")),
             qPrintable(program.Shown()));
    QCOMPARE(Read_Test_File(program.Folder.file(Settings_File_Name)), before);
}

void Test_Fault_Windows::update_device_refused_image_data() {
    QTest::addColumn<bool>("with_bin");
    QTest::addColumn<QString>("reason");
    QTest::newRow("full file system") << true << "No space left on device";
    QTest::newRow("bin folder not creatable") << false << "Read-only file system";
}

void Test_Fault_Windows::update_device_refused_image() {
    QFETCH(bool, with_bin);
    QFETCH(QString, reason);
    Full_Disk_Program program;
    if (!program.Start(with_bin))
        QSKIP(qPrintable(program.Mounts.Unavailable));
    QVERIFY(!App.Proj_Dir.isEmpty());
    const QString bank = program.Folder.file(QStringLiteral("PROJECTS/Plant/bin/bank.bin"));
    if (with_bin)
        QVERIFY(program.Mounts.Fill(program.Folder.path()));
    else
        QVERIFY2(program.Mounts.Make_Read_Only(App.Proj_Dir),
                 qPrintable(program.Mounts.Unavailable));

    // The update dialog must not open; should it, it is closed again and the test fails.
    bool opened = false;
    QTimer guard;
    guard.setInterval(10);
    QObject::connect(&guard, &QTimer::timeout, [&opened] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            opened = true;
            dialog->close();
        }
    });
    guard.start();
    QTest::mouseClick(program.Main->Btn_Update_Device, Qt::LeftButton);
    QVERIFY(!opened);
    QCOMPARE(program.Messages.Shown.size(), 1);
    QCOMPARE(program.Messages.Shown.first().first, Message_Kind::Standard_Error);
    QVERIFY2(program.Shown().contains(reason), qPrintable(program.Shown()));
    if (with_bin)
        QCOMPARE(Read_Test_File(bank), Old_Content);
    else
        QVERIFY(!QFileInfo::exists(bank));
}

void Test_Fault_Windows::communication_settings_on_full_disk() {
    Full_Disk_Program program;
    if (!program.Start())
        QSKIP(qPrintable(program.Mounts.Unavailable));
    QVERIFY(!App.Proj_Dir.isEmpty());
    const QByteArray before = Read_Test_File(App.ParGen_File);
    QVERIFY(program.Mounts.Fill(program.Folder.path()));
    // Yes to the network warnings of the defaults, so that the write is tried.
    program.Messages.Answers = {true};
    bool still_open = false;
    When_Modal([&still_open](QWidget *modal) {
        auto *dialog = qobject_cast<Communication_Dialog *>(modal);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->Btn_OK, Qt::LeftButton);
        still_open = dialog->isVisible();
        dialog->reject();
    });
    QTest::mouseClick(program.Main->Btn_Communication, Qt::LeftButton);
    QVERIFY(still_open);
    QCOMPARE(program.Messages.Shown.size(), 2);
    QCOMPARE(program.Messages.Shown.first().first, Message_Kind::Risky_Question);
    QVERIFY2(
        program.Messages.Shown.last().second.contains(QLatin1String("No space left on device")),
        qPrintable(program.Messages.Shown.last().second));
    QCOMPARE(Read_Test_File(App.ParGen_File), before);
}

QTEST_MAIN(Test_Fault_Windows)
#include "tst_fault_windows.moc"
