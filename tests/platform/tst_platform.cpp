#include "platform/CoreError.h"
#include "platform/IcmpEcho.h"
#include "platform/NamedEvent.h"
#include "platform/ProcessLaunch.h"
#include "platform/SafeFile.h"

#include "support/PrivateNetwork.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <functional>
#include <thread>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace {

// Generous bounds: an answer that takes longer is missing, not slow.
constexpr int Answer_Bound_Ms = 5000;
constexpr int Silent_Timeout_Ms = 200;

// Polls as a waiting dialog would, until echo answers or the bound has passed.
std::optional<int> Poll_Until_Answered(Icmp_Echo &echo) {
    const QDeadlineTimer bound(Answer_Bound_Ms);
    std::optional<int> answer = echo.Poll();
    while (!answer && !bound.hasExpired()) {
        QThread::msleep(1);
        answer = echo.Poll();
    }
    return answer;
}

QString Unique_Event_Name() {
    static int count = 0;
    return QStringLiteral("CF20914_Test_%1_%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++count);
}

// A folder of its own for one case, which is the working folder meanwhile.
class Working_Folder {
public:
    Working_Folder() : Previous(QDir::currentPath()) { QDir::setCurrent(Dir.path()); }
    ~Working_Folder() { QDir::setCurrent(Previous); }
    QString path() const { return QFileInfo(Dir.path()).canonicalFilePath(); }
    QString file(const QString &name) const { return Dir.filePath(name); }

private:
    QTemporaryDir Dir;
    QString Previous;
};

// True once the process pid has ended and nothing holds it any more.
bool Process_Gone(qint64 pid) {
#ifdef Q_OS_WIN
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    return kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#endif
}

// A stand-in started with its report in folder. Going out of scope, it releases the child and
// gives it time to end before the folder goes.
class Stand_In {
public:
    // The stand-in finds its report's name in the environment it inherits.
    Stand_In(const Working_Folder &folder, const QString &name,
             const QString &program = QStringLiteral(STAND_IN))
        : Report(folder.file(name)) {
        qputenv("CF_STAND_IN_REPORT", QFile::encodeName(Report));
        Child = Child_Process::Start(program);
    }
    ~Stand_In() {
        Release();
        const QDeadlineTimer bound(Answer_Bound_Ms);
        while (Child && !Child->Finished() && !bound.hasExpired())
            QThread::msleep(5);
    }

    void Release() { QFile(Report + QStringLiteral(".release")).open(QIODevice::WriteOnly); }
    bool Reported() const { return QFile::exists(Report); }
    bool Done() const { return QFile::exists(Report + QStringLiteral(".done")); }
    // Working folder, argument count, process id.
    QStringList Report_Lines() const {
        QFile file(Report);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString Report;
    std::unique_ptr<Child_Process> Child;
};

} // namespace

class Test_Platform : public QObject {
    Q_OBJECT

private slots:
    void icmp_echo_reply_data();
    void icmp_echo_reply();
    void icmp_echo_silent_host_data();
    void icmp_echo_silent_host();
    void icmp_echo_unresolvable_host_data();
    void icmp_echo_unresolvable_host();
    void icmp_echo_without_permission();

    void child_process_runs_as_told();
    void child_process_start_failure_data();
    void child_process_start_failure();
    void child_process_outlives_its_object();
    void child_process_windows_program_under_wine();

    void named_event_signals_data();
    void named_event_signals();
    void named_event_wakes_a_waiter();
    void named_event_goes_with_its_object();

    void create_file_exclusively();
    void writers_refuse_links_data();
    void writers_refuse_links();
    void process_identity_tells_processes_apart();
};

void Test_Platform::icmp_echo_reply_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("socket"); // forced in a private network namespace, or as it comes

    QTest::newRow("address") << QStringLiteral("127.0.0.1") << QString();
    QTest::newRow("host name") << QStringLiteral("localhost") << QString();
    QTest::newRow("other loopback address") << QStringLiteral("127.1.2.3") << QString();
    QTest::newRow("datagram socket") << QStringLiteral("127.0.0.1") << QStringLiteral("datagram");
    QTest::newRow("raw socket") << QStringLiteral("127.0.0.1") << QStringLiteral("raw");
}

void Test_Platform::icmp_echo_reply() {
    QFETCH(QString, host);
    QFETCH(QString, socket);

    // Two echoes at once, twice each: every one must take its own reply, which its size tells.
    QString mismatch;
    QString not_permitted;
    const auto echo_twice = [&] {
        try {
            const std::unique_ptr<Icmp_Echo> large = Make_Icmp_Echo();
            const std::unique_ptr<Icmp_Echo> small = Make_Icmp_Echo(64);
            for (int round = 1; round <= 2 && mismatch.isEmpty(); ++round) {
                large->Send(host, host.toLatin1(), Answer_Bound_Ms);
                small->Send(host, host.toLatin1(), Answer_Bound_Ms);
                const int small_answer = Poll_Until_Answered(*small).value_or(-1);
                const int large_answer = Poll_Until_Answered(*large).value_or(-1);
                if (small_answer != 64 || large_answer != 1024)
                    mismatch = QStringLiteral("round %1: %2 and %3 bytes for 64 and 1024")
                                   .arg(round)
                                   .arg(small_answer)
                                   .arg(large_answer);
            }
        } catch (const Echo_Permission_Error &error) {
            not_permitted = error.message();
        } catch (const Core_Error &error) {
            mismatch = error.message();
        }
    };
    if (socket.isEmpty()) {
        echo_twice();
    } else {
        Private_Network network;
        network.Ip_Commands = {QStringLiteral("link set lo up")};
        if (socket == QLatin1String("datagram")) {
            network.Settings = {{QStringLiteral("ping_group_range"), "0 2147483647"}};
            network.Without_Net_Raw = true;
        }
        const QString failure = network.Run(echo_twice);
        if (!failure.isEmpty())
            QSKIP(qPrintable(failure));
    }
    if (socket.isEmpty() && !not_permitted.isEmpty())
        QSKIP(qPrintable(not_permitted));
    QVERIFY2(mismatch.isEmpty() && not_permitted.isEmpty(), qPrintable(mismatch + not_permitted));
}

void Test_Platform::icmp_echo_silent_host_data() {
    QTest::addColumn<QString>("host");

    // The neighbour on the namespace's link holds no address, so nobody answers.
    QTest::newRow("unanswered neighbour") << QStringLiteral("10.123.0.2");
    // The namespace ignores echo requests: loopback shows the request alone.
    QTest::newRow("own request on loopback") << QStringLiteral("127.0.0.1");
}

void Test_Platform::icmp_echo_silent_host() {
    QFETCH(QString, host);

    Private_Network network;
    network.Ip_Commands = {QStringLiteral("link add cf0 type veth peer name cf1"),
                           QStringLiteral("addr add 10.123.0.1/24 dev cf0"),
                           QStringLiteral("link set cf0 up"), QStringLiteral("link set cf1 up"),
                           QStringLiteral("link set lo up")};
    network.Settings = {{QStringLiteral("icmp_echo_ignore_all"), "1"}};
    QString send_error;
    std::optional<int> answer;
    qint64 elapsed = 0;
    const QString failure = network.Run([&] {
        const std::unique_ptr<Icmp_Echo> echo = Make_Icmp_Echo();
        QElapsedTimer timer;
        timer.start();
        try {
            echo->Send(host, host.toLatin1(), Silent_Timeout_Ms);
        } catch (const Core_Error &error) {
            send_error = error.message();
        }
        answer = Poll_Until_Answered(*echo);
        elapsed = timer.elapsed();
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));

    QVERIFY2(send_error.isEmpty(), qPrintable(send_error));
    QCOMPARE(answer, std::optional<int>(0));
    QVERIFY2(elapsed >= Silent_Timeout_Ms, QByteArray::number(elapsed).constData());
}

void Test_Platform::icmp_echo_unresolvable_host_data() {
    QTest::addColumn<QString>("host");

    QTest::newRow("letters for a name") << QStringLiteral("abc.def.ghi.jkl");
    QTest::newRow("letters in four fields") << QStringLiteral("a.b.c.d");
}

void Test_Platform::icmp_echo_unresolvable_host() {
    QFETCH(QString, host);

    // In a namespace the name server is out of reach, so no query leaves this machine.
    QString message;
    const QString failure = Private_Network().Run([&] {
        try {
            Make_Icmp_Echo()->Send(host, host.toLatin1(), Answer_Bound_Ms);
        } catch (const Core_Error &error) {
            message = error.message();
        }
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));

    const QString prefix = QStringLiteral("Cannot resolve %1: ").arg(host);
    QVERIFY2(message.startsWith(prefix) && message.size() > prefix.size(), qPrintable(message));
}

void Test_Platform::icmp_echo_without_permission() {
    Private_Network network;
    network.Without_Net_Raw = true;
    QString message;
    const QString failure = network.Run([&] {
        try {
            Make_Icmp_Echo()->Send(QStringLiteral("127.0.0.1"), "127.0.0.1", Answer_Bound_Ms);
        } catch (const Echo_Permission_Error &error) {
            message = error.message();
        } catch (const Core_Error &error) {
            message = QStringLiteral("not a permission error: ") + error.message();
        }
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));

    for (const QString &part :
         {QStringLiteral("(Operation not permitted)"),
          QStringLiteral("sysctl -w net.ipv4.ping_group_range=\"0 2147483647\""),
          QStringLiteral("setcap cap_net_raw+ep ") + QCoreApplication::applicationFilePath()})
        QVERIFY2(message.contains(part), qPrintable(message));
}

void Test_Platform::child_process_runs_as_told() {
    const Working_Folder folder;
    Stand_In stand_in(folder, QStringLiteral("report"));
    QTRY_VERIFY(stand_in.Reported());
    QVERIFY(!stand_in.Child->Finished());

    const QStringList report = stand_in.Report_Lines();
    QCOMPARE(report.value(0), folder.path());
    QCOMPARE(report.value(1), QStringLiteral("0")); // arguments

    stand_in.Release();
    QTRY_VERIFY(stand_in.Child->Finished());
    QVERIFY(stand_in.Done());
}

void Test_Platform::child_process_start_failure_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<QByteArray>("content"); // of a file made executable or not; none if empty
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("reason");

    const QByteArray script = "#!/bin/sh\ntouch started\n";
#ifdef Q_OS_WIN
    QTest::newRow("missing program") << QStringLiteral("missing") << true << QByteArray() << true
                                     << qt_error_string(ERROR_FILE_NOT_FOUND);
    // No shell steps in for a file that is not a program.
    QTest::newRow("not a program")
        << QStringLiteral("notes.txt") << true << QByteArray("touch started\n") << true
        << qt_error_string(ERROR_BAD_EXE_FORMAT);
#else
    QTest::newRow("missing program") << QStringLiteral("missing") << true << QByteArray() << true
                                     << QStringLiteral("No such file or directory");
    QTest::newRow("not executable") << QStringLiteral("Ethernet_Update.exe") << true << script
                                    << false << QStringLiteral("Permission denied");
    // No shell steps in for a file that is not a program.
    QTest::newRow("not a program")
        << QStringLiteral("notes.txt") << true << QByteArray("touch started\n") << true
        << QStringLiteral("Exec format error");
    // A Windows program runs under Wine, which the search path does not hold here.
    QTest::newRow("Windows program without Wine")
        << QStringLiteral("Ethernet_Update.exe") << true << QByteArray("MZ\x90\0") << true
        << QStringLiteral("it is a Windows program, and running it here needs Wine (on Debian: "
                          "apt-get install wine)");
#endif
    // It would run from the working folder, were a bare name taken.
    QTest::newRow("bare name") << QStringLiteral("Ethernet_Update.exe") << false << script << true
                               << QStringLiteral("not an absolute path");
}

void Test_Platform::child_process_start_failure() {
    QFETCH(QString, name);
    QFETCH(bool, absolute);
    QFETCH(QByteArray, content);
    QFETCH(bool, executable);
    QFETCH(QString, reason);

    const Working_Folder folder;
    if (!content.isEmpty()) {
        QFile file(folder.file(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QVERIFY(file.setPermissions(executable ? file.permissions() | QFile::ExeOwner
                                               : QFile::ReadOwner | QFile::WriteOwner));
    }
    const QString program = absolute ? folder.file(name) : name;
    // Wine, for a Windows program, is looked for on a search path without it.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(folder.path()));
    try {
        Child_Process::Start(program);
        qputenv("PATH", path);
        QFAIL("started");
    } catch (const Core_Error &error) {
        qputenv("PATH", path);
        QCOMPARE(
            error.message(),
            QStringLiteral("Cannot start %1: %2").arg(QDir::toNativeSeparators(program), reason));
    }
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("started"))));
}

void Test_Platform::child_process_outlives_its_object() {
    const Working_Folder folder;
    Stand_In orphan(folder, QStringLiteral("orphan"));
    QTRY_VERIFY(orphan.Reported());
    const qint64 pid = orphan.Report_Lines().value(2).toLongLong();
    QVERIFY(pid > 0);

    orphan.Child.reset();
    QVERIFY(!orphan.Done());
    orphan.Release();
    QTRY_VERIFY(orphan.Done()); // it ran on to its end, unharmed

    // A later child process reaps it; until then it would be a zombie, which kill still finds.
    Stand_In later(folder, QStringLiteral("later"));
    const auto reaped = [&] {
        later.Child->Finished();
        return Process_Gone(pid);
    };
    QTRY_VERIFY(reaped());
}

// The stand-in built for Windows, started here as the updater would be: Wine runs it in the
// working folder with no arguments and ends with it.
void Test_Platform::child_process_windows_program_under_wine() {
#ifndef STAND_IN_WINDOWS
    QSKIP("the stand-in is built for Windows where the MinGW-w64 cross compiler is installed");
#else
    if (QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty())
        QSKIP("Wine is not installed (apt-get install wine)");
    qputenv("WINEDEBUG", "-all"); // Wine's own messages, of a run without a display, are noise
    const Working_Folder folder;
    Stand_In stand_in(folder, QStringLiteral("report"), QStringLiteral(STAND_IN_WINDOWS));
    // Wine makes its prefix on its first start, which takes a while.
    QTRY_VERIFY_WITH_TIMEOUT(stand_in.Reported(), 120000);
    QVERIFY(!stand_in.Child->Finished());
    QCOMPARE(stand_in.Report_Lines().value(1), QStringLiteral("0")); // arguments

    stand_in.Release();
    QTRY_VERIFY_WITH_TIMEOUT(stand_in.Child->Finished(), 20000);
    QVERIFY(stand_in.Done());
#endif
}

void Test_Platform::named_event_signals_data() {
    QTest::addColumn<int>("signals_before");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<bool>("woken");

    QTest::newRow("no signal: times out") << 0 << false << false;
    QTest::newRow("one signal") << 1 << false << true;
    QTest::newRow("two signals, one wake-up") << 2 << false << true;
    QTest::newRow("reset drops a signal") << 1 << true << false;
    QTest::newRow("reset drops two signals") << 2 << true << false;
}

void Test_Platform::named_event_signals() {
    QFETCH(int, signals_before);
    QFETCH(bool, reset);
    QFETCH(bool, woken);

    const QString name = Unique_Event_Name();
    const std::unique_ptr<Named_Event> event = Named_Event::Create(name);
    for (int i = 0; i < signals_before; ++i)
        QVERIFY(Named_Event::Signal(name));
    if (reset)
        event->Reset();
    QCOMPARE(event->Wait(10), woken);

    // Whatever happened, the event is not signalled now: the next wait runs its full time.
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!event->Wait(10));
    QVERIFY2(timer.elapsed() >= 10, QByteArray::number(timer.elapsed()).constData());
    QVERIFY2(timer.elapsed() < Answer_Bound_Ms, QByteArray::number(timer.elapsed()).constData());
}

void Test_Platform::named_event_wakes_a_waiter() {
    const QString name = Unique_Event_Name();
    const std::unique_ptr<Named_Event> event = Named_Event::Create(name);
    bool signalled = false;
    std::thread other([&] {
        QThread::msleep(50);
        signalled = Named_Event::Signal(name);
    });
    QElapsedTimer timer;
    timer.start();
    const bool woken = event->Wait(4 * Answer_Bound_Ms);
    const qint64 elapsed = timer.elapsed();
    other.join();
    QVERIFY(signalled);
    QVERIFY(woken);
    QVERIFY2(elapsed < Answer_Bound_Ms, QByteArray::number(elapsed).constData());
}

void Test_Platform::named_event_goes_with_its_object() {
    const QString name = Unique_Event_Name();
    QVERIFY(!Named_Event::Signal(name));
    Named_Event::Create(name).reset();
    QVERIFY(!Named_Event::Signal(name)); // nothing left behind for a later run to find
}

// The file appears whole, only where none is, and nothing else is left beside it.
void Test_Platform::create_file_exclusively() {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("guard.lock"));
    const auto content = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    };
    QVERIFY(Create_File_Exclusively(path, "first\n"));
    QCOMPARE(content(), QByteArray("first\n"));
    QVERIFY(!Create_File_Exclusively(path, "second\n"));
    QCOMPARE(content(), QByteArray("first\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("guard.lock")});
}

// Below the write root no writer follows a link, wherever in the path it stands and wherever it
// leads; outside the root, and through no link, the writers work as before.
void Test_Platform::writers_refuse_links_data() {
    QTest::addColumn<QString>("link");    // below the root; empty: none
    QTest::addColumn<QString>("target");  // "outside/..." or "root/..."
    QTest::addColumn<QString>("written"); // below the root
    QTest::newRow("file to a file outside") << "a.xml"
                                            << "outside/file"
                                            << "a.xml";
    QTest::newRow("dangling file") << "a.xml"
                                   << "outside/missing"
                                   << "a.xml";
    QTest::newRow("folder to a folder outside") << "sub"
                                                << "outside"
                                                << "sub/a.xml";
    QTest::newRow("folder two levels up") << "sub/deeper"
                                          << "outside"
                                          << "sub/deeper/a.xml";
    QTest::newRow("file to a file inside") << "a.xml"
                                           << "root/b.xml"
                                           << "a.xml";
    QTest::newRow("folder to a folder inside") << "sub"
                                               << "root/other"
                                               << "sub/a.xml";
    QTest::newRow("no link") << ""
                             << ""
                             << "sub/a.xml";
}

void Test_Platform::writers_refuse_links() {
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a shortcut (.lnk) on Windows, not a symbolic link");
#endif
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(QString, written);
    const QTemporaryDir outside;
    const QTemporaryDir root;
    const QString file_outside = outside.filePath(QStringLiteral("file"));
    const auto write = [](const QString &path, const QByteArray &data) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    };
    write(file_outside, "outside");
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("other")));
    if (link != QLatin1String("sub"))
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("sub")));
    write(root.filePath(QStringLiteral("b.xml")), "inside");
    if (!link.isEmpty()) {
        const QString to = target.startsWith(QLatin1String("root"))
                               ? root.filePath(target.mid(5))
                               : outside.filePath(target.mid(8));
        QVERIFY(QFile::link(to, root.filePath(link)));
    }
    const auto listing = [&] {
        QStringList entries;
        for (const QTemporaryDir *dir : {&outside, &root}) {
            QDirIterator it(dir->path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo entry(it.next());
                QFile file(entry.filePath());
                entries << entry.filePath() + QLatin1Char('=') +
                               QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                                : QByteArray());
            }
        }
        return entries;
    };
    const QStringList before = listing();
    Set_Write_Root(root.path());
    const auto unset = qScopeGuard([] { Set_Write_Root(QString()); });
    const QString path = root.filePath(written);
    const QString message =
        QDir::toNativeSeparators(root.filePath(link)) + QStringLiteral(" is a symbolic link");
    const std::function<void()> writers[] = {
        [&path] { Write_File_Safely(path, "new"); },
        [&path] { Create_File_Exclusively(path, "new"); },
        [&path] {
            if (!Add_File_Name(QFileInfo(path).dir().filePath(QStringLiteral("../b.xml")), path))
                throw Core_Error(QStringLiteral("no second name"));
        },
    };
    for (const auto &writer : writers) {
        if (link.isEmpty()) {
            writer();
            QVERIFY(QFileInfo::exists(path));
            QFile::remove(path);
            continue;
        }
        try {
            writer();
            QFAIL("written through a link");
        } catch (const Core_Error &error) {
            QVERIFY2(error.message().contains(message) ||
                         error.message() == QLatin1String("no second name"),
                     qPrintable(error.message()));
        }
        QCOMPARE(listing(), before);
    }
    // Outside the root nothing is checked: a file the user names is written where it is.
    Write_File_Safely(outside.filePath(QStringLiteral("named.json")), "{}");
}

// A process's start time tells it from a later one of the same number; the program's name is
// the one Linux keeps.
void Test_Platform::process_identity_tells_processes_apart() {
#ifndef Q_OS_LINUX
    QSKIP("start times and names come from /proc on Linux");
#else
    const Process_Identity own = Identity_Of(QCoreApplication::applicationPid());
    QVERIFY(!own.Started.isEmpty());
    QCOMPARE(own.Program, QCoreApplication::applicationName().left(15));
    QCOMPARE(Identity_Of(QCoreApplication::applicationPid()).Started, own.Started);
    const Process_Identity first = Identity_Of(1);
    QVERIFY(!first.Started.isEmpty());
    QVERIFY(first.Started != own.Started || first.Program != own.Program);
    QCOMPARE(Identity_Of(0).Started, QString());
    QCOMPARE(Identity_Of(-5).Program, QString());
#endif
}

QTEST_GUILESS_MAIN(Test_Platform)
#include "tst_platform.moc"
