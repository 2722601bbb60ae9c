#include "SettingsFile.h"

#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "platform/XmlFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

struct Text_Setting {
    const char *Group;
    const char *Value;
    QString AppState::*Field;
    QString Default;
};

struct Flag_Setting {
    const char *Value;
    bool AppState::*Field;
    bool Default = false; // when the file does not hold the flag
};

const Text_Setting Text_Settings[] = {
    {"lastproj", "projectname", &AppState::Proj_Name, QString()},
    {"lastipadd", "ipaddress", &AppState::Last_IP_Address, Def_IP_Address},
    {"lastlang", "language", &AppState::Language_Name, Def_Language_Name},
};

const char Flag_Group[] = "lastinternet";
const Flag_Setting Flag_Settings[] = {
    {"enable_internet", &AppState::Enable_Internet},
    {"enable_update", &AppState::Enable_Update},
    {"enable_jump_field_tables", &AppState::Enable_Jump_Field_Tables},
    {"Double_Click_Auto_Size", &AppState::Double_Click_Auto_Size},
    {"check_after_update", &AppState::Check_After_Update, true},
};

const QString Unreadable_Suffix = QStringLiteral(".unreadable-");

// The document of the file; nullopt when there is a file that cannot be read.
std::optional<QDomDocument> Read_Settings_Document(const QString &path) {
    if (!QFileInfo::exists(path))
        return QDomDocument();
    try {
        return Read_Xml_File(path);
    } catch (const Core_Error &) {
        return std::nullopt;
    }
}

// Where an unreadable settings file was kept, and how.
struct Kept_Aside {
    QString Path;         // empty: nothing kept aside
    bool Renamed = false; // else it has a second name, and the old one is replaced later
};

// Keeps an unreadable file at path under a free name that tells when. A second name leaves the
// file where it is until the new one replaces it, so that no moment passes without a settings
// file; where the file system has no such names, the file is renamed.
Kept_Aside Keep_Unreadable_Aside(const QString &path) {
    if (Read_Settings_Document(path))
        return {};
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = path + Unreadable_Suffix + stamp;
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    if (Add_File_Name(path, aside))
        return {aside, false};
    QFile file(path);
    if (!file.rename(aside))
        throw Core_Error(QStringLiteral("Cannot keep the unreadable %1 as %2: %3")
                             .arg(path, aside, file.errorString()));
    return {aside, true};
}

// Of the files kept aside from path, leaves kept and the newest others, Kept_Unreadable_Settings
// in all, and removes the rest; their names sort by time.
void Remove_Oldest_Unreadable(const QString &path, const QString &kept) {
    const QFileInfo info(path);
    QDir folder = info.dir();
    QStringList others = folder.entryList({info.fileName() + Unreadable_Suffix + QLatin1Char('*')},
                                          QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    others.removeAll(QFileInfo(kept).fileName());
    for (qsizetype i = 0; i < others.size() - (Kept_Unreadable_Settings - 1); ++i)
        folder.remove(others.at(i));
}

} // namespace

QString Settings_File_Path(const AppState &state) {
    return Join_Path(state.App_Dir, Settings_File_Name);
}

void Load_Settings(AppState &state, const QString &path) {
    // An unreadable settings file counts as a missing one.
    const QDomElement root =
        First_Top_Element(Read_Settings_Document(path).value_or(QDomDocument()));
    state.Proj_Dir.clear();
    for (const Text_Setting &setting : Text_Settings) {
        const QDomElement group = root.firstChildElement(QLatin1String(setting.Group));
        state.*setting.Field =
            Child_Text(group, QLatin1String(setting.Value)).value_or(setting.Default);
    }
    const QDomElement flags = root.firstChildElement(QLatin1String(Flag_Group));
    for (const Flag_Setting &flag : Flag_Settings) {
        const std::optional<QString> value = Child_Text(flags, QLatin1String(flag.Value));
        state.*flag.Field = value ? *value == QLatin1String("1") : flag.Default;
    }
}

QString Save_Settings(const AppState &state, const QString &path) {
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Conf_Settings"));
    doc.appendChild(root);
    for (const Text_Setting &setting : Text_Settings) {
        QDomElement group = Append_Text_Element(doc, root, QLatin1String(setting.Group));
        Append_Text_Element(doc, group, QLatin1String(setting.Value), state.*setting.Field);
    }
    QDomElement flags = Append_Text_Element(doc, root, QLatin1String(Flag_Group));
    for (const Flag_Setting &flag : Flag_Settings)
        Append_Text_Element(doc, flags, QLatin1String(flag.Value),
                            state.*flag.Field ? QStringLiteral("1") : QStringLiteral("0"));
    // Only a new file that was written whole replaces an unreadable one, and only once that
    // is kept.
    Kept_Aside aside;
    try {
        Write_Xml_File(doc, path, [&] { aside = Keep_Unreadable_Aside(path); });
    } catch (const Core_Error &) {
        if (aside.Renamed)
            QFile::rename(aside.Path, path);
        else if (!aside.Path.isEmpty())
            QFile::remove(aside.Path);
        throw;
    }
    if (!aside.Path.isEmpty())
        Remove_Oldest_Unreadable(path, aside.Path);
    return aside.Path;
}
