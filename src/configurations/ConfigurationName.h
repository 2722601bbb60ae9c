#pragma once

#include <QString>

// A configuration name is used as a folder name below PROJECTS. An empty name, a name holding
// a path separator, and "." or ".." would name PROJECTS itself or lead elsewhere.
bool Configuration_Name_Safe(const QString &name);

// Message entries of the create dialog.
enum Create_Result : int {
    Create_OK = 0,
    Create_Name_Refused = 105,
    Create_Folder_Exists = 106,
    Create_Name_Empty = 107,
};

// Creates the folder of a new configuration with its "bin" folder below App.Projects_Dir and
// makes it active (Proj_Name, Proj_Dir, Set_Files). Checks in this order: an empty name, a
// name that would lead outside PROJECTS, an existing folder, a folder that cannot be
// created. Anything but Create_OK changes nothing.
Create_Result Create_Configuration(const QString &name);
