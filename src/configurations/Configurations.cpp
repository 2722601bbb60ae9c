#include "Configurations.h"
#include "ConfigurationLock.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "platform/XmlFile.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {

// Listing a folder needs the right to read it and, on POSIX systems, the right to enter it to
// tell its folders from its files; Windows has no such right.
bool Can_List(const QFileInfo &folder) {
#ifdef Q_OS_UNIX
    return folder.isReadable() && folder.isExecutable();
#else
    return folder.isReadable();
#endif
}

// What a file system takes as one name: bytes on Linux, UTF-16 units on Windows.
constexpr int File_Name_Limit = 255;

bool Fits_With_Suffixes(const QString &name) {
    const int longest = int(Configuration_Lock_Suffix.size() + Takeover_Suffix.size());
#ifdef Q_OS_WIN
    return name.size() + longest <= File_Name_Limit;
#else
    return QFile::encodeName(name).size() + longest <= File_Name_Limit;
#endif
}

const QString Scratch_Prefix = QStringLiteral(".cf20914-");

// Scratch folders of an earlier version name no process; none of their work lasts this long.
constexpr qint64 Unnamed_Scratch_Age_S = 3600;

// Removes the scratch folders whose process has ended.
void Remove_Dead_Scratch(const QString &projects_dir) {
    static const QRegularExpression named(QStringLiteral("^\\.cf20914-(\\d+)-(\\d*)-"));
    const QDir projects(projects_dir);
    const QFileInfoList entries = projects.entryInfoList(
        {Scratch_Prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QRegularExpressionMatch match = named.match(entry.fileName());
        const bool dead =
            match.hasMatch()
                ? !Holder_Runs(match.captured(1).toLongLong(), match.captured(2), QString())
                : entry.lastModified().secsTo(QDateTime::currentDateTime()) > Unnamed_Scratch_Age_S;
        if (dead && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
    }
}

} // namespace

bool Configuration_Name_Safe(const QString &name) {
    return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) && Plain_File_Name(name) &&
           Xml_Can_Hold(name) && !Holds_Control(name) && Fits_With_Suffixes(name);
}

Scratch_Folder::Scratch_Folder(const QString &projects_dir) {
    Remove_Dead_Scratch(projects_dir);
    const QString own = Scratch_Prefix + QStringLiteral("%1-%2-")
                                             .arg(QCoreApplication::applicationPid())
                                             .arg(This_Process().Started);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = Join_Path(
            projects_dir, own + QString::number(QRandomGenerator::global()->generate(), 36));
        Refuse_Links(path);
        if (QDir().mkdir(path)) {
            Folder = path;
            return;
        }
        if (!QFileInfo::exists(path))
            break;
    }
    throw Core_Error(QStringLiteral("Cannot make a folder in %1: %2")
                         .arg(QDir::toNativeSeparators(projects_dir),
                              QFileInfo(projects_dir).isWritable()
                                  ? QStringLiteral("the folder refuses it")
                                  : QStringLiteral("the folder may not be written")));
}

Scratch_Folder::~Scratch_Folder() {
    if (!Folder.isEmpty())
        QDir(Folder).removeRecursively();
}

bool Scratch_Folder::Move_To(const QString &target) {
    Refuse_Links(target);
    if (!QDir().rename(Folder, target))
        return false;
    Folder.clear();
    return true;
}

void Check_Projects_Folder(const QString &projects_dir) {
    const QFileInfo folder(projects_dir);
    int problem = 0;
    if (!folder.exists())
        problem = Text_Projects_Missing;
    else if (!folder.isDir())
        problem = Text_Projects_Not_Folder;
    else if (!Can_List(folder))
        problem = Text_Projects_Unreadable;
    if (problem)
        throw Core_Error(Lang_Strings.at(problem).arg(projects_dir));
}

Create_Result Create_Configuration(const QString &name,
                                   const std::function<void(const QString &)> &fill) {
    if (name.isEmpty())
        return Create_Name_Empty;
    if (!Configuration_Name_Safe(name))
        return Create_Name_Refused;
    Check_Projects_Folder(App.Projects_Dir);
    const QString folder = Join_Path(App.Projects_Dir, name);
    if (QFileInfo(folder).isDir() || !Case_Twin(App.Projects_Dir, name).isEmpty())
        return Create_Folder_Exists;
    Refuse_Links(folder);
    if (!QFileInfo(App.Projects_Dir).isWritable())
        throw Core_Error(Lang_Strings.at(Text_Projects_Not_Writable).arg(App.Projects_Dir));
    Scratch_Folder scratch(App.Projects_Dir);
    const QString made = Join_Path(scratch.Path(), name);
    if (!QDir().mkdir(made))
        return Create_Name_Refused;
    QDir().mkpath(Join_Path(made, QStringLiteral("bin"))); // the image writer makes it too
    if (fill)
        fill(made);
    if (!QDir().rename(made, folder))
        return QFileInfo(folder).isDir() ? Create_Folder_Exists : Create_Name_Refused;
    App.Proj_Name = name;
    App.Proj_Dir = folder;
    Set_Files();
    return Create_OK;
}

QString Case_Twin(const QString &projects_dir, const QString &name) {
    for (const QString &other : Load_Existing_Configuration(projects_dir)) {
        if (other != name && other.compare(name, Qt::CaseInsensitive) == 0)
            return other;
    }
    return QString();
}

QStringList Load_Existing_Configuration(const QString &projects_dir) {
    Check_Projects_Folder(projects_dir);
    QStringList names =
        QDir(projects_dir)
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    names.removeIf([](const QString &name) { return name.startsWith(QLatin1Char('.')); });
    return names;
}

int Find_Configuration(const QStringList &names, const QString &name) {
    // Where the file system keeps "Line1" and "LINE1" apart, the name itself comes first.
    if (const qsizetype exact = names.indexOf(name); exact >= 0)
        return int(exact);
    const QString wanted = Ascii_Upper(name);
    for (int i = 0; i < names.size(); ++i) {
        if (Ascii_Upper(names.at(i)) == wanted)
            return i;
    }
    return -1;
}

QString Active_Folder_Name() {
    const QString prefix = App.Projects_Dir + Path_Separator();
    if (App.Proj_Dir.isEmpty() || !App.Proj_Dir.startsWith(prefix))
        return QString();
    return App.Proj_Dir.mid(prefix.size());
}

bool Open_Configuration(const QString &name) {
    if (!name.isEmpty() && !Configuration_Name_Safe(name))
        return false;
    App.Proj_Name = name;
    App.Proj_Dir = name.isEmpty() ? QString() : Join_Path(App.Projects_Dir, name);
    Set_Files();
    return true;
}

void Forget_Missing_Configuration() {
    if (!App.Proj_Dir.isEmpty() && !QFileInfo(App.Proj_Dir).isDir())
        Open_Configuration(QString());
}
