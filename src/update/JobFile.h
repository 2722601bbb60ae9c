#pragma once

#include <QDomDocument>
#include <QString>

inline const QString Job_File_Name = QStringLiteral("Ethernet_Update.xml");
inline const QString Updater_File_Name = QStringLiteral("Ethernet_Update.exe");
inline const QString Firmware_File_Name = QStringLiteral("sim20914.sim");

// Update options, as the update dialog lists them.
enum Update_Option : int {
    Update_Firmware_And_Configuration = 0,
    Update_Firmware = 1,
    Update_Configuration = 2,
};

// What the updater is to do: the device address as typed, the option, whether the device
// reads back what it received, and the folders of the firmware and of the configuration.
// Updater names the program that reads the job: its file names are written in the form that
// program reads (Path_For_Program); without one, as they are.
struct Update_Job {
    QString IP_Address;
    int Option = Update_Firmware_And_Configuration;
    bool Read_Back = true;
    QString Master_Dir;
    QString Proj_Dir;
    QString Updater;
};

// The job file's tree. An option other than 0, 1 or 2 gives an empty Operations list.
QDomDocument Build_Update_Job(const Update_Job &job);

// Writes the job file at path, replacing it. The updater gets only an address that
// Checked_IP_Address accepts, in its checked form; any other address, like a failed write,
// throws Core_Error with the reason and leaves the old file as it was.
void Write_Update_Job(const Update_Job &job, const QString &path);
