#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// An image is 2048 bytes; reading a little more is enough to tell a file of the wrong size.
inline constexpr qint64 Bank_Read_Limit = 4096;

// What an image file says, for people: its size and, for a 2048-byte image, both endpoints,
// the offsets, the constant at 0x034 and the stored and computed checksum, one item a line.
// Problem says why the bytes are no sound image (wrong size, checksum mismatch); it is empty
// for a sound one.
struct Bank_Report {
    QString Text;
    QString Problem;
};

Bank_Report Describe_Bank(const QByteArray &bytes);
