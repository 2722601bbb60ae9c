// The image decoder of the command-line tool's show: any file is read within its limit and
// described; the verdict matches the size and the checksum.

#include "FuzzSupport.h"

#include "image/Bank.h"
#include "image/BankReport.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString input = Scratch_File(QStringLiteral("bank.bin"));
    Write_Scratch(input, data, size);
    QByteArray bytes;
    try {
        bytes = Read_Input_File(input, Bank_Read_Limit);
    } catch (const Core_Error &) {
        Fuzz_Check(qint64(size) > Bank_Read_Limit, "a small file reads");
        return 0;
    }
    Fuzz_Check(bytes == QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
               "the file reads as written");
    const Bank_Report report = Describe_Bank(bytes);
    const auto *image = reinterpret_cast<const quint8 *>(bytes.constData());
    const bool sound =
        bytes.size() == Bank_Size && Read_U32(image, Bank_Checksum_Offset) == Bank_Checksum(image);
    Fuzz_Check(report.Problem.isEmpty() == sound, "the verdict");
    Fuzz_Check(report.Text.count(QLatin1Char('\n')) == (bytes.size() == Bank_Size ? 7 : 1),
               "one line per item");
    return 0;
}
