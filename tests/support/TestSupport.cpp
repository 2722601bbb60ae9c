#include "TestSupport.h"

#include "language/LangStrings.h"
#include "shell/AppState.h"

#include <QFile>
#include <QTest>
#ifdef Q_OS_LINUX
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Program_Folder::Program_Folder() {
#ifdef Q_OS_LINUX
    // Readable by others, so that a Read_Only_Folder below it works for root too.
    umask(022);
#endif
    QFile::setPermissions(Dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
    App = AppState{};
    Fill_Default_Lang();
}

QString Program_Folder::file(const QString &name) const {
    return Dir.filePath(name);
}

void Write_Test_File(const QString &path, const QByteArray &content) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
}

QByteArray Read_Test_File(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString Read_Only_Folder::Unavailable() {
#ifdef Q_OS_WIN
    return QStringLiteral("Windows keeps the read-only attribute of a folder for display only, "
                          "and Wine applies no access control lists");
#else
    return {};
#endif
}

Read_Only_Folder::Read_Only_Folder(const QString &path) : Path(path) {
    QFile::setPermissions(Path, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                    QFileDevice::ReadOther | QFileDevice::ExeOther);
#ifdef Q_OS_LINUX
    if (geteuid() == 0) {
        setfsgid(65534);
        setfsuid(65534);
    }
#endif
}

Read_Only_Folder::~Read_Only_Folder() {
#ifdef Q_OS_LINUX
    if (geteuid() == 0) {
        setfsuid(0);
        setfsgid(0);
    }
#endif
    QFile::setPermissions(Path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther);
}
