#include "Configurations.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/XmlFile.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace

bool Configuration_Name_Safe(const QString &name) {
    return !name.isEmpty() && Plain_File_Name(name) && Xml_Can_Hold(name) && !Holds_Control(name);
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

Create_Result Create_Configuration(const QString &name) {
    if (name.isEmpty())
        return Create_Name_Empty;
    if (!Configuration_Name_Safe(name))
        return Create_Name_Refused;
    Check_Projects_Folder(App.Projects_Dir);
    const QString folder = Join_Path(App.Projects_Dir, name);
    if (QFileInfo(folder).isDir() || !Case_Twin(App.Projects_Dir, name).isEmpty())
        return Create_Folder_Exists;
    if (!QDir().mkdir(folder)) {
        if (!QFileInfo(App.Projects_Dir).isWritable())
            throw Core_Error(Lang_Strings.at(Text_Projects_Not_Writable).arg(App.Projects_Dir));
        return Create_Name_Refused;
    }
    QDir().mkpath(Join_Path(folder, QStringLiteral("bin"))); // the image writer makes it too
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
    return QDir(projects_dir)
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
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
