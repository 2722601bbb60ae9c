#pragma once

#include "Configurations.h"

#include <QByteArray>
#include <QString>
#include <optional>

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

// The files a change of a configuration rewrites, ParGen.xml and bin/bank.bin, as they were
// before it (nullopt: the file was not there), so that a change that must not stand is undone.
struct Configuration_Files {
    QString Dir;
    std::optional<QByteArray> Par_Gen;
    std::optional<QByteArray> Bank;
};

// The files of the configuration in dir as they are now. Throws Core_Error when one cannot be
// read.
Configuration_Files Save_Configuration_Files(const QString &dir);

// Puts the files back as saved: writes each saved one, removes one that was not there. Throws
// Core_Error with the reason when that fails.
void Restore_Configuration_Files(const Configuration_Files &files);
