#pragma once

#include <QDomDocument>
#include <QString>
#include <functional>
#include <optional>

// Deeper nesting than any of the program's files has is refused as not well-formed.
inline constexpr int Xml_Depth_Limit = 32;

// Parses the file, keeping every text as it stands (blanks only included). Throws Core_Error
// when it cannot be read (see Read_Input_File: regular files of at most Text_File_Limit bytes)
// or is not well-formed XML; the message names the file and carries the parser's reason with
// line and column.
QDomDocument Read_Xml_File(const QString &path);

// The container of every file the program reads: the document's first top-level element. An
// XML declaration, comment or processing instruction in front of it is skipped; its name is
// not checked.
QDomElement First_Top_Element(const QDomDocument &doc);

// The text of the first child element of parent named name. Empty for an element without
// content; nullopt when there is no such element or it holds anything but one text node.
std::optional<QString> Child_Text(const QDomElement &parent, const QString &name);

// text without the characters that XML 1.0 cannot hold (most control characters, unpaired
// surrogates, U+FFFE and U+FFFF): a file holding one would not read back.
QString Xml_Text(const QString &text);

// True when text holds no character that Xml_Text drops.
bool Xml_Can_Hold(const QString &text);

// Appends an element named name to parent, holding Xml_Text(text) when that is not empty.
QDomElement Append_Text_Element(QDomDocument &doc, QDomNode parent, const QString &name,
                                const QString &text = QString());

// Writes doc as UTF-8 without declaration or indentation, replacing the file safely (see
// Write_File_Safely, also for before_replace). A document larger than Text_File_Limit, which no
// reader would take, throws Core_Error and writes nothing.
void Write_Xml_File(const QDomDocument &doc, const QString &path,
                    const std::function<void()> &before_replace = {});
