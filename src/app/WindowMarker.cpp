#include "WindowMarker.h"

#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "update/UpdateLock.h"

#include <QFile>

Window_Marker::Window_Marker(const QString &app_dir)
    : Path(Join_Path(app_dir, Window_Marker_File_Name)) {
    try {
        Write_File_Safely(Path, Lock_File_Text(This_Process()));
    } catch (const Core_Error &) {
        Path.clear();
    }
}

Window_Marker::~Window_Marker() {
    if (!Path.isEmpty())
        QFile::remove(Path);
}

bool Window_Running(const QString &app_dir) {
    try {
        const auto status = Read_Holder_File(Join_Path(app_dir, Window_Marker_File_Name));
        return status && (status->Held || status->Foreign);
    } catch (const Core_Error &) {
        return true; // a marker that cannot be read may belong to a running window
    }
}
