#pragma once

#include "AppState.h"

// The settings file beside the program: the last configuration, the last device address, the
// language and the five option flags.
QString Settings_File_Path(const AppState &state);

// Fills the eight stored fields from the file; a missing or unreadable file, or any element
// that cannot be read, gives the defaults silently. Proj_Dir is cleared.
void Load_Settings(AppState &state, const QString &path);

// Rebuilds the file from the eight fields. Throws Core_Error with the writer's reason; the old
// file is then left as it was.
void Save_Settings(const AppState &state, const QString &path);
