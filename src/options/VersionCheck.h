#pragma once

#include "platform/MakerServer.h"

#include <QString>

// The value of the version text in ver_str ("VER. 1.234" gives 1234): the text after the first
// blank, trimmed, whose 1st, 3rd, 4th and 5th characters form a decimal number; -1 otherwise.
int Conv_Version(const QString &Ver_str);

// Asks the version service at server whether a version newer than Own_Version exists. Blocks
// for at most the request's time limits; every failure answers false.
bool Check_Version(const QString &server = Maker_Server);
