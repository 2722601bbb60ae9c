// The image compiler: any parameter file compiles or is refused with an error; when the file
// passes validation, every field of the image holds the validated value, and the checksum is
// the sum of the bytes before it.

#include "FuzzSupport.h"

#include "image/Bank.h"
#include "parameters/ParGen.h"
#include "parameters/Validation.h"
#include "platform/CoreError.h"
#include "platform/XmlFile.h"
#include "shell/AppState.h"
#include "shell/Conversions.h"

namespace {

using P = ParGen_Params;

int Value(const QString &text) {
    return Text_To_Int_Def(text, -1);
}

void Check_Octets(const std::array<QString P::*, 4> &fields, const P &params, int offset) {
    for (int i = 0; i < 4; ++i)
        Fuzz_Check(Bank_Record[offset + i] == Value(params.*fields[i]), "an address byte");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString input = Scratch_File(QStringLiteral("ParGen.xml"));
    Write_Scratch(input, data, size);
    App.ParGen_File = input;
    try {
        Compile_Bank();
    } catch (const Core_Error &) {
        return 0;
    }
    Fuzz_Check(Bank_Length == Bank_Size, "a compile stages one image");
    Fuzz_Check(Read_U32(Bank_Buffer.data(), Bank_Checksum_Offset) ==
                   Bank_Checksum(Bank_Buffer.data()),
               "the checksum");
    Fuzz_Check(Read_U16(Bank_Buffer.data(), Bank_Constant_Offset) == Bank_Constant, "the constant");
    P params;
    QDomElement root;
    try {
        params = Load_ParGen(input);
        root = First_Top_Element(Read_Xml_File(input));
    } catch (const Core_Error &) {
        Fuzz_Check(false, "a file the compiler read loads as parameters");
    }
    if (First_Failed_Rule(params))
        return 0;
    for (int n = 0; n < 2; ++n) {
        const ParGen_Endpoint &fields = ParGen_Endpoints()[n];
        const Bank_Endpoint &endpoint = Bank_Endpoints[n];
        Check_Octets(fields.IP, params, endpoint.IP);
        Check_Octets(fields.SM, params, endpoint.Mask);
        if (params.*fields.EN_GAT)
            Check_Octets(fields.GAT, params, endpoint.Gateway);
        else
            Fuzz_Check(Read_U32(Bank_Record.data(), endpoint.Gateway) == 0xFFFFFFFFu,
                       "a disabled gateway");
        // The image keeps its own default where the file has no port.
        const bool port_given =
            Child_Text(root, QLatin1String(endpoint.Key_Prefix) + QLatin1String("Port"))
                .has_value();
        const int port = port_given ? Value(params.*fields.Port) : endpoint.Default_Port;
        Fuzz_Check(Read_U16(Bank_Record.data(), endpoint.Port) == port, "a port");
        Fuzz_Check(Read_U16(Bank_Record.data(), endpoint.Port_Copy) == port, "a port copy");
    }
    Fuzz_Check(qint32(Read_U32(Bank_Record.data(), Bank_Offset_Registers)) ==
                   Value(params.OPTIONS_OFFSET_REGISTERS),
               "the register offset");
    Fuzz_Check(qint32(Read_U32(Bank_Record.data(), Bank_Offset_Status)) ==
                   Value(params.OPTIONS_OFFSET_STATUS),
               "the status offset");
    return 0;
}
