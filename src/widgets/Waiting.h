#pragma once

#include <QString>
#include <functional>

// Runs work on a worker thread while the windows keep painting; user input waits until the
// work is done. An exception that work throws is thrown on here.
void Run_Without_Freezing(const std::function<void()> &work);

// Asks the version service at server whether a newer configurator exists, with the windows
// painting meanwhile and user input held back.
bool Check_Version_Without_Freezing(const QString &server);
