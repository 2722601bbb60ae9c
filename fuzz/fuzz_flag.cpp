// The flag reader: any content gives no picture or one no larger than it is drawn, and a
// picture that declares more than the limit on a side is never decoded.

#include "FuzzSupport.h"

#include "options/FlagPicture.h"

#include <QBuffer>
#include <QImageReader>

namespace {

constexpr int Side = 48;

QSize Declared_Size(const QByteArray &data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QImage flag = Read_Flag(bytes, Side);
    if (flag.isNull())
        return 0;
    Fuzz_Check(flag.width() <= Side && flag.height() <= Side, "a flag is no larger than drawn");
    const QSize declared = Declared_Size(bytes);
    Fuzz_Check(declared.width() <= Flag_Side_Limit && declared.height() <= Flag_Side_Limit,
               "a picture larger than a flag can be is refused");
    return 0;
}
