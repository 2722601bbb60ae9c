#pragma once

#include "Configurations.h"

#include <QString>

// Copying, renaming and deleting configurations of App.Projects_Dir. A new name is checked as
// the create dialog checks it, in the same order (empty, leading outside PROJECTS, an existing
// folder); the result names the refusal, and a refusal changes nothing. An operation that fails
// on the disk throws Core_Error with the reason and leaves no half-done folder behind.

// Copies the folder of name with every file to new_name. The record of updates stays with the
// original: the copy is meant for another device, whose history begins empty.
Create_Result Copy_Configuration(const QString &name, const QString &new_name);

// Renames the folder of name to new_name. When name is the active configuration, the new name
// becomes the active one.
Create_Result Rename_Configuration(const QString &name, const QString &new_name);

// Removes the folder of name with every file in it. It is first moved aside under a hidden
// name, so a failure halfway never leaves a configuration with some files missing. When name is
// the active configuration, none is active afterwards.
void Delete_Configuration(const QString &name);
