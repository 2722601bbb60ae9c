#pragma once

#include <QString>

// One update of the active configuration as the update command runs it.
struct Update_Request {
    QString Address; // as typed, four bytes
    int Option = 0;
    bool Read_Back = true;
    int Wait_S = 150;
    bool Dry_Run = false; // print what would be sent on stdout and stop before the probe
};

// Runs the update's checks, prints its summary, writes the image, probes the address, runs the
// updater under the program folder's lock and records the update in the configuration's
// record. Returns the update command's exit code; throws Usage_Error (exit code 2) when the
// probe or the updater could not run at all, after recording it.
int Update_Active_Configuration(const Update_Request &request);
