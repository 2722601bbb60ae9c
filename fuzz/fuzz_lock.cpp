// The update lock file: any content is judged without a crash, and what it names, written out
// again, reads back as the same holder.

#include "FuzzSupport.h"

#include "update/UpdateLock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<Update_Lock_Holder> holder = Parse_Lock_File(text);
    if (!holder)
        return 0;
    Fuzz_Check(holder->Pid > 0 || holder->Updater_Pid > 0, "a holder names a process");
    if (holder->Program.contains(QLatin1Char('\n')) || holder->Host.contains(QLatin1Char('\n')))
        return 0;
    const std::optional<Update_Lock_Holder> again = Parse_Lock_File(Lock_File_Text(*holder));
    Fuzz_Check(again && again->Pid == holder->Pid && again->Program == holder->Program &&
                   again->Host == holder->Host && again->Updater_Pid == holder->Updater_Pid &&
                   again->Started == holder->Started &&
                   again->Updater_Started == holder->Updater_Started,
               "the holder written out reads back the same");
    return 0;
}
