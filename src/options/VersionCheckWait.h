#pragma once

#include <QString>

// True while Check_Version_Without_Freezing (below) waits for an answer. Timers still fire
// meanwhile; one that would ask again must wait for the answer instead.
bool Version_Check_Running();

// Asks the version service at server whether a newer configurator exists, with the windows
// painting meanwhile and user input held back.
bool Check_Version_Without_Freezing(const QString &server);
