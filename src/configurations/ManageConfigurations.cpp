#include "ManageConfigurations.h"

#include "image/Bank.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "shell/AppState.h"
#include "update/UpdateRecord.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

QString Folder_Of(const QString &name) {
    return Join_Path(App.Projects_Dir, name);
}

// The check of the create dialog for new_name, after the existing configuration name.
Create_Result Name_Refusal(const QString &name, const QString &new_name) {
    if (!Configuration_Name_Safe(name) || !QFileInfo(Folder_Of(name)).isDir())
        return Create_Name_Refused;
    if (new_name.isEmpty())
        return Create_Name_Empty;
    if (!Configuration_Name_Safe(new_name))
        return Create_Name_Refused;
    const QString twin = Case_Twin(App.Projects_Dir, new_name);
    // A rename that changes only the case of the name itself is no collision.
    if (QFileInfo::exists(Folder_Of(new_name)) || (!twin.isEmpty() && twin != name))
        return Create_Folder_Exists;
    return Create_OK;
}

bool Is_Active(const QString &name) {
    return !App.Proj_Dir.isEmpty() && Active_Folder_Name() == name;
}

[[noreturn]] void Fail(const QString &what, const QString &path, const QString &reason) {
    throw Core_Error(QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason));
}

} // namespace

Create_Result Copy_Configuration(const QString &name, const QString &new_name) {
    if (const Create_Result refusal = Name_Refusal(name, new_name))
        return refusal;
    Scratch_Folder scratch(App.Projects_Dir);
    const QDir source(Folder_Of(name));
    QDirIterator files(source.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo entry(files.next());
        const QString relative = source.relativeFilePath(entry.filePath());
        const QString target = QDir(scratch.Path()).filePath(relative);
        if (relative == Update_Record_File_Name)
            continue;
        if (entry.isDir()) {
            if (!QDir().mkpath(target))
                Fail(QStringLiteral("Cannot make the folder"), target, QString());
            continue;
        }
        QFile file(entry.filePath());
        if (!file.copy(target))
            Fail(QStringLiteral("Cannot copy"), entry.filePath(), file.errorString());
    }
    if (!scratch.Move_To(Folder_Of(new_name)))
        Fail(QStringLiteral("Cannot make the configuration"), Folder_Of(new_name),
             QStringLiteral("the folder cannot be renamed"));
    return Create_OK;
}

Create_Result Rename_Configuration(const QString &name, const QString &new_name) {
    if (const Create_Result refusal = Name_Refusal(name, new_name))
        return refusal;
    Refuse_Links(Folder_Of(new_name));
    const bool active = Is_Active(name);
    if (!QDir().rename(Folder_Of(name), Folder_Of(new_name)))
        Fail(QStringLiteral("Cannot rename"), Folder_Of(name),
             QStringLiteral("the folder or a file in it is in use or not writable"));
    if (active)
        Open_Configuration(new_name);
    return Create_OK;
}

void Delete_Configuration(const QString &name) {
    if (!Configuration_Name_Safe(name) || !QFileInfo(Folder_Of(name)).isDir())
        Fail(QStringLiteral("No configuration"), Folder_Of(name), name);
    const Scratch_Folder scratch(App.Projects_Dir);
    const QString aside = Join_Path(scratch.Path(), name);
    if (!QDir().rename(Folder_Of(name), aside))
        Fail(QStringLiteral("Cannot delete"), Folder_Of(name),
             QStringLiteral("the folder or a file in it is in use or not writable"));
    if (Is_Active(name))
        Open_Configuration(QString());
    // What cannot be removed now stays hidden, and goes with a later change; the configuration
    // is gone all the same.
}

namespace {

std::optional<QByteArray> Saved_File(const QString &path) {
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return Read_Input_File(path, Text_File_Limit);
}

void Put_Back(const QString &path, const std::optional<QByteArray> &saved) {
    if (saved)
        Write_File_Safely(path, *saved);
    else if (QFileInfo::exists(path) && !QFile::remove(path))
        Fail(QStringLiteral("Cannot remove"), path, QStringLiteral("the file stays"));
}

} // namespace

Configuration_Files Save_Configuration_Files(const QString &dir) {
    return {dir, Saved_File(Join_Path(dir, ParGen_File_Name)), Saved_File(Bank_File_Path(dir))};
}

void Restore_Configuration_Files(const Configuration_Files &files) {
    Put_Back(Join_Path(files.Dir, ParGen_File_Name), files.Par_Gen);
    Put_Back(Bank_File_Path(files.Dir), files.Bank);
}
