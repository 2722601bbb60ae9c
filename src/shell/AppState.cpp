#include "AppState.h"

#include "platform/Paths.h"

AppState App;

void Set_Files() {
    App.ParGen_File = Join_Path(App.Proj_Dir, ParGen_File_Name);
}

bool Update_Timer_Wanted() {
    return App.Enable_Internet && App.Enable_Update;
}
