#include "VersionCheckWait.h"

#include "VersionCheck.h"
#include "widgets/Waiting.h"

namespace {

bool Checking = false;

} // namespace

bool Check_Version_Without_Freezing(const QString &server) {
    bool newer = false;
    Checking = true;
    Run_Without_Freezing([&newer, server] { newer = Check_Version(server); });
    Checking = false;
    return newer;
}

bool Version_Check_Running() {
    return Checking;
}
