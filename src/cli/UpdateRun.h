#pragma once

#include <QString>

// The update command's exit codes.
enum Update_Exit : int {
    Exit_Updater_Ended = 0,
    Exit_Refused = 1,
    Exit_Usage = 2,
    Exit_Device_Silent = 3,
    Exit_Wait_Ran_Out = 4,
    Exit_Folder_Busy = 5,
    Exit_Updater_Failed = 7,
};

// One update of the active configuration as the update command runs it.
struct Update_Request {
    QString Address; // as typed, four bytes
    int Option = 0;
    bool Read_Back = true;
    int Wait_S = 150;
    bool Dry_Run = false; // print what would be sent on stdout and stop before the probe
    // After an updater that ended with exit code 0 and an option that sent the configuration:
    // how long the device is awaited at its endpoints; -1 checks nothing.
    int Verify_S = -1;
};

// Runs the update's checks, prints its summary, writes the image, probes the address, runs the
// updater under the program folder's lock and records the update in the configuration's
// record, and checks the device afterwards when the request asks. Returns the update command's exit
// code; throws Usage_Error (exit code 2) when the probe or the updater could not run at all, after
// recording it.
int Update_Active_Configuration(const Update_Request &request);
