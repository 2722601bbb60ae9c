#include "UpdateLock.h"

#include "platform/CoreError.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "platform/ProcessLaunch.h"
#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QLockFile>
#include <QMutex>
#include <QSet>
#include <QSysInfo>
#include <QThread>

namespace {

// A lock file is six short lines; anything longer is no lock file of ours.
constexpr qint64 Lock_File_Limit = 4096;
// Linux keeps the first 15 bytes of a program's name as the name of its process.
constexpr int Process_Name_Bytes = 15;

// The lock files that objects of this process hold, for Join_Or_Take. A window takes its locks
// on a worker thread.
QMutex Held_Here_Guard;
QSet<QString> Held_Here;

void Hold_Here(const QString &path, bool held) {
    const QMutexLocker locker(&Held_Here_Guard);
    if (held)
        Held_Here.insert(path);
    else
        Held_Here.remove(path);
}

bool Is_Held_Here(const QString &path) {
    const QMutexLocker locker(&Held_Here_Guard);
    return Held_Here.contains(path);
}
// Taking over a stale lock file is itself guarded, so that two updates that both found it
// stale cannot remove each other's new one. The guard is held for a moment only.
constexpr int Takeover_Guard_Stale_Ms = 10000;

std::optional<qint64> Pid_Of(const QByteArray &line) {
    if (line.isEmpty() || line.size() > 19)
        return std::nullopt;
    for (char c : line) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    return line.toLongLong();
}

std::optional<QByteArray> Read_Lock_Text(const QString &path) {
    if (!QFileInfo::exists(path))
        return std::nullopt;
    try {
        return Read_Input_File(path, Lock_File_Limit);
    } catch (const Core_Error &) {
        if (!QFileInfo::exists(path))
            return std::nullopt; // freed meanwhile
        // Not a regular file, unreadable or too long: it still keeps every update out, and
        // no update may remove what it cannot read.
        throw;
    }
}

const QString &Own_Start_Time() {
    static const QString started = Identity_Of(QCoreApplication::applicationPid()).Started;
    return started;
}

Update_Lock_Holder Own_Holder(qint64 pid, qint64 updater_pid, const QString &updater_started) {
    return {pid,         QCoreApplication::applicationName(),    QSysInfo::machineHostName(),
            updater_pid, pid > 0 ? Own_Start_Time() : QString(), updater_started};
}

} // namespace

bool Holder_Runs(qint64 pid, const QString &started, const QString &program) {
    if (!Process_Alive(pid))
        return false;
    const Process_Identity now = Identity_Of(pid);
    if (!started.isEmpty() && !now.Started.isEmpty())
        return now.Started == started;
    if (program.isEmpty() || now.Program.isEmpty())
        return true;
#ifdef Q_OS_WIN
    return now.Program.compare(program, Qt::CaseInsensitive) == 0;
#else
    return now.Program.toUtf8() == program.toUtf8().left(Process_Name_Bytes);
#endif
}

namespace {

Lock_Status Judge(const std::optional<Update_Lock_Holder> &holder) {
    Lock_Status status{holder, false, false};
    if (!holder)
        return status;
    if (!holder->Host.isEmpty() && holder->Host != QSysInfo::machineHostName())
        status.Foreign = true;
    else
        status.Held = Holder_Runs(holder->Pid, holder->Started, holder->Program) ||
                      Holder_Runs(holder->Updater_Pid, holder->Updater_Started, QString());
    return status;
}

// Removes the lock file when it still holds text, the content that was found stale.
void Take_Over(const QString &path, const QByteArray &text) {
    QLockFile guard(path + Takeover_Suffix);
    guard.setStaleLockTime(Takeover_Guard_Stale_Ms);
    if (!guard.tryLock(Update_Lock::Retry_Ms))
        return; // another update is taking it over; look again
    std::optional<QByteArray> now;
    try {
        now = Read_Lock_Text(path);
    } catch (const Core_Error &) {
        now = text; // unreadable still, and such a file is taken over
    }
    if (now && *now == text)
        QFile::remove(path);
}

} // namespace

QByteArray Lock_File_Text(const Update_Lock_Holder &holder) {
    return QByteArray::number(holder.Pid) + '\n' + holder.Program.toUtf8() + '\n' +
           holder.Host.toUtf8() + '\n' + QByteArray::number(holder.Updater_Pid) + '\n' +
           holder.Started.toUtf8() + '\n' + holder.Updater_Started.toUtf8() + '\n';
}

std::optional<Update_Lock_Holder> Parse_Lock_File(const QByteArray &text) {
    QList<QByteArray> lines = text.split('\n');
    while (lines.size() < 6)
        lines.append(QByteArray());
    const std::optional<qint64> pid = Pid_Of(lines.at(0));
    const std::optional<qint64> updater = Pid_Of(lines.at(3));
    if (!pid || (*pid == 0 && (!updater || *updater == 0)))
        return std::nullopt;
    // A start time is a number; anything else is judged as none.
    const auto started = [](const QByteArray &line) {
        return Pid_Of(line) ? QString::fromLatin1(line) : QString();
    };
    return Update_Lock_Holder{*pid,
                              QString::fromUtf8(lines.at(1)),
                              QString::fromUtf8(lines.at(2)),
                              updater.value_or(0),
                              started(lines.at(4)),
                              started(lines.at(5))};
}

QString Holder_Text(const Update_Lock_Holder &holder) {
    QString text = holder.Pid > 0
                       ? QStringLiteral("%1, process %2").arg(holder.Program).arg(holder.Pid)
                       : QStringLiteral("the updater %1 left running").arg(holder.Program);
    if (holder.Updater_Pid > 0)
        text += QStringLiteral(", updater process %1").arg(holder.Updater_Pid);
    if (!holder.Host.isEmpty())
        text += QStringLiteral(" on ") + holder.Host;
    return text;
}

Holder_Lock::Holder_Lock(QString path, Unreadable unreadable)
    : File_Path(std::move(path)), On_Unreadable(unreadable) {}

Holder_Lock::~Holder_Lock() {
    Release();
}

Holder_Lock::Take_Result
Holder_Lock::Take(int limit_ms, const std::function<void(qint64, const Update_Lock_Holder &)> &step,
                  const std::function<bool()> &cancelled) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (Create_File_Exclusively(
                File_Path,
                Lock_File_Text(Own_Holder(QCoreApplication::applicationPid(), 0, QString())))) {
            Held = true;
            Hold_Here(File_Path, true);
            return Take_Result::Taken;
        }
        std::optional<QByteArray> text;
        try {
            text = Read_Lock_Text(File_Path);
        } catch (const Core_Error &) {
            if (On_Unreadable == Unreadable_Holds)
                throw;
            text = QByteArray(); // names no process, so it is taken over below
        }
        if (!text)
            continue; // freed between the two looks
        const Lock_Status status = Judge(Parse_Lock_File(*text));
        if (status.Foreign) {
            Waited_For = *status.Holder;
            return Take_Result::Foreign;
        }
        if (!status.Held) {
            Take_Over(File_Path, *text);
            continue;
        }
        Waited_For = *status.Holder;
        if (waited.elapsed() >= limit_ms)
            return Take_Result::Busy;
        QThread::msleep(Retry_Ms);
        step(waited.elapsed(), Waited_For);
        if (cancelled && cancelled())
            return Take_Result::Cancelled;
    }
}

Holder_Lock::Take_Result
Holder_Lock::Join_Or_Take(int limit_ms,
                          const std::function<void(qint64, const Update_Lock_Holder &)> &step) {
    if (!Is_Held_Here(File_Path))
        return Take(limit_ms, step);
    Joined = true;
    return Take_Result::Taken;
}

void Holder_Lock::Write_Own(qint64 holder_pid, qint64 updater_pid, const QString &updater_started) {
    // Replaced whole, so that nobody reads it half written and takes it for stale.
    Write_File_Safely(File_Path,
                      Lock_File_Text(Own_Holder(holder_pid, updater_pid, updater_started)));
}

void Holder_Lock::Add_Updater(qint64 pid) {
    if (!Held && !Joined)
        return;
    try {
        Write_Own(QCoreApplication::applicationPid(), pid, Identity_Of(pid).Started);
    } catch (const Core_Error &) {
        // The updater runs all the same; the lock then names this process alone and ends
        // with it, as it did before updaters were named.
    }
}

void Holder_Lock::Leave_To_Updater() {
    if (!Held && !Joined)
        return;
    if (Held)
        Hold_Here(File_Path, false);
    Held = false;
    Joined = false;
    try {
        const std::optional<Update_Lock_Holder> holder =
            Parse_Lock_File(Read_Lock_Text(File_Path).value_or(QByteArray()));
        if (holder)
            Write_Own(0, holder->Updater_Pid, holder->Updater_Started);
    } catch (const Core_Error &) {
        // The file keeps naming this process too: the lock then lasts until both have ended.
    }
}

void Holder_Lock::Release() {
    Joined = false;
    if (!Held)
        return;
    Held = false;
    Hold_Here(File_Path, false);
    std::optional<Update_Lock_Holder> holder;
    try {
        holder = Parse_Lock_File(Read_Lock_Text(File_Path).value_or(QByteArray()));
    } catch (const Core_Error &) {
    }
    // An updater that a joined use of the lock left running keeps it until it ends.
    if (holder && holder->Pid == 0 &&
        Holder_Runs(holder->Updater_Pid, holder->Updater_Started, QString()))
        return;
    QFile::remove(File_Path);
}

Update_Lock::Update_Lock(const QString &app_dir)
    : Holder_Lock(Join_Path(app_dir, Update_Lock_File_Name)) {}

QString Update_Busy_Text(const Update_Lock_Holder &holder) {
    return QStringLiteral("Another update from this program folder is running (%1). Try again "
                          "when it has ended.")
        .arg(Holder_Text(holder));
}

QString Foreign_Lock_Text(const QString &path, const Update_Lock_Holder &holder) {
    return QStringLiteral("The update lock %1 names another computer (%2). An update started "
                          "there may still run; if none does, clear the lock with "
                          "\"cf20914-cli unlock\".")
        .arg(QDir::toNativeSeparators(path), Holder_Text(holder));
}

std::optional<Lock_Status> Read_Holder_File(const QString &path) {
    const std::optional<QByteArray> text = Read_Lock_Text(path);
    if (!text)
        return std::nullopt;
    return Judge(Parse_Lock_File(*text));
}

std::optional<Lock_Status> Read_Update_Lock(const QString &app_dir) {
    return Read_Holder_File(Join_Path(app_dir, Update_Lock_File_Name));
}

Update_Lock_Holder This_Process() {
    return Own_Holder(QCoreApplication::applicationPid(), 0, QString());
}

void Clear_Update_Lock(const QString &app_dir) {
    Remove_Lock_File(Join_Path(app_dir, Update_Lock_File_Name));
}

void Remove_Lock_File(const QString &path) {
    QFile file(path);
    if (file.exists() && !file.remove())
        throw Core_Error(QStringLiteral("Cannot remove %1: %2")
                             .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}
