#include "Paths.h"

#include <QDir>
#include <QRegularExpression>

QChar Path_Separator() {
    return QDir::separator();
}

QString Join_Path(const QString &dir, const QString &name) {
    return dir + Path_Separator() + name;
}

#ifdef Q_OS_WIN
namespace {

// Windows drops blanks and dots at the end of a name, reads ":" as the start of a stream of
// the file and refuses the other reserved characters; the device names stay devices in every
// folder, with any extension. Such a name would be another file than the one meant, or none.
bool Windows_Holds_Name(const QString &name) {
    if (name.endsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char('.')))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("<>:\"|?*").contains(c))
            return false;
    }
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9]) *(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return !device.match(name).hasMatch();
}

} // namespace
#endif

bool Plain_File_Name(const QString &name) {
    const bool plain = !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
                       name != QLatin1String(".") && name != QLatin1String("..");
#ifdef Q_OS_WIN
    return plain && Windows_Holds_Name(name);
#else
    return plain;
#endif
}

QString Native_Folder(const QString &folder) {
    QString native = QDir::toNativeSeparators(folder);
    while (native.size() > 1 && native.endsWith(Path_Separator()) &&
           !(native.size() == 3 && native.at(1) == QLatin1Char(':')))
        native.chop(1);
    return native;
}
