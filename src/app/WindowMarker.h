#pragma once

#include <QString>

// The window keeps the active configuration in memory and writes it into the settings file
// when it closes, so a command that changes the settings while the window runs would be
// overwritten. The window therefore marks the program folder while it runs: a file naming its
// process and host, removed when it ends.
inline const QString Window_Marker_File_Name = QStringLiteral("CF20914.running");

class Window_Marker {
public:
    // Writes the marker into app_dir; a folder that cannot take it goes unmarked (nothing the
    // window does depends on it).
    explicit Window_Marker(const QString &app_dir);
    Window_Marker(const Window_Marker &) = delete;
    Window_Marker &operator=(const Window_Marker &) = delete;
    ~Window_Marker();

private:
    QString Path;
};

// True while the marker of app_dir names a running process of this computer, or another
// computer (whose processes cannot be judged from here). A marker whose process has ended (a
// crash) does not count.
bool Window_Running(const QString &app_dir);
