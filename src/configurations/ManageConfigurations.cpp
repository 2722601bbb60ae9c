#include "ManageConfigurations.h"

#include "platform/CoreError.h"
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
    if (QFileInfo::exists(Folder_Of(new_name)))
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
