// The parameter file: any input loads or is refused with an error, validation runs on what
// loaded, and a saved set loads back unchanged.

#include "FuzzSupport.h"

#include "parameters/ParGen.h"
#include "parameters/Validation.h"
#include "platform/CoreError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString input = Scratch_File(QStringLiteral("input.xml"));
    static const QString saved = Scratch_File(QStringLiteral("saved.xml"));
    Write_Scratch(input, data, size);
    ParGen_Params params;
    try {
        params = Load_ParGen(input);
    } catch (const Core_Error &) {
        return 0;
    }
    const ParGen_Rule *failed = Failed_Rule(params);
    Fuzz_Check(First_Failed_Rule(params) ==
                   (failed ? std::optional<int>(failed->Message) : std::nullopt),
               "both forms of validation agree");
    Save_ParGen(params, saved);
    try {
        Fuzz_Check(Load_ParGen(saved) == params, "parameters survive a save and a load");
    } catch (const Core_Error &) {
        Fuzz_Check(false, "a saved parameter file reads back");
    }
    return 0;
}
