#pragma once

#include <QByteArray>
#include <QString>

// Text from a file as editors and spreadsheets save it. A byte-order mark chooses UTF-8,
// UTF-16 LE or UTF-16 BE. Without one the text is read in the ANSI code page (the system's on
// Windows, windows-1252 elsewhere), or, when utf8_first, as UTF-8 if it is valid UTF-8 and in
// the ANSI code page only otherwise.
struct Decoded_Text {
    QString Text;
    bool Ansi = false;    // read in the ANSI code page
    bool Invalid = false; // a byte-order mark that the rest of the bytes do not follow
};
Decoded_Text Decode_Text(const QByteArray &bytes, bool utf8_first);

// "the Windows code page 1252", or on Windows "the system's ANSI code page": what Ansi means.
QString Ansi_Code_Page_Name();
