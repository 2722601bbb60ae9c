#pragma once

#include "AppState.h"

// The settings file beside the program: the last configuration, the last device address, the
// language and the five option flags.
QString Settings_File_Path(const AppState &state);

// Fills the eight stored fields from the file; a missing or unreadable file, or any element
// that cannot be read, gives the defaults silently. Proj_Dir is cleared.
void Load_Settings(AppState &state, const QString &path);

// The newest this many unreadable settings files are kept aside; older ones are removed.
inline constexpr int Kept_Unreadable_Settings = 3;

// Rebuilds the file from the eight fields. A file there that cannot be read (cut short, too
// large, no XML) holds what the user last had and counts as missing at start-up: it is first
// renamed to "<path>.unreadable-<UTC time>", and only the newest Kept_Unreadable_Settings of
// those stay. Gives the path it went to, or an empty text when nothing was kept aside. Throws
// Core_Error with the reason when a file cannot be renamed or written; the old file is then
// left as it was, under its own name.
QString Save_Settings(const AppState &state, const QString &path);
