#pragma once

#include "update/UpdateRecord.h"
#include "update/UpdaterLaunch.h"

#include <QString>

// Where an update stands, as a technician must tell it at a glance: each state has its own
// picture and colour in the update dialog.
enum class Update_State {
    Idle,          // nothing to show
    Running,       // probing, waiting for another update, the updater, the check after it
    Succeeded,     // the updater ended with exit code 0, and the device answers where checked
    Device_Silent, // the device did not answer the probe: nothing was sent
    Failed,        // refused, cannot be probed or started, or the updater reported a failure
    Wait_Ran_Out,  // the updater or another update's lock outlasted the wait
    Check_Failed,  // the update ended, but the device does not answer at every endpoint sent
    Cancelled,     // the user left a wait
};

struct Update_Status {
    Update_State State = Update_State::Idle;
    QString Headline; // a few words, shown large
    QString Detail;   // what happened, whole
};

// A running update: its headline, with detail saying what it does now.
Update_Status Running_Status(const QString &detail);

// The status while the updater runs, saying why Cancel cannot stop it.
Update_Status Updater_Running_Status();

// The end of an update as its record entry keeps it; run is how the updater's part went (its
// time and exit code), when it got that far.
Update_Status Ended_Status(const Update_Entry &entry, const Update_Outcome &run);

// How many of the endpoints a check's record says answer; "answers at 1 of 2 endpoints" is
// the line above the check's results.
int Answering_Endpoints(const QJsonArray &device_check);
QString Check_Headline(const QJsonArray &device_check);
