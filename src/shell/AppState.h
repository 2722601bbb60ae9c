#pragma once

#include <QString>

inline const QString Def_SW_Code = QStringLiteral("CF20914");
inline const QString Def_SW_Description =
    QStringLiteral("Modbus TCP Slave / Modbus TCP Slave - Converter");
inline const QString Version_SW_Name = QStringLiteral("CF20914");
inline const QString Own_Version = QStringLiteral("1.000");
inline const QString Def_Window_Title =
    QStringLiteral("Velmor - Configurator CF20914 - Modbus TCP Slave / Modbus TCP Slave ");
inline const QString Def_IP_Address = QStringLiteral("192.168.2.205");
inline const QString Def_Language_Name = QStringLiteral("English");

inline const QString Settings_File_Name = QStringLiteral("Roziduduve.xml");
inline const QString ParGen_File_Name = QStringLiteral("ParGen.xml");
inline const QString Master_Folder_Name = QStringLiteral("MASTER");
inline const QString Projects_Folder_Name = QStringLiteral("PROJECTS");
inline const QString Language_Folder_Name = QStringLiteral("LANGUAGE");

// The one record every window shares. A configuration is active exactly when Proj_Dir is not
// empty; Proj_Name may hold a remembered name while it is empty.
struct AppState {
    QString Proj_Name;
    QString Proj_Dir;
    QString Projects_Dir;
    QString App_Dir;
    QString Master_Dir;
    QString Language_Dir;
    QString Window_Title;
    QString SW_Code;
    QString SW_Description;
    QString Last_IP_Address = Def_IP_Address;
    int Last_Update_Option = 0;
    bool Last_Read_Back = true;
    QString Language_Name = Def_Language_Name;
    bool Enable_Internet = false;
    bool Enable_Update = false;
    bool Enable_Jump_Field_Tables = false;
    bool Double_Click_Auto_Size = false;
    // After an update that ended well, look whether the device answers Modbus TCP.
    bool Check_After_Update = true;
    QString ParGen_File;
};

extern AppState App;

// ParGen_File := Proj_Dir + separator + "ParGen.xml"; runs after every change of Proj_Dir.
void Set_Files();

// The update timer runs exactly while both online options are on.
bool Update_Timer_Wanted();
