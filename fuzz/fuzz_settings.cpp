// The settings file: any input loads without a crash, and what was loaded survives a save and
// a load unchanged. Saved over itself, an input that cannot be read is first kept aside as it
// was.

#include "FuzzSupport.h"

#include "platform/CoreError.h"
#include "platform/XmlFile.h"
#include "shell/AppState.h"
#include "shell/SettingsFile.h"

#include <QFile>

namespace {

bool Same_Settings(const AppState &a, const AppState &b) {
    return a.Proj_Name == b.Proj_Name && a.Last_IP_Address == b.Last_IP_Address &&
           a.Language_Name == b.Language_Name && a.Enable_Internet == b.Enable_Internet &&
           a.Enable_Update == b.Enable_Update &&
           a.Enable_Jump_Field_Tables == b.Enable_Jump_Field_Tables &&
           a.Double_Click_Auto_Size == b.Double_Click_Auto_Size;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString input = Scratch_File(QStringLiteral("input.xml"));
    static const QString saved = Scratch_File(QStringLiteral("saved.xml"));
    Write_Scratch(input, data, size);
    AppState loaded;
    Load_Settings(loaded, input);
    Save_Settings(loaded, saved);
    try {
        Read_Xml_File(saved);
    } catch (const Core_Error &) {
        Fuzz_Check(false, "a saved settings file reads back");
    }
    AppState again;
    Load_Settings(again, saved);
    Fuzz_Check(Same_Settings(loaded, again), "settings survive a save and a load");

    bool readable = true;
    try {
        Read_Xml_File(input);
    } catch (const Core_Error &) {
        readable = false;
    }
    const QString aside = Save_Settings(loaded, input);
    Fuzz_Check(aside.isEmpty() == readable, "an unreadable input, and it alone, is kept aside");
    if (!aside.isEmpty()) {
        QFile kept(aside);
        Fuzz_Check(kept.open(QIODevice::ReadOnly) &&
                       kept.readAll() ==
                           QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
                   "the input kept aside holds what it held");
        kept.remove();
    }
    return 0;
}
