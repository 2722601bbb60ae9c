#pragma once

#include <QByteArray>
#include <QImage>

// A flag is drawn 48 x 48; a picture declaring more than this on a side is no flag but a
// mistake or a decompression bomb (a small compressed file that unpacks to hundreds of
// megabytes), and is refused before a pixel is decoded.
inline constexpr int Flag_Side_Limit = 512;

// The picture in data, decoded at most side x side pixels with its proportions kept. Only BMP
// and PNG are read, told by their content whatever the file's name says: other formats (an SVG,
// whose drawing may take minutes whatever size it declares) are no flag. Null when data is no
// BMP or PNG, does not declare its size, or declares more than Flag_Side_Limit on a side, so
// that no more than Flag_Side_Limit squared pixels are ever decoded.
QImage Read_Flag(const QByteArray &data, int side);
