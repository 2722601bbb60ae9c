// Language files: any file is read without a crash, and the same text gives the same table
// whether it is stored as UTF-8, UTF-16 LE or UTF-16 BE, each with its byte-order mark.

#include "FuzzSupport.h"

#include "language/LangStrings.h"
#include "language/LanguageFile.h"

#include <QStringEncoder>

namespace {

QStringList Table_From(const QString &path, const QByteArray &content) {
    Write_Scratch(path, reinterpret_cast<const uint8_t *>(content.constData()),
                  size_t(content.size()));
    Fill_Default_Lang();
    Read_Lang_File(path);
    return Lang_Strings;
}

QByteArray Encoded(const QString &text, QStringConverter::Encoding encoding) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString path = Scratch_File(QStringLiteral("Test.lng"));
    const QByteArray raw(reinterpret_cast<const char *>(data), qsizetype(size));
    Table_From(path, raw);

    const QString text = QString::fromUtf8(raw);
    const QStringList utf8 = Table_From(path, Encoded(text, QStringConverter::Utf8));
    Fuzz_Check(utf8.size() == Lang_Count, "the table keeps its size");
    Fuzz_Check(Table_From(path, Encoded(text, QStringConverter::Utf16LE)) == utf8,
               "UTF-16 LE reads as UTF-8");
    Fuzz_Check(Table_From(path, Encoded(text, QStringConverter::Utf16BE)) == utf8,
               "UTF-16 BE reads as UTF-8");
    return 0;
}
