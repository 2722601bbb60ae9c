#pragma once

#include "platform/MakerServer.h"

#include <QByteArray>
#include <QString>

// The value of the version text in ver_str ("VER. 1.234" gives 1234): the text after the first
// blank, trimmed, whose 1st, 3rd, 4th and 5th characters form a decimal number; -1 otherwise.
int Version_Number(const QString &version_text);

// What the version service said: Newer, or why it gave no usable answer (Reason is empty when
// it named a version that is not newer).
struct Version_Answer {
    bool Newer = false;
    QString Reason;
};

// Reads the body of the service's reply: a version text "VER. " followed by the version.
Version_Answer Judge_Version_Reply(const QByteArray &body);

// Asks the version service at server, as Check_Version does; a failed request gives its reason.
Version_Answer Ask_Version(const QString &server = Maker_Server);

// Asks the version service at server whether a version newer than Own_Version exists. Blocks
// for at most the request's time limits; every failure answers false.
bool Check_Version(const QString &server = Maker_Server);
