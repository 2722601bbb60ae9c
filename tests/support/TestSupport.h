#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// True in the Windows build: file names there follow the rules of Windows.
inline constexpr bool On_Windows =
#ifdef Q_OS_WIN
    true;
#else
    false;
#endif

// A fresh program folder for one test case: AppState and the text table are reset, and the
// folder is removed when the case ends.
class Program_Folder {
public:
    Program_Folder();
    QString path() const { return Dir.path(); }
    QString file(const QString &name) const;

private:
    QTemporaryDir Dir;
};

void Write_Test_File(const QString &path, const QByteArray &content);
QByteArray Read_Test_File(const QString &path);

// Makes a folder unwritable while it lives. Running as root, where permissions do not stop a
// write, the file-system identity of the process is switched to an unprivileged user as well,
// so every folder the test did not open up is read-only then (Program_Folder's are readable).
class Read_Only_Folder {
public:
    // Why no folder can be made read-only for this process here; empty where one can.
    static QString Unavailable();

    explicit Read_Only_Folder(const QString &path);
    ~Read_Only_Folder();
    Read_Only_Folder(const Read_Only_Folder &) = delete;
    Read_Only_Folder &operator=(const Read_Only_Folder &) = delete;

private:
    QString Path;
};

// Skips the rest of a test case where Read_Only_Folder has no effect, with the reason.
#define SKIP_UNLESS_READ_ONLY_FOLDERS()                                                            \
    do {                                                                                           \
        if (const QString reason = Read_Only_Folder::Unavailable(); !reason.isEmpty())             \
            QSKIP(qPrintable(reason));                                                             \
    } while (false)
