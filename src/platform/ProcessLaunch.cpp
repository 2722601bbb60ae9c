#include "ProcessLaunch.h"

#include "CoreError.h"
#include "NamedEvent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <iterator>

#ifdef Q_OS_WIN
#include <string>
#include <windows.h>
#else
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char **environ;
#endif

namespace {

Core_Error Start_Error(const QString &program, const QString &reason) {
    return Core_Error(
        QStringLiteral("Cannot start %1: %2").arg(QDir::toNativeSeparators(program), reason));
}

#ifdef Q_OS_WIN

class Windows_Child final : public Child_Process {
public:
    explicit Windows_Child(HANDLE process) : Process(process) {}

    // Closing the handle leaves the process running.
    ~Windows_Child() override {
        if (Exit_Wait)
            UnregisterWaitEx(Exit_Wait, nullptr);
        if (Process)
            CloseHandle(Process);
    }

    void Signal_On_Exit(const QString &event_name) override {
        auto *name = new QString(event_name);
        const auto on_exit = [](PVOID context, BOOLEAN) {
            const std::unique_ptr<QString> owned(static_cast<QString *>(context));
            Named_Event::Signal(*owned);
        };
        if (!Process || !RegisterWaitForSingleObject(&Exit_Wait, Process, on_exit, name, INFINITE,
                                                     WT_EXECUTEONLYONCE))
            delete name;
    }

    bool Finished() override {
        DWORD code = 0;
        if (!Process || !GetExitCodeProcess(Process, &code))
            return true;
        Code = code;
        return code != STILL_ACTIVE;
    }

    int Exit_Code() const override { return int(Code); }

    qint64 Pid() const override { return Process ? qint64(GetProcessId(Process)) : 0; }

private:
    HANDLE Process;
    DWORD Code = 0;
    HANDLE Exit_Wait = nullptr;
};

std::unique_ptr<Child_Process> Start_Native(const QString &program, const QString &) {
    // The program's path, quoted, is its whole command line: no arguments. CreateProcessW may
    // write into the command line, so it gets a copy of its own.
    const QString native = QDir::toNativeSeparators(program);
    std::wstring command_line = L"\"" + native.toStdWString() + L"\"";
    const std::wstring application = native.toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process))
        throw Start_Error(program, qt_error_string(int(GetLastError())));
    CloseHandle(process.hThread);
    return std::make_unique<Windows_Child>(process.hProcess);
}

#else

// Children whose Child_Process went away while they ran; they are reaped once they end.
struct Orphan_List {
    std::mutex Lock;
    std::vector<pid_t> Pids;
};

Orphan_List &Orphans() {
    static Orphan_List orphans;
    return orphans;
}

// True once pid has ended and has been reaped (by this call or by someone else before); status
// then holds its wait status when this call reaped it.
bool Reap(pid_t pid, int *status = nullptr) {
    const pid_t result = waitpid(pid, status, WNOHANG);
    return result == pid || (result < 0 && errno == ECHILD);
}

bool Reap_Orphan(pid_t pid) {
    return Reap(pid);
}

void Reap_Orphans() {
    Orphan_List &orphans = Orphans();
    const std::lock_guard<std::mutex> lock(orphans.Lock);
    orphans.Pids.erase(std::remove_if(orphans.Pids.begin(), orphans.Pids.end(), Reap_Orphan),
                       orphans.Pids.end());
}

class Posix_Child final : public Child_Process {
public:
    explicit Posix_Child(pid_t pid) : Process_Id(pid) {}

    ~Posix_Child() override {
        if (!Finished()) {
            Orphan_List &orphans = Orphans();
            const std::lock_guard<std::mutex> lock(orphans.Lock);
            orphans.Pids.push_back(Process_Id);
        }
    }

    bool Finished() override {
        Reap_Orphans();
        if (!Ended) {
            int status = 0;
            Ended = Reap(Process_Id, &status);
            if (Ended)
                Code = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        }
        return Ended;
    }

    int Exit_Code() const override { return Code; }

    qint64 Pid() const override { return Process_Id; }

    void Signal_On_Exit(const QString &event_name) override {
        // waitid with WNOWAIT sees the end without reaping, so Finished() still reaps the child.
        std::thread([pid = Process_Id, event_name] {
            siginfo_t info{};
            int result = 0;
            do {
                result = waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
            } while (result != 0 && errno == EINTR);
            if (result == 0)
                Named_Event::Signal(event_name);
        }).detach();
    }

private:
    pid_t Process_Id;
    bool Ended = false;
    int Code = 0;
};

// True when the file at path is a Windows program: it starts with the "MZ" of an executable.
bool Is_Windows_Program(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(2) == "MZ";
}

// glibc's posix_spawn reports a failed exec (no such file, no permission, not a program) as
// its result, so the error comes back here rather than from a child that vanishes. A Windows
// program runs under Wine, which lives as long as the program and ends with its exit code.
// The attributes and file actions of a spawn, freed however the start ends.
struct Spawn_Setup {
    posix_spawnattr_t Attributes;
    posix_spawn_file_actions_t Actions;
    Spawn_Setup() {
        posix_spawnattr_init(&Attributes);
        posix_spawn_file_actions_init(&Actions);
    }
    ~Spawn_Setup() {
        posix_spawn_file_actions_destroy(&Actions);
        posix_spawnattr_destroy(&Attributes);
    }
    Spawn_Setup(const Spawn_Setup &) = delete;
    Spawn_Setup &operator=(const Spawn_Setup &) = delete;
};

std::unique_ptr<Child_Process> Start_Native(const QString &program, const QString &output_log) {
    Reap_Orphans();
    QList<QByteArray> arguments{QFile::encodeName(program)};
    if (Is_Windows_Program(program)) {
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (wine.isEmpty())
            throw Start_Error(program,
                              QStringLiteral("it is a Windows program, and running it here needs "
                                             "Wine (on Debian: apt-get install wine)"));
        arguments.prepend(QFile::encodeName(wine));
    }
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    Spawn_Setup setup;
    posix_spawnattr_setpgroup(&setup.Attributes, 0);
    posix_spawnattr_setflags(&setup.Attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawn_file_actions_addopen(&setup.Actions, 0, "/dev/null", O_RDONLY, 0);
    const QByteArray log =
        output_log.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(output_log);
    if (!output_log.isEmpty()) {
        // Made here, so that a log that cannot be made is said rather than lost in the child.
        QFile file(output_log);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw Start_Error(program,
                              QStringLiteral("its log %1 cannot be written: %2")
                                  .arg(QDir::toNativeSeparators(output_log), file.errorString()));
    }
    posix_spawn_file_actions_addopen(&setup.Actions, 1, log.constData(), O_WRONLY | O_APPEND, 0);
    posix_spawn_file_actions_adddup2(&setup.Actions, 1, 2);
    pid_t pid = 0;
    const int error =
        posix_spawn(&pid, argv[0], &setup.Actions, &setup.Attributes, argv.data(), environ);
    if (error != 0)
        throw Start_Error(program, qt_error_string(error));
    return std::make_unique<Posix_Child>(pid);
}

#endif

} // namespace

std::unique_ptr<Child_Process> Child_Process::Start(const QString &program,
                                                    const QString &output_log) {
    // A relative path would depend on the working folder; a bare name would invite a search.
    if (!QDir::isAbsolutePath(program))
        throw Start_Error(program, QStringLiteral("not an absolute path"));
    return Start_Native(program, output_log);
}

QString Path_For_Program(const QString &program_path, const QString &path) {
#ifdef Q_OS_WIN
    Q_UNUSED(program_path);
    return path;
#else
    if (!path.startsWith(QLatin1Char('/')) || !Is_Windows_Program(program_path))
        return path;
    return QStringLiteral("Z:") + QString(path).replace(QLatin1Char('/'), QLatin1Char('\\'));
#endif
}

Process_Identity Identity_Of(qint64 pid) {
    Process_Identity identity;
    if (pid <= 0)
        return identity;
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return identity;
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (GetProcessTimes(process, &created, &exited, &kernel, &user))
        identity.Started =
            QString::number((quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime);
    wchar_t image[MAX_PATH * 4];
    DWORD size = DWORD(std::size(image));
    if (QueryFullProcessImageNameW(process, 0, image, &size))
        identity.Program = QFileInfo(QString::fromWCharArray(image, int(size))).completeBaseName();
    CloseHandle(process);
#elif defined(Q_OS_LINUX)
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QFile stat(proc + QStringLiteral("stat"));
    if (stat.open(QIODevice::ReadOnly)) {
        // The program's name in parentheses may hold blanks and parentheses itself: the fields
        // are counted after the last ")", which is field 2; the start time is field 22.
        const QByteArray text = stat.read(4096);
        const QList<QByteArray> fields =
            text.mid(text.lastIndexOf(')') + 1).simplified().split(' ');
        if (fields.size() > 19)
            identity.Started = QString::fromLatin1(fields.at(19));
    }
    QFile comm(proc + QStringLiteral("comm"));
    if (comm.open(QIODevice::ReadOnly))
        identity.Program = QString::fromUtf8(comm.read(64)).trimmed();
#endif
    return identity;
}

bool Process_Alive(qint64 pid) {
    if (pid <= 0)
        return false;
#ifdef Q_OS_WIN
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // it exists, but is not ours to open
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
#else
    if (pid > std::numeric_limits<pid_t>::max())
        return false;
    // A child of ours that has ended but is not reaped yet still holds its number: reap it
    // here, so that an updater this program left running stops counting once it has ended.
    Reap_Orphans();
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
#endif
}
