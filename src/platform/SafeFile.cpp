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
    if (!file.open(QIODevice::WriteOnly))
        throw fail();
    // commit() renames the temporary file even when its buffered data could not be written
    // (a full disk), so the flush is checked here and a failure drops the temporary file.
    if (file.write(data) != data.size() || !file.flush() || file.error() != QFileDevice::NoError)
        throw fail();
    if (!file.commit())
        throw Core_Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}
