#include "LanguageFile.h"

#include "LangStrings.h"
#include "platform/CoreError.h"
#include "platform/FileAttributes.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"
#include "shell/TextDecoding.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QChar Pilcrow(0x00B6);
const QString Remark = QStringLiteral("/#/");

// "; Locale = de": a remark line for the reader of the entries, so a file that names its
// locale still reads the same in an older program.
QString Locale_Of_Line(const QString &s) {
    static const QRegularExpression Locale_Line(QStringLiteral("^;\\s*Locale\\s*=\\s*(\\S*)\\s*$"),
                                                QRegularExpression::CaseInsensitiveOption);
    // Only a plain locale name: the name becomes part of a file name.
    static const QRegularExpression Locale_Name(
        QStringLiteral("^[A-Za-z]{2,3}(_[A-Za-z0-9]{2,8})*$"));
    const QRegularExpressionMatch match = Locale_Line.match(s);
    if (!match.hasMatch())
        return {};
    const QString name = match.captured(1);
    return Locale_Name.match(name).hasMatch() ? name : QString();
}

// Applies one line; returns the locale a locale remark names, else a null text.
QString Apply_Lang_Line(const QString &line) {
    const QString s = Trim_Controls(line);
    if (s.startsWith(QLatin1Char(';')))
        return Locale_Of_Line(s);
    if (!s.startsWith(QLatin1String("STR")))
        return {};
    // The character right before the first "=" never belongs to the index.
    const qsizetype equals = s.indexOf(QLatin1Char('='));
    const auto index = equals < 5 ? std::nullopt : Decimal_Int(Trim_Controls(s.mid(3, equals - 4)));
    if (!index || *index < 0 || *index >= Lang_Count)
        return {};
    QString value = Trim_Controls(s.mid(equals + 1));
    const qsizetype remark = value.indexOf(Remark);
    if (remark >= 0)
        value = Trim_Controls(value.left(remark));
    if (value.isEmpty())
        return {};
    if (value.startsWith(Pilcrow))
        value.remove(0, 1);
    const qsizetype mark = value.indexOf(Pilcrow);
    if (mark >= 0)
        value.truncate(mark);
    Lang_Strings[*index] = value;
    return {};
}

} // namespace

QStringList Read_Text_Lines(const QString &path) {
    QByteArray bytes;
    try {
        bytes = Read_Input_File(path, Text_File_Limit);
    } catch (const Core_Error &) {
        return {}; // the defaults stay, as for a missing file
    }
    QString text = Decode_Text(bytes, false).Text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

QString Lang_Locale;

QString Read_Lang_File(const QString &path) {
    QString locale;
    for (const QString &line : Read_Text_Lines(path)) {
        const QString named = Apply_Lang_Line(line);
        if (!named.isNull())
            locale = named;
    }
    return locale;
}

void Load_Language() {
    Fill_Default_Lang();
    Lang_Locale.clear();
    const QString file = Join_Path(App.Language_Dir, App.Language_Name + QLatin1String(".lng"));
    // A name that is a path would load a file from anywhere.
    if (Plain_File_Name(App.Language_Name) && QFileInfo::exists(file)) {
        Lang_Locale = Read_Lang_File(file);
        return;
    }
    App.Language_Name = Def_Language_Name;
    const QString english = Join_Path(App.Language_Dir, Def_Language_Name + QLatin1String(".lng"));
    if (QFileInfo::exists(english))
        Lang_Locale = Read_Lang_File(english);
}

QStringList List_Language_Files(const QString &language_dir) {
    QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System;
#ifndef Q_OS_WIN
    // Load_Language opens "<name>.lng" exactly; on a case-sensitive file system "X.LNG" is
    // another file.
    filters |= QDir::CaseSensitive;
#endif
    const QDir dir(language_dir);
    QStringList files;
    for (const QString &name : dir.entryList({QStringLiteral("*.lng")}, filters, QDir::Unsorted)) {
        if (Is_Plain_Writable_File(dir.filePath(name)))
            files.append(name);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(files.begin(), files.end(), collator);
    return files;
}

QString Language_Of_File(const QString &file_name) {
    return file_name.chopped(4);
}

QString Qt_Translation_File(const QString &language_dir, const QString &locale) {
    if (locale.isEmpty())
        return {};
    return Join_Path(language_dir, QStringLiteral("qtbase_") + locale + QLatin1String(".qm"));
}
