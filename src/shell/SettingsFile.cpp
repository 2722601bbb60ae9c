#include "SettingsFile.h"

#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/XmlFile.h"

#include <QFileInfo>

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

QDomDocument Read_Settings_Document(const QString &path) {
    if (!QFileInfo::exists(path))
        return {};
    try {
        return Read_Xml_File(path);
    } catch (const Core_Error &) {
        return {}; // an unreadable settings file counts as a missing one
    }
}

} // namespace

QString Settings_File_Path(const AppState &state) {
    return Join_Path(state.App_Dir, Settings_File_Name);
}

void Load_Settings(AppState &state, const QString &path) {
    const QDomElement root = First_Top_Element(Read_Settings_Document(path));
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

void Save_Settings(const AppState &state, const QString &path) {
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
    Write_Xml_File(doc, path);
}
