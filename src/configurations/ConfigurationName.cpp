#include "ConfigurationName.h"

#include "platform/Paths.h"
#include "shell/AppState.h"

#include <QDir>
#include <QFileInfo>

bool Configuration_Name_Safe(const QString &name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
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
