#pragma once

#include <QString>
#include <functional>
#include <optional>

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

// Longer waits are surely mistyped, and the limit must fit in milliseconds.
inline constexpr int Longest_Wait_S = 86400;

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
    // Put before every line on stdout, so that the lines of many devices can be told apart.
    QString Line_Prefix;
    // Asked while the updater runs: true stops the wait, leaving the updater running.
    std::function<bool()> Give_Up;
    // Runs when the update ends before its updater was started, before the record is written:
    // undoes what the caller changed for it and says what it undid (empty: nothing).
    std::function<QString()> Undo;
};

// How an update ended.
struct Update_Ending {
    int Exit = Exit_Updater_Ended; // the update command's exit code
    bool Updater_Ran = false;      // the updater was started: the device may hold what was sent
    std::optional<int> Updater_Exit_Code;
    QString Message;  // for Exit_Usage: the error, as one line on stderr says it
    QString Reason;   // in words: what stopped the update; empty when it succeeded
    QString Verified; // "yes", "no" or "not checked"
};

// Runs the update's checks, prints its summary, writes the image, probes the address, runs the
// updater under the program folder's lock and records the update in the configuration's
// record, and checks the device afterwards when the request asks. A dry run records nothing.
// Exit_Usage means the probe or the updater could not run at all (recorded, not yet said).
Update_Ending Update_Active_Configuration(const Update_Request &request);
