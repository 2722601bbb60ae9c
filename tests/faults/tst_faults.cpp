// Writes that fail or are cut short: each of the program's files, written by the core (through
// fault_writer) and by the command-line tool, on a file system that refuses the data, in a
// read-only folder, and in a process killed at each of its write system calls in turn. The old
// file is always intact or the new one whole, never empty or partial; a refused write says why
// and exits non-zero.

#include "support/FaultMounts.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray Old_Content = "old content, a file the program wrote before\n";

// One way of writing one file: the program and its arguments, "@" standing for the folder of
// a run, and the file it writes there.
struct Writer {
    QString Program;
    QStringList Arguments;
    QString Target;
    bool Writes_Bin_Folder = false; // makes PROJECTS/Plant/bin when it is missing
};

QString Fault_Writer() {
    return QStringLiteral(FAULT_WRITER);
}

QString Cli() {
    return QStringLiteral(CLI_PROGRAM);
}

const QString Bank = QStringLiteral("PROJECTS/Plant/bin/bank.bin");

QMap<QString, Writer> Writers() {
    return {
        {QStringLiteral("settings"),
         {Fault_Writer(),
          {QStringLiteral("settings"), QStringLiteral("@/Roziduduve.xml")},
          QStringLiteral("Roziduduve.xml")}},
        {QStringLiteral("parameter file"),
         {Fault_Writer(),
          {QStringLiteral("pargen"), QStringLiteral("@/PROJECTS/Plant/ParGen.xml")},
          QStringLiteral("PROJECTS/Plant/ParGen.xml")}},
        {QStringLiteral("image"),
         {Fault_Writer(),
          {QStringLiteral("image"), QStringLiteral("@/PROJECTS/Plant")},
          Bank,
          true}},
        {QStringLiteral("job"),
         {Fault_Writer(),
          {QStringLiteral("job"), QStringLiteral("@/Ethernet_Update.xml")},
          QStringLiteral("Ethernet_Update.xml")}},
        {QStringLiteral("cli compile"),
         {Cli(),
          {QStringLiteral("compile"), QStringLiteral("@/input.xml"), QStringLiteral("@/") + Bank},
          Bank}},
        {QStringLiteral("cli job"),
         {Cli(),
          {QStringLiteral("job"), QStringLiteral("--ip"), QStringLiteral("10.0.0.7"),
           QStringLiteral("--option"), QStringLiteral("0"), QStringLiteral("--master"),
           QStringLiteral("@/MASTER"), QStringLiteral("--config"),
           QStringLiteral("@/PROJECTS/Plant"), QStringLiteral("@/Ethernet_Update.xml")},
          QStringLiteral("Ethernet_Update.xml")}},
    };
}

struct Run_Result {
    bool Exited = false; // false: killed, or never started
    int Exit = -1;
    QString Err;
};

Run_Result Run(const QString &program, const QStringList &arguments,
               const std::function<void()> &in_child = {}) {
    QProcess process;
    if (in_child)
        process.setChildProcessModifier(in_child);
    process.start(program, arguments);
    Run_Result result;
    if (!process.waitForStarted() || !process.waitForFinished(-1))
        return result;
    result.Exited = process.exitStatus() == QProcess::NormalExit;
    result.Exit = process.exitCode();
    result.Err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList With_Folder(const QStringList &arguments, const QString &folder) {
    QStringList replaced = arguments;
    for (QString &argument : replaced)
        argument.replace(QLatin1Char('@'), folder);
    return replaced;
}

// The folder of one run: a configuration with its bin folder (unless left out), a parameter
// file for the command-line compile, and the old file where the writer writes.
void Lay_Out(const QString &folder, const Writer &writer, bool with_bin = true) {
    QDir(folder).mkpath(with_bin ? QStringLiteral("PROJECTS/Plant/bin")
                                 : QStringLiteral("PROJECTS/Plant"));
    QDir(folder).mkpath(QStringLiteral("MASTER"));
    Write_Test_File(folder + QStringLiteral("/input.xml"),
                    "<Par_Gen><Modbus_TCP_Slave_IP4>77</Modbus_TCP_Slave_IP4></Par_Gen>");
    if (with_bin)
        Write_Test_File(folder + QLatin1Char('/') + writer.Target, Old_Content);
}

QStringList Entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

QString Parent(const QString &path) {
    return QFileInfo(path).absolutePath();
}

} // namespace

class Test_Faults : public QObject {
    Q_OBJECT

private slots:
    void refused_write_keeps_old_file_data();
    void refused_write_keeps_old_file();
    void killed_write_keeps_old_or_new_file_data();
    void killed_write_keeps_old_or_new_file();
};

void Test_Faults::refused_write_keeps_old_file_data() {
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    const auto writers = Writers();
    for (auto it = writers.cbegin(); it != writers.cend(); ++it) {
        const QByteArray name = it.key().toUtf8();
        QTest::addRow("%s, file size limit", name.constData()) << it.key() << "size limit"
                                                               << "File too large";
        QTest::addRow("%s, full file system", name.constData()) << it.key() << "full"
                                                                << "No space left on device";
        QTest::addRow("%s, read-only folder", name.constData()) << it.key() << "read-only"
                                                                << "is not writable";
        if (it->Writes_Bin_Folder)
            QTest::addRow("%s, bin folder not creatable", name.constData())
                << it.key() << "no bin"
                << "Cannot create the folder";
    }
}

void Test_Faults::refused_write_keeps_old_file() {
    QFETCH(QString, writer);
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    const Writer w = Writers().value(writer);
    Program_Folder program;
    const QString folder = program.path();
    const QString target = folder + QLatin1Char('/') + w.Target;
    Fault_Mounts mounts;
    std::function<void()> in_child;
    if (fault == QLatin1String("size limit")) {
        Lay_Out(folder, w);
        // Past 64 bytes every write fails, as on a full disk, for any user.
        in_child = [] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{64, 64};
            setrlimit(RLIMIT_FSIZE, &limit);
        };
    } else {
        if (!mounts.Unavailable.isEmpty())
            QSKIP(qPrintable(mounts.Unavailable));
        if (fault == QLatin1String("full")) {
            QVERIFY2(mounts.Mount_Small_Tmpfs(folder), qPrintable(mounts.Unavailable));
            Lay_Out(folder, w);
            QVERIFY(mounts.Fill(folder));
        } else if (fault == QLatin1String("read-only")) {
            Lay_Out(folder, w);
            QVERIFY2(mounts.Make_Read_Only(Parent(target)), qPrintable(mounts.Unavailable));
        } else {
            Lay_Out(folder, w, false);
            QVERIFY2(mounts.Make_Read_Only(Parent(Parent(target))), qPrintable(mounts.Unavailable));
        }
    }
    const QStringList before = Entries(Parent(target));

    const Run_Result result = Run(w.Program, With_Folder(w.Arguments, folder), in_child);
    QVERIFY(result.Exited);
    QCOMPARE(result.Exit, 2);
    QVERIFY2(result.Err.contains(reason), qPrintable(result.Err));
    QVERIFY2(result.Err.contains(Parent(target)), qPrintable(result.Err));
    if (fault == QLatin1String("no bin")) {
        QVERIFY(!QFileInfo::exists(Parent(target)));
    } else {
        QCOMPARE(Read_Test_File(target), Old_Content);
        QCOMPARE(Entries(Parent(target)), before); // no temporary file left behind
    }
}

void Test_Faults::killed_write_keeps_old_or_new_file_data() {
    QTest::addColumn<QString>("writer");
    const auto writers = Writers();
    for (auto it = writers.cbegin(); it != writers.cend(); ++it)
        QTest::newRow(it.key().toUtf8().constData()) << it.key();
}

void Test_Faults::killed_write_keeps_old_or_new_file() {
    QFETCH(QString, writer);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        QSKIP("strace, which stops the writer at a chosen system call, is not installed");
    if (Run(strace, {QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("true")})
            .Exit != 0)
        QSKIP("this process may not trace its children (ptrace refused)");
    // LeakSanitizer stops the process with ptrace at its exit, which a traced process cannot;
    // a sanitizer build of the writer would then fail on that alone.
    QByteArray asan_options = qgetenv("ASAN_OPTIONS");
    qputenv("ASAN_OPTIONS", asan_options + (asan_options.isEmpty() ? "" : ":") + "detect_leaks=0");
    const auto restore = qScopeGuard([&asan_options] {
        if (asan_options.isEmpty())
            qunsetenv("ASAN_OPTIONS");
        else
            qputenv("ASAN_OPTIONS", asan_options);
    });
    const Writer w = Writers().value(writer);
    Program_Folder program;
    const QString folder = program.file(QStringLiteral("run"));
    const QString target = folder + QLatin1Char('/') + w.Target;
    const QStringList arguments = With_Folder(w.Arguments, folder);

    const auto fresh_run = [&] {
        QDir(folder).removeRecursively();
        Lay_Out(folder, w);
    };
    fresh_run();
    const Run_Result clean = Run(w.Program, arguments);
    QCOMPARE(clean.Exit, 0);
    const QByteArray new_content = Read_Test_File(target);
    QVERIFY(!new_content.isEmpty() && new_content != Old_Content);

    // Every system call that can change a file, each interrupted at its first, second, ...
    // use until the writer gets through without meeting it again.
    int kills = 0;
    for (const char *call : {"write", "writev", "pwrite64", "ftruncate", "fsync", "fdatasync",
                             "linkat", "rename", "renameat", "renameat2", "unlink", "unlinkat"}) {
        for (int n = 1;; ++n) {
            fresh_run();
            const QString inject =
                QStringLiteral("inject=%1:signal=KILL:when=%2").arg(QLatin1String(call)).arg(n);
            const Run_Result result =
                Run(strace,
                    QStringList{QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-o"),
                                QStringLiteral("/dev/null"), QStringLiteral("-e"),
                                QStringLiteral("trace=") + QLatin1String(call),
                                QStringLiteral("-e"), inject, QStringLiteral("--"), w.Program} +
                        arguments);
            const QByteArray content = Read_Test_File(target);
            QVERIFY2(content == Old_Content || content == new_content,
                     qPrintable(QStringLiteral("%1 #%2 left %3 bytes")
                                    .arg(QLatin1String(call))
                                    .arg(n)
                                    .arg(content.size())));
            if (result.Exited) {
                QCOMPARE(result.Exit, 0);
                QCOMPARE(content, new_content);
                break;
            }
            ++kills;
            QVERIFY2(n < 500, call);
        }
    }
    QVERIFY(kills > 0);
}

QTEST_GUILESS_MAIN(Test_Faults)
#include "tst_faults.moc"
