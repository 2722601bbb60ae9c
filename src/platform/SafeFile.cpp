#include "SafeFile.h"

#include "CoreError.h"

#include <QSaveFile>

void Write_File_Safely(const QString &path, const QByteArray &data) {
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
    if (!file.commit())
        throw Core_Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}
