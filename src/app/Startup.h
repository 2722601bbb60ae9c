#pragma once

#include <QString>

// What the main window's creation does without windows: derive and create the program
// folders below app_dir, load the settings file, set the header texts, load the language,
// re-activate the remembered configuration when its folder still exists, and run Set_Files.
// The main window then applies its texts and arms the update timer.
void Start_Core(const QString &app_dir);
