#include "Paths.h"

#include <QDir>

QChar Path_Separator() {
    return QDir::separator();
}

QString Join_Path(const QString &dir, const QString &name) {
    return dir + Path_Separator() + name;
}

bool Plain_File_Name(const QString &name) {
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

QString Native_Folder(const QString &folder) {
    QString native = QDir::toNativeSeparators(folder);
    while (native.size() > 1 && native.endsWith(Path_Separator()) &&
           !(native.size() == 3 && native.at(1) == QLatin1Char(':')))
        native.chop(1);
    return native;
}
