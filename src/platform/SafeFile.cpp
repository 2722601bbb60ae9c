#include "SafeFile.h"

#include "CoreError.h"

#include <QSaveFile>

void Write_File_Safely(const QString &path, const QByteArray &data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Core_Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    if (file.write(data) != data.size() || !file.commit())
        throw Core_Error(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}
