#pragma once

#include <QDomDocument>
#include <QString>
#include <optional>

// Parses the file. Throws Core_Error when it cannot be read or is not well-formed XML; the
// message names the file and carries the parser's reason with line and column.
QDomDocument Read_Xml_File(const QString &path);

// The container of every file the program reads: the document's first top-level element. An
// XML declaration, comment or processing instruction in front of it is skipped; its name is
// not checked.
QDomElement First_Top_Element(const QDomDocument &doc);

// The text of the first child element of parent named name. Empty for an element without
// content; nullopt when there is no such element or it holds anything but one text node.
std::optional<QString> Child_Text(const QDomElement &parent, const QString &name);

// Appends an element named name to parent, holding text when text is not empty.
QDomElement Append_Text_Element(QDomDocument &doc, QDomNode parent, const QString &name,
                                const QString &text = QString());

// Writes doc as UTF-8 without declaration or indentation, replacing the file safely.
void Write_Xml_File(const QDomDocument &doc, const QString &path);
