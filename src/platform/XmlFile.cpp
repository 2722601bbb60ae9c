#include "XmlFile.h"

#include "CoreError.h"
#include "InputFile.h"
#include "SafeFile.h"

#include <QXmlStreamReader>

namespace {

bool Xml_Char(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The document refuses to make some nodes the parser lets through (an instruction whose
// target is not a name); no reader looks at those.
void Append_Node(QDomNode &parent, const QDomNode &node) {
    if (!node.isNull())
        parent.appendChild(node);
}

// Text goes into the last child when that is plain text already, so that a text the parser
// hands over in pieces stays one node.
void Append_Characters(QDomDocument &doc, QDomNode &parent, const QXmlStreamReader &reader) {
    const QString text = reader.text().toString();
    if (reader.isCDATA()) {
        parent.appendChild(doc.createCDATASection(text));
        return;
    }
    QDomNode last = parent.lastChild();
    if (last.isText() && !last.isCDATASection())
        last.toText().appendData(text);
    else
        parent.appendChild(doc.createTextNode(text));
}

// Builds the tree from the parser's tokens. Unlike QDomDocument::setContent it keeps text made
// only of blanks (a name of blanks is a name), and it refuses deep nesting before the tree
// grows: real files are a few levels deep, while a deep tree costs quadratic time to build
// and recursion to free.
QDomDocument Build_Document(QXmlStreamReader &reader) {
    // A default-constructed document stays null until its first node is made, and so would a
    // copy of it taken now; one made with a (null) document type is not.
    QDomDocument doc{QDomDocumentType()};
    QDomNode parent = doc;
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (++depth > Xml_Depth_Limit) {
                reader.raiseError(
                    QStringLiteral("elements nested deeper than %1").arg(Xml_Depth_Limit));
                break;
            }
            QDomElement element = doc.createElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute &attribute : reader.attributes())
                element.setAttribute(attribute.qualifiedName().toString(),
                                     attribute.value().toString());
            parent = parent.appendChild(element);
            break;
        }
        case QXmlStreamReader::EndElement:
            parent = parent.parentNode();
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (depth > 0) // only blanks can stand between top-level nodes
                Append_Characters(doc, parent, reader);
            break;
        case QXmlStreamReader::Comment:
            Append_Node(parent, doc.createComment(reader.text().toString()));
            break;
        case QXmlStreamReader::ProcessingInstruction:
            Append_Node(parent, doc.createProcessingInstruction(
                                    reader.processingInstructionTarget().toString(),
                                    reader.processingInstructionData().toString()));
            break;
        case QXmlStreamReader::EntityReference:
            Append_Node(parent, doc.createEntityReference(reader.name().toString()));
            break;
        default: // the declaration, a document type, start and end of the document
            break;
        }
    }
    return doc;
}

} // namespace

QDomDocument Read_Xml_File(const QString &path) {
    QXmlStreamReader reader(Read_Input_File(path, Text_File_Limit));
    reader.setNamespaceProcessing(false);
    QDomDocument doc = Build_Document(reader);
    if (reader.hasError())
        throw Core_Error(QStringLiteral("%1 is not a well-formed XML file: %2 (line %3, column %4)")
                             .arg(path, reader.errorString())
                             .arg(reader.lineNumber())
                             .arg(reader.columnNumber()));
    return doc;
}

QDomElement First_Top_Element(const QDomDocument &doc) {
    return doc.firstChildElement();
}

std::optional<QString> Child_Text(const QDomElement &parent, const QString &name) {
    const QDomElement element = parent.firstChildElement(name);
    if (element.isNull())
        return std::nullopt;
    const QDomNodeList children = element.childNodes();
    if (children.isEmpty())
        return QString();
    if (children.size() == 1 && children.at(0).isText())
        return children.at(0).nodeValue();
    return std::nullopt;
}

QString Xml_Text(const QString &text) {
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            kept += c;
            kept += text.at(++i);
        } else if (!c.isSurrogate() && Xml_Char(c.unicode())) {
            kept += c;
        }
    }
    return kept;
}

bool Xml_Can_Hold(const QString &text) {
    return Xml_Text(text) == text;
}

QDomElement Append_Text_Element(QDomDocument &doc, QDomNode parent, const QString &name,
                                const QString &text) {
    QDomElement element = doc.createElement(name);
    const QString kept = Xml_Text(text);
    if (!kept.isEmpty())
        element.appendChild(doc.createTextNode(kept));
    parent.appendChild(element);
    return element;
}

void Write_Xml_File(const QDomDocument &doc, const QString &path,
                    const std::function<void()> &before_replace) {
    // A reader turns a raw CR into a line feed; as a character reference it comes back as
    // written. No other node of the program's files can hold a CR.
    QString text = doc.toString(-1);
    text.replace(QLatin1Char('\r'), QLatin1String("&#13;"));
    const QByteArray data = text.toUtf8();
    // A file the readers would refuse is not written: the old one stays readable.
    if (data.size() > Text_File_Limit)
        throw Core_Error(QStringLiteral("Cannot write %1: it would hold %2 bytes, more than the %3 "
                                        "that the program reads back")
                             .arg(path)
                             .arg(data.size())
                             .arg(Text_File_Limit));
    Write_File_Safely(path, data, before_replace);
}
