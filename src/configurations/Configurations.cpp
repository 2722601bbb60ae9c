#include "Configurations.h"

#include "platform/Paths.h"
#include "platform/XmlFile.h"
#include "shell/AppState.h"
#include "shell/Comon.h"

#include <QDir>
#include <QFileInfo>

bool Configuration_Name_Safe(const QString &name) {
    return !name.isEmpty() && Plain_File_Name(name) && Xml_Can_Hold(name);
}

Create_Result Create_Configuration(const QString &name) {
    if (name.isEmpty())
        return Create_Name_Empty;
    if (!Configuration_Name_Safe(name))
        return Create_Name_Refused;
    const QString folder = Join_Path(App.Projects_Dir, name);
    if (QFileInfo(folder).isDir())
        return Create_Folder_Exists;
    if (!QDir().mkdir(folder))
        return Create_Name_Refused;
    QDir().mkpath(Join_Path(folder, QStringLiteral("bin"))); // the image writer makes it too
    App.Proj_Name = name;
    App.Proj_Dir = folder;
    Set_Files();
    return Create_OK;
}

QStringList Load_Existing_Configuration(const QString &projects_dir) {
    return QDir(projects_dir)
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

int Search_Open_Conf(const QStringList &names, const QString &snc) {
    const QString wanted = Ascii_Upper(snc);
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
