#include "FlagPicture.h"

#include <QBuffer>
#include <QImageReader>

QImage Read_Flag(const QByteArray &data, int side) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
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
