#pragma once

#include <functional>

// Runs work on a worker thread while the windows keep painting; user input waits until the
// work is done.
void Run_Without_Freezing(const std::function<void()> &work);
