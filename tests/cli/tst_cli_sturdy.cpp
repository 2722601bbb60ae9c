// The tool against what an archive, a share, a crash or a hostile user may leave in a program
// folder: links planted anywhere in it, locks naming processes that are gone or are others now,
// names that cannot be locked or listed, scratch folders of killed copies, a record of any size.

#include "support/CliProgram.h"
#include "support/TestSupport.h"

#include "configurations/ConfigurationLock.h"
#include "platform/Paths.h"
#include "platform/ProcessLaunch.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "update/JobFile.h"
#include "update/UpdateLock.h"
#include "update/UpdateRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every entry below folder with its content (a folder's is empty), to see that nothing changed.
QMap<QString, QByteArray> Snapshot(const QString &folder) {
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        entries.insert(QDir(folder).relativeFilePath(entry.filePath()),
                       entry.isFile() ? Read_Test_File(entry.filePath()) : QByteArray());
    }
    return entries;
}

// Replaces whatever is at path with a symbolic link to target.
void Plant_Link(const QString &target, const QString &path) {
    if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
        QVERIFY(QDir(path).removeRecursively());
    else
        QFile::remove(path);
    QVERIFY(QFile::link(target, path));
}

// A lock file naming holder, for the processes of this computer.
QByteArray Lock_Naming(qint64 pid, const QString &program, const QString &started) {
    Update_Lock_Holder holder;
    holder.Pid = pid;
    holder.Program = program;
    holder.Host = QSysInfo::machineHostName();
    holder.Started = started;
    return Lock_File_Text(holder);
}

const QStringList Set_Port{QStringLiteral("set"), QStringLiteral("S2"),
                           QStringLiteral("Modbus_TCP_Slave_Port=1502")};

} // namespace

class Tst_Cli_Sturdy : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void nothingWrittenThroughLinks_data();
    void nothingWrittenThroughLinks();
    void staleLocksTakenOverAtOnce_data();
    void staleLocksTakenOverAtOnce();
    void unlockClearsLocksOfGoneHolders();
    void locksCannotCollideWithNames();
    void namesThatCannotBeKept_data();
    void namesThatCannotBeKept();
    void longestNameWorksEverywhere();
    void copyOrRenameOntoItself_data();
    void copyOrRenameOntoItself();
    void crossingCopiesTakeTurns();
    void copiesAndScratchFolders();
    void historyOfAnySize();
    void changesWaitForARunningUpdate();
};

void Tst_Cli_Sturdy::initTestCase() {
#ifdef Q_OS_WIN
    QSKIP("symbolic links and /proc start times are this file's subject; Windows has neither "
          "without privileges");
#endif
}

// With a link planted in the program folder, every command that would write through it refuses
// naming the link, and nothing outside the program folder appears or changes.
void Tst_Cli_Sturdy::nothingWrittenThroughLinks_data() {
    QTest::addColumn<QString>("link");   // below the program folder
    QTest::addColumn<QString>("target"); // below the outside folder, or "program:" and a path
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("probes"); // the command gets past the probe of 127.0.0.1

    const QStringList update{QStringLiteral("update"),   QStringLiteral("S2"),
                             QStringLiteral("--ip"),     QStringLiteral("127.0.0.1"),
                             QStringLiteral("--option"), QStringLiteral("2")};
    QTest::newRow("parameters to a file outside") << "PROJECTS/S2/ParGen.xml"
                                                  << "file.xml" << Set_Port << false;
    QTest::newRow("parameters dangling") << "PROJECTS/S2/ParGen.xml"
                                         << "missing.xml" << Set_Port << false;
    QTest::newRow("parameters to another configuration")
        << "PROJECTS/S2/ParGen.xml"
        << "program:PROJECTS/S1/ParGen.xml" << Set_Port << false;
    QTest::newRow("configuration folder outside") << "PROJECTS/S2"
                                                  << "folder" << Set_Port << false;
    QTest::newRow("PROJECTS outside") << "PROJECTS"
                                      << "projects" << Set_Port << false;
    QTest::newRow("PROJECTS outside, new")
        << "PROJECTS"
        << "projects" << QStringList{QStringLiteral("new"), QStringLiteral("S5")} << false;
    QTest::newRow("PROJECTS outside, copy")
        << "PROJECTS"
        << "projects"
        << QStringList{QStringLiteral("copy"), QStringLiteral("S2"), QStringLiteral("S5")} << false;
    QTest::newRow("lock folder outside") << "PROJECTS/.locks"
                                         << "folder" << Set_Port << false;
    QTest::newRow("lock dangling") << "PROJECTS/.locks/S2.lock"
                                   << "missing.lock" << Set_Port << false;
    QTest::newRow("image folder outside") << "PROJECTS/S2/bin"
                                          << "folder/bin" << update << false;
    QTest::newRow("record outside") << "PROJECTS/S2/updates.jsonl"
                                    << "file.xml"
                                    << QStringList{QStringLiteral("update"), QStringLiteral("S2"),
                                                   QStringLiteral("--ip"), QStringLiteral("1.2.3")}
                                    << false;
    QTest::newRow("job file outside") << Job_File_Name << "file.xml" << update << true;
    QTest::newRow("update lock dangling")
        << Update_Lock_File_Name << "missing.lock" << update << true;
}

void Tst_Cli_Sturdy::nothingWrittenThroughLinks() {
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(QStringList, arguments);
    QFETCH(bool, probes);
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("S1"), Saved_Par_Gen({}));
    program.Add_Sendable(QStringLiteral("S2"));
    const QTemporaryDir outside;
    Write_Test_File(outside.filePath(QStringLiteral("file.xml")), Saved_Par_Gen({}));
    QVERIFY(QDir(outside.path()).mkpath(QStringLiteral("folder/bin")));
    Write_Test_File(outside.filePath(QStringLiteral("folder/ParGen.xml")), Saved_Par_Gen({}));
    QVERIFY(QDir(outside.path()).mkpath(QStringLiteral("projects/S2/bin")));
    Write_Test_File(outside.filePath(QStringLiteral("projects/S2/ParGen.xml")), Saved_Par_Gen({}));
    QDir(program.file(QStringLiteral("PROJECTS"))).mkdir(Configuration_Locks_Folder);
    const QString pointed = target.startsWith(QLatin1String("program:"))
                                ? program.file(target.mid(8))
                                : outside.filePath(target);
    Plant_Link(pointed, program.file(link));
    const QMap<QString, QByteArray> before = Snapshot(outside.path());
    const QByteArray other = Read_Test_File(program.Par_Gen_Path(QStringLiteral("S1")));

    const Cli_Result result = program.Run(arguments);
    if (probes && !Icmp_Allowed(result))
        QSKIP("this user may not open an ICMP socket");
    QVERIFY2(result.Exit != 0, qPrintable(result.Err));
    QVERIFY2(result.Err.contains(program.file(link) + QStringLiteral(" is a symbolic link")),
             qPrintable(result.Err));
    QCOMPARE(Snapshot(outside.path()), before);
    QCOMPARE(Read_Test_File(program.Par_Gen_Path(QStringLiteral("S1"))), other);
    QVERIFY(QFileInfo(program.file(link)).isSymLink());
    QCOMPARE(program.Record(), QString()); // no updater ran
}

// A configuration lock whose holder cannot be the process that wrote it is taken over at once:
// a number now held by another program or a process started at another time, an empty file
// (a crash while it was made), one that cannot be read.
void Tst_Cli_Sturdy::staleLocksTakenOverAtOnce_data() {
    QTest::addColumn<QByteArray>("lock");
    QTest::addColumn<bool>("unreadable");
    const QString own = QString::number(QCoreApplication::applicationPid());
    QTest::newRow("process 1, another program, no start time")
        << Lock_Naming(1, QStringLiteral("cf20914-cli"), QString()) << false;
    QTest::newRow("a live process started at another time")
        << Lock_Naming(QCoreApplication::applicationPid(), QCoreApplication::applicationName(),
                       QStringLiteral("1"))
        << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("garbage") << QByteArray("\x01\x02 no lock\n") << false;
    QTest::newRow("unreadable") << Lock_Naming(1, QStringLiteral("x"), QString()) << true;
}

void Tst_Cli_Sturdy::staleLocksTakenOverAtOnce() {
    QFETCH(QByteArray, lock);
    QFETCH(bool, unreadable);
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("S2"), Saved_Par_Gen({}));
    QVERIFY(QDir(program.file(QStringLiteral("PROJECTS"))).mkdir(Configuration_Locks_Folder));
    const QString path = program.Lock_File(QStringLiteral("S2"));
    Write_Test_File(path, lock);
    if (unreadable) {
        if (!Read_Only_Folder::Unavailable().isEmpty())
            QSKIP(qPrintable(Read_Only_Folder::Unavailable()));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
    QElapsedTimer clock;
    clock.start();
    const Cli_Result result = program.Run(Set_Port);
    QCOMPARE(result.Exit, 0);
    // Well below the 10 s a live holder is waited for.
    QVERIFY2(clock.elapsed() < Configuration_Lock::Wait_Ms / 2, qPrintable(result.Err));
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(Read_Test_File(program.Par_Gen_Path(QStringLiteral("S2"))).contains("1502"));
}

// unlock removes every lock of this computer whose holder is gone or is another process now,
// names each, and keeps the lock of a live holder.
void Tst_Cli_Sturdy::unlockClearsLocksOfGoneHolders() {
    const Cli_Program program;
    for (const char *name : {"Gone", "Reused", "Held"})
        program.Add_Configuration(QString::fromLatin1(name), Saved_Par_Gen({}));
    QVERIFY(QDir(program.file(QStringLiteral("PROJECTS"))).mkdir(Configuration_Locks_Folder));
    const qint64 own = QCoreApplication::applicationPid();
    const QString started = Identity_Of(own).Started;
    QVERIFY(!started.isEmpty());
    Write_Test_File(program.file(Update_Lock_File_Name),
                    Lock_Naming(1, QStringLiteral("cf20914-cli"), QString()));
    Write_Test_File(program.Lock_File(QStringLiteral("Gone")), QByteArray());
    Write_Test_File(program.Lock_File(QStringLiteral("Reused")),
                    Lock_Naming(own, QStringLiteral("cf20914-cli"), started + QLatin1Char('1')));
    Write_Test_File(program.Lock_File(QStringLiteral("Held")),
                    Lock_Naming(own, QCoreApplication::applicationName(), started));

    const Cli_Result kept = program.Run_With_Input({QStringLiteral("unlock")}, "n\n");
    QCOMPARE(kept.Exit, 1);
    QVERIFY(QFileInfo::exists(program.file(Update_Lock_File_Name)));

    const Cli_Result cleared = program.Run({QStringLiteral("unlock"), QStringLiteral("--yes")});
    QCOMPARE(cleared.Exit, 0);
    QCOMPARE(cleared.Out,
             QStringLiteral("Removed the update lock of cf20914-cli, process 1 on %1.\n"
                            "Removed the lock of configuration Gone of a lock file "
                            "that names no process.\n"
                            "Removed the lock of configuration Reused of "
                            "cf20914-cli, process %2 on %1.\n")
                 .arg(QSysInfo::machineHostName())
                 .arg(own));
    QVERIFY2(cleared.Err.contains(QLatin1String("the lock of configuration Held is held by")),
             qPrintable(cleared.Err));
    QVERIFY(!QFileInfo::exists(program.file(Update_Lock_File_Name)));
    QVERIFY(!QFileInfo::exists(program.Lock_File(QStringLiteral("Gone"))));
    QVERIFY(!QFileInfo::exists(program.Lock_File(QStringLiteral("Reused"))));
    QVERIFY(QFileInfo::exists(program.Lock_File(QStringLiteral("Held"))));
}

// A configuration named as another's lock file once was keeps no one out.
void Tst_Cli_Sturdy::locksCannotCollideWithNames() {
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("A"), Saved_Par_Gen({}));
    QCOMPARE(program.Run({QStringLiteral("new"), QStringLiteral("A.lock")}).Exit, 0);
    QCOMPARE(program
                 .Run({QStringLiteral("set"), QStringLiteral("A.lock"),
                       QStringLiteral("Modbus_TCP_Slave_Port=1502")})
                 .Exit,
             0);
    QElapsedTimer clock;
    clock.start();
    const Cli_Result result = program.Run(
        {QStringLiteral("set"), QStringLiteral("A"), QStringLiteral("Modbus_TCP_Slave_Port=1503")});
    QCOMPARE(result.Exit, 0);
    QVERIFY(clock.elapsed() < Configuration_Lock::Wait_Ms / 2);
    QCOMPARE(program.Run({QStringLiteral("list")}).Out, QStringLiteral("  A\n  A.lock\n"));
}

// Names the program could not list, lock or show safely are refused by every command that makes
// a configuration, before anything is made.
void Tst_Cli_Sturdy::namesThatCannotBeKept_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("hidden") << QStringLiteral(".hidden");
    QTest::newRow("the locks folder") << Configuration_Locks_Folder;
    QTest::newRow("too long for its lock") << QString(242, QLatin1Char('n'));
    QTest::newRow("too long in bytes") << QString(121, QChar(0x00E9)); // 242 bytes in UTF-8
    QTest::newRow("right-to-left override") << QStringLiteral("abc\u202Etxt.exe");
    QTest::newRow("bidi isolate") << QStringLiteral("a\u2066b");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b");
    QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b");
    QTest::newRow("zero-width space") << QStringLiteral("Pla\u200Bnt");
    QTest::newRow("byte-order mark") << QStringLiteral("\uFEFFPlant");
}

void Tst_Cli_Sturdy::namesThatCannotBeKept() {
    QFETCH(QString, name);
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("Plant"), Saved_Par_Gen({}));
    const QString exported = program.file(QStringLiteral("plant.json"));
    QCOMPARE(program.Run({QStringLiteral("export"), QStringLiteral("Plant"), exported}).Exit, 0);
    // Copy and rename hold Plant meanwhile, in the locks folder.
    QDir(program.file(QStringLiteral("PROJECTS"))).mkdir(Configuration_Locks_Folder);
    const auto before = Snapshot(program.file(QStringLiteral("PROJECTS")));
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("new"), name},
          QStringList{QStringLiteral("import"), exported, name},
          QStringList{QStringLiteral("copy"), QStringLiteral("Plant"), name},
          QStringList{QStringLiteral("rename"), QStringLiteral("Plant"), name}}) {
        const Cli_Result result = program.Run(arguments);
        // A refusal of the name (1), or of an argument the system cannot hold as a file name
        // (2, Qt drops a byte-order mark), with the controls shown as escapes.
        QVERIFY2(result.Exit == 1 || result.Exit == 2,
                 qPrintable(arguments.first() + QLatin1Char(' ') + result.Err));
        QVERIFY2(!Holds_Control(result.Err.chopped(1)), qPrintable(result.Err));
    }
    QCOMPARE(Snapshot(program.file(QStringLiteral("PROJECTS"))), before);
}

// The longest name taken can be changed, locked, renamed and deleted.
void Tst_Cli_Sturdy::longestNameWorksEverywhere() {
    const Cli_Program program;
    const QString name(241, QLatin1Char('n'));
    const QString renamed(241, QLatin1Char('r'));
    QCOMPARE(program.Run({QStringLiteral("new"), name}).Exit, 0);
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("set"), name, QStringLiteral("Modbus_TCP_Slave_Port=1502")},
          QStringList{QStringLiteral("copy"), name, QStringLiteral("Copy")},
          QStringList{QStringLiteral("rename"), name, renamed},
          QStringList{QStringLiteral("delete"), renamed, QStringLiteral("--yes")}}) {
        const Cli_Result result = program.Run(arguments);
        QVERIFY2(result.Exit == 0, qPrintable(arguments.first() + QLatin1Char(' ') + result.Err));
    }
    QCOMPARE(program.Run({QStringLiteral("list")}).Out, QStringLiteral("  Copy\n"));
}

// A copy or rename onto an existing name, its own included, is refused at once.
void Tst_Cli_Sturdy::copyOrRenameOntoItself_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("target");
    QTest::newRow("copy A A") << "copy"
                              << "A";
    QTest::newRow("rename A A") << "rename"
                                << "A";
    QTest::newRow("copy A B, B existing") << "copy"
                                          << "B";
}

void Tst_Cli_Sturdy::copyOrRenameOntoItself() {
    QFETCH(QString, command);
    QFETCH(QString, target);
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("A"), Saved_Par_Gen({}));
    program.Add_Configuration(QStringLiteral("B"), Saved_Par_Gen({}));
    QElapsedTimer clock;
    clock.start();
    const Cli_Result result = program.Run({command, QStringLiteral("A"), target});
    QCOMPARE(result.Exit, 1);
    Verify_Error_Line(result, QStringLiteral("already exists: ") + target);
    QVERIFY(clock.elapsed() < Configuration_Lock::Wait_Ms / 2);
}

// A copy of A to B and one of B to A at once take the two locks in the same order: neither
// waits out the other.
void Tst_Cli_Sturdy::crossingCopiesTakeTurns() {
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("A"), Saved_Par_Gen({}));
    for (int round = 0; round < 10; ++round) {
        QProcess forth;
        QProcess back;
        QElapsedTimer clock;
        clock.start();
        Start_Cli(forth, program.Arguments(
                             {QStringLiteral("copy"), QStringLiteral("A"), QStringLiteral("B")}));
        Start_Cli(back, program.Arguments(
                            {QStringLiteral("copy"), QStringLiteral("B"), QStringLiteral("A")}));
        const Cli_Result there = Finish_Cli(forth);
        const Cli_Result again = Finish_Cli(back);
        QVERIFY2(there.Exit != 5 && again.Exit != 5, qPrintable(there.Err + again.Err));
        QVERIFY(clock.elapsed() < Configuration_Lock::Wait_Ms);
        QVERIFY(QDir(program.file(QStringLiteral("PROJECTS/B"))).removeRecursively());
    }
}

// Copies have the mode of new configurations; scratch folders that copies killed halfway left
// behind go with the next change, those of a running copy stay.
void Tst_Cli_Sturdy::copiesAndScratchFolders() {
    const Cli_Program program;
    QCOMPARE(program.Run({QStringLiteral("new"), QStringLiteral("A")}).Exit, 0);
    const QString projects = program.file(QStringLiteral("PROJECTS"));
    const QString dead = QStringLiteral(".cf20914-1-1-dead");
    const QString running = QStringLiteral(".cf20914-%1-%2-live")
                                .arg(QCoreApplication::applicationPid())
                                .arg(Identity_Of(QCoreApplication::applicationPid()).Started);
    for (const QString &scratch : {dead, running})
        QVERIFY(QDir(projects).mkpath(scratch + QStringLiteral("/A/bin")));

    QCOMPARE(program.Run({QStringLiteral("copy"), QStringLiteral("A"), QStringLiteral("B")}).Exit,
             0);
    QCOMPARE(QFileInfo(program.file(QStringLiteral("PROJECTS/B"))).permissions(),
             QFileInfo(program.file(QStringLiteral("PROJECTS/A"))).permissions());
    QVERIFY(!QFileInfo::exists(Join_Path(projects, dead)));
    QVERIFY(QFileInfo::exists(Join_Path(projects, running)));
    QCOMPARE(program.Run({QStringLiteral("list")}).Out, QStringLiteral("  A\n  B\n"));
}

// history reads a record far past any size limit line by line; --last keeps the newest; a line
// longer than any the program writes is skipped with a warning.
void Tst_Cli_Sturdy::historyOfAnySize() {
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("S2"), Saved_Par_Gen({}));
    // Past the 16 MiB that history once read at most, in long lines, so that the run is short.
    const int entries = 1800;
    const QByteArray padding(10000, 'x');
    QByteArray record;
    for (int n = 1; n <= entries; ++n)
        record += "{\"time\":\"" + QByteArray::number(n) + "\",\"reason\":\"" + padding + "\"}\n";
    record += "{\"time\":\"" + QByteArray(Record_Line_Limit + 10, 'y') + "\"}\n";
    record += "{\"time\":\"last\",\"address\":\"1.2.3.4\"}\n";
    QVERIFY(record.size() > 16 * 1024 * 1024);
    Write_Test_File(program.file(QStringLiteral("PROJECTS/S2/") + Update_Record_File_Name), record);
    const Cli_Result result =
        program.Run({QStringLiteral("history"), QStringLiteral("S2"), QStringLiteral("--last"),
                     QStringLiteral("2"), QStringLiteral("--json")});
    QCOMPARE(result.Exit, 0);
    QCOMPARE(result.Out, QStringLiteral("[{\"reason\":\"%1\",\"time\":\"%2\"},"
                                        "{\"address\":\"1.2.3.4\",\"time\":\"last\"}]\n")
                             .arg(QString::fromLatin1(padding))
                             .arg(entries));
    QCOMPARE(result.Err, QStringLiteral("cf20914-cli: warning: updates.jsonl: line %1 is longer "
                                        "than %2 bytes and is skipped\n")
                             .arg(entries + 1)
                             .arg(Record_Line_Limit));
}

// An update holds its configuration while its updater runs, after its own wait too: rename,
// copy and delete wait for it and say so, and its image and record stay where it runs.
void Tst_Cli_Sturdy::changesWaitForARunningUpdate() {
    const Cli_Program program;
    program.Add_Configuration(QStringLiteral("S2"), Saved_Par_Gen({}));
    program.Add_Firmware();
    program.Add_Held_Updater();
    QProcess update;
    // The update's own wait runs out first; its updater runs on and keeps the configuration.
    if (const auto ended = Start_Holding_Update(
            update,
            program.Arguments({QStringLiteral("update"), QStringLiteral("S2"),
                               QStringLiteral("--ip"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("--option"), QStringLiteral("2"),
                               QStringLiteral("--wait"), QStringLiteral("1")}),
            [&program] { return !program.Record().isEmpty(); })) {
        if (!Icmp_Allowed(*ended))
            QSKIP("this user may not open an ICMP socket");
        QFAIL(qPrintable(ended->Err));
    }
    const auto release = qScopeGuard([&program] { program.Release_Updater(); });
    QCOMPARE(Finish_Cli(update).Exit, 4);
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("rename"), QStringLiteral("S2"), QStringLiteral("S3")},
          QStringList{QStringLiteral("delete"), QStringLiteral("S2"), QStringLiteral("--yes")}}) {
        const Cli_Result result = program.Run(arguments);
        QCOMPARE(result.Exit, 5);
        QVERIFY2(result.Err.startsWith(QLatin1String("cf20914-cli: waiting for the update of S2 "
                                                     "to end (")),
                 qPrintable(result.Err));
        QVERIFY2(result.Err.contains(QLatin1String("The configuration S2 is being changed")),
                 qPrintable(result.Err));
    }
    QVERIFY(QFileInfo::exists(program.file(QStringLiteral("PROJECTS/S2/bin/bank.bin"))));
    // Once the updater ends, the configuration is free again.
    program.Release_Updater();
    QTRY_VERIFY_WITH_TIMEOUT(program.Record().endsWith(QLatin1String("ended\n")), 20000);
    QCOMPARE(
        program.Run({QStringLiteral("rename"), QStringLiteral("S2"), QStringLiteral("S3")}).Exit,
        0);
    QCOMPARE(Update_Records(program, QStringLiteral("S3")).size(), 1);
}

QTEST_GUILESS_MAIN(Tst_Cli_Sturdy)
#include "tst_cli_sturdy.moc"
