#include "SafeFile.h"

#include "CoreError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

void Write_File_Safely(const QString &path, const QByteArray &data,
                       const std::function<void()> &before_replace) {
    QSaveFile file(path);
    const auto fail = [&file, &path] {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Core_Error(QStringLiteral("Cannot write %1: %2").arg(path, reason));
    };
    // commit() renames the temporary file even when data left in Qt's buffer could not be
    // written (a full disk), and a buffered flush that gets only part of the data out reports no
    // reason. So the data goes out unbuffered, piece by piece until all of it is written or the
    // operating system says why not, and nothing is renamed unless every byte was written.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw fail();
    for (qint64 written = 0; written < data.size();) {
        const qint64 piece = file.write(data.constData() + written, data.size() - written);
        if (piece <= 0)
            throw fail();
        written += piece;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        throw fail();
    if (before_replace) {
        try {
            before_replace();
        } catch (...) {
            file.cancelWriting();
            throw;
        }
    }
    if (!file.commit())
        throw Core_Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

bool Add_File_Name(const QString &existing, const QString &link) {
#ifdef Q_OS_WIN
    return CreateHardLinkW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(link).utf16()),
                           reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(existing).utf16()),
                           nullptr) != 0;
#else
    return ::link(QFile::encodeName(existing).constData(), QFile::encodeName(link).constData()) ==
           0;
#endif
}
