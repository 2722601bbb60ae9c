#include "TextDecoding.h"

#include <QStringDecoder>

namespace {

QStringDecoder Ansi_Decoder() {
#ifdef Q_OS_WIN
    return QStringDecoder(QStringConverter::System, QStringConverter::Flag::Stateless);
#else
    QStringDecoder ansi("windows-1252", QStringConverter::Flag::Stateless);
    // A Qt built without ICU knows no windows-1252; Latin-1 differs only in 0x80..0x9F.
    return ansi.isValid()
               ? std::move(ansi)
               : QStringDecoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
#endif
}

// A surrogate without its partner: UTF-16 that no encoder writes, and that no UTF-8 can hold.
bool Holds_Lone_Surrogate(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

Decoded_Text Decode_Text(const QByteArray &bytes, bool utf8_first) {
    struct Mark {
        QByteArrayView Bytes;
        QStringConverter::Encoding Encoding;
    };
    static const Mark Marks[] = {
        {"\xEF\xBB\xBF", QStringConverter::Utf8},
        {"\xFF\xFE", QStringConverter::Utf16LE},
        {"\xFE\xFF", QStringConverter::Utf16BE},
    };
    Decoded_Text decoded;
    for (const Mark &mark : Marks) {
        if (bytes.startsWith(mark.Bytes)) {
            QStringDecoder decoder(mark.Encoding, QStringConverter::Flag::Stateless);
            decoded.Text = decoder.decode(QByteArrayView(bytes).sliced(mark.Bytes.size()));
            decoded.Invalid = decoder.hasError() || Holds_Lone_Surrogate(decoded.Text);
            return decoded;
        }
    }
    if (utf8_first) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        decoded.Text = utf8.decode(bytes);
        if (!utf8.hasError())
            return decoded;
    }
    QStringDecoder ansi = Ansi_Decoder();
    decoded.Text = ansi.decode(bytes);
    decoded.Ansi = true;
    return decoded;
}

QString Ansi_Code_Page_Name() {
#ifdef Q_OS_WIN
    return QStringLiteral("the system's ANSI code page");
#else
    return QStringLiteral("the Windows code page 1252");
#endif
}
