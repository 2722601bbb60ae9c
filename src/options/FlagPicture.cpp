#include "FlagPicture.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// The reader's format for data by its first bytes; empty for anything but BMP and PNG.
QByteArray Flag_Format(const QByteArray &data) {
    if (data.startsWith("BM"))
        return QByteArrayLiteral("bmp");
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return QByteArrayLiteral("png");
    return {};
}

} // namespace

QImage Read_Flag(const QByteArray &data, int side) {
    const QByteArray format = Flag_Format(data);
    if (format.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // The format is the one the content shows; no other reader may try it.
    reader.setDecideFormatFromContent(false);
    const QSize declared = reader.size();
    if (declared.isEmpty() || declared.width() > Flag_Side_Limit ||
        declared.height() > Flag_Side_Limit)
        return {};
    const QSize drawn = declared.scaled(side, side, Qt::KeepAspectRatio);
    if (drawn != declared)
        reader.setScaledSize(drawn);
    const QImage flag = reader.read();
    // A reader may decode another size than the header declared (a frame of another size);
    // what is drawn is never larger than asked.
    if (flag.width() > side || flag.height() > side)
        return flag.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return flag;
}
