#include "XmlFile.h"

#include "CoreError.h"
#include "SafeFile.h"

#include <QFile>

QDomDocument Read_Xml_File(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Core_Error(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Core_Error(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    QDomDocument doc;
    QString reason;
    int line = 0;
    int column = 0;
    if (!doc.setContent(content, &reason, &line, &column))
        throw Core_Error(QStringLiteral("%1 is not a well-formed XML file: %2 (line %3, column %4)")
                             .arg(path, reason)
                             .arg(line)
                             .arg(column));
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

QDomElement Append_Text_Element(QDomDocument &doc, QDomNode parent, const QString &name,
                                const QString &text) {
    QDomElement element = doc.createElement(name);
    if (!text.isEmpty())
        element.appendChild(doc.createTextNode(text));
    parent.appendChild(element);
    return element;
}

void Write_Xml_File(const QDomDocument &doc, const QString &path) {
    Write_File_Safely(path, doc.toString(-1).toUtf8());
}
