#include "Startup.h"

#include "configurations/Configurations.h"
#include "language/LanguageFile.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "shell/AppState.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <QFileInfo>

void Start_Core(const QString &app_dir) {
    App.App_Dir = Native_Folder(app_dir);
    Set_Write_Root(App.App_Dir);
    App.Master_Dir = Join_Path(App.App_Dir, Master_Folder_Name);
    App.Projects_Dir = Join_Path(App.App_Dir, Projects_Folder_Name);
    App.Language_Dir = Join_Path(App.App_Dir, Language_Folder_Name);
    for (const QString &folder : {App.Master_Dir, App.Projects_Dir, App.Language_Dir})
        QDir().mkdir(folder); // a failure shows where the folder is used

    App.Proj_Name.clear();
    Load_Settings(App, Settings_File_Path(App));

    App.Window_Title = Def_Window_Title;
    App.SW_Code = Def_SW_Code;
    App.SW_Description = Def_SW_Description;

    Load_Language();

    const QString remembered = Join_Path(App.Projects_Dir, App.Proj_Name);
    // A name edited into the settings file by hand must not lead outside PROJECTS either.
    const bool found = Configuration_Name_Safe(App.Proj_Name) && QFileInfo(remembered).isDir();
    App.Proj_Dir = found ? remembered : QString();
    Set_Files();
    App.Last_Read_Back = true;
}
