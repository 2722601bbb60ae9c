#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// A configuration name is used as a folder name below PROJECTS and stored in the settings
// file. An empty name, a name holding a path separator, and "." or ".." would name PROJECTS
// itself or lead elsewhere, as would on Windows a name that Windows does not keep as typed
// (see Plain_File_Name); a character that XML cannot hold would make the settings file
// unreadable; a control character (C0, DEL or C1: a line feed, an escape) would break the
// one name a line that scripts read, or act on a terminal that shows the name (bidi controls,
// line and paragraph separators and zero-width characters count as control characters). A name
// beginning with "." would be hidden, never listed, and could reach the program's own hidden
// entries of PROJECTS. A name that, with the longest suffix the program adds to it (its lock
// file's takeover guard, "<name>.lock.takeover"), passes the file system's limit of 255 bytes
// (on Windows 255 characters) would make a configuration that could never be locked.
bool Configuration_Name_Safe(const QString &name);

// Throws Core_Error with the message entry that says what is wrong with the folder of the
// configurations: it is missing, is no folder (a file of that name) or cannot be read.
void Check_Projects_Folder(const QString &projects_dir);

// Message entries of the create dialog.
enum Create_Result : int {
    Create_OK = 0,
    Create_Name_Refused = 105,
    Create_Folder_Exists = 106,
    Create_Name_Empty = 107,
};

// Creates the folder of a new configuration with its "bin" folder below App.Projects_Dir and
// makes it active (Proj_Name, Proj_Dir, Set_Files). Checks in this order: an empty name, a
// name that would lead outside PROJECTS, an existing folder (or one of the name in another
// case, see Case_Twin), a folder that cannot be created. Anything but Create_OK changes nothing.
// A folder of the configurations that Check_Projects_Folder refuses, or that cannot be written,
// throws Core_Error saying so. The folder is made in a scratch folder, where fill, when given,
// writes the configuration's first files into the folder it is given, and then moved into
// place: the configuration appears with them or not at all. What fill throws ends the creation
// there, nothing made.
Create_Result Create_Configuration(const QString &name,
                                   const std::function<void(const QString &folder)> &fill = {});

// The configuration below projects_dir whose name differs from name only in the case of its
// letters; empty when there is none. Windows keeps the two in one folder, and elsewhere they
// would be two configurations that people and the open dialog cannot tell apart.
QString Case_Twin(const QString &projects_dir, const QString &name);

// A hidden folder of PROJECTS for work that must not show half done: its name,
// ".cf20914-<pid>-<start time>-<random>", names the process that made it. Made with the mode of
// any new folder (that of a new configuration), and removed with what it holds when this object
// goes, unless it was moved into place. Making one first removes those of processes that have
// ended (a copy killed halfway). Throws Core_Error when it cannot be made.
class Scratch_Folder {
public:
    explicit Scratch_Folder(const QString &projects_dir);
    Scratch_Folder(const Scratch_Folder &) = delete;
    Scratch_Folder &operator=(const Scratch_Folder &) = delete;
    ~Scratch_Folder();

    QString Path() const { return Folder; }

    // Moves the scratch folder to target, which must not exist. False when it cannot.
    bool Move_To(const QString &target);

private:
    QString Folder;
};

// The configuration folders below projects_dir: folders only, no hidden or system entries and
// none whose name begins with "." (Windows shows those), sorted by name ignoring case. Throws
// Core_Error as Check_Projects_Folder does.
QStringList Load_Existing_Configuration(const QString &projects_dir);

// The index of the name equal to name; when there is none, of the first name equal to it when
// the case of the letters a-z is ignored on both sides; else -1.
int Find_Configuration(const QStringList &names, const QString &name);

// The folder name of the active configuration: Proj_Dir without its leading Projects_Dir and
// separator; empty when no configuration is active.
QString Active_Folder_Name();

// Makes name the active configuration, or none when name is empty, and runs Set_Files. A name
// that Configuration_Name_Safe refuses changes nothing and gives false.
bool Open_Configuration(const QString &name);

// When the folder of the active configuration is gone (deleted by the command-line tool while
// the window ran), none is active any more, so that it is not remembered.
void Forget_Missing_Configuration();
