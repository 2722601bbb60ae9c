#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The failure of a core operation, carrying the reason a user can act on (the XML parser's
// message with line and column, the operating system's error text). Handlers of windows
// catch it at their own boundary and show the text in the standard error box.
class Core_Error : public std::exception {
public:
    explicit Core_Error(QString message) : Message(std::move(message)), Utf8(Message.toUtf8()) {}

    const QString &message() const { return Message; }
    const char *what() const noexcept override { return Utf8.constData(); }

private:
    QString Message;
    QByteArray Utf8;
};
