#pragma once

#include "update/EndpointProbe.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Which side of the program an update runs from; some advice differs between the two.
enum class Update_Front { Window, Command_Line };

// True for the options that send the firmware file.
bool Sends_Firmware(int option);

// True for the options that send the configuration: the device restarts at its endpoints.
bool Sends_Configuration(int option);

// How long the device is awaited at its endpoints after an update, while it restarts.
inline constexpr int Device_Restart_Wait_S = 60;

// Where the device answers after an update that sent the active configuration: the endpoints of
// its parameter file. Throws Core_Error when the file cannot be read.
QList<Modbus_Endpoint> Sent_Endpoints();

// MASTER/sim20914.sim of the program folder.
QString Firmware_Path();

// Why the active configuration cannot be sent: it has no parameter file (its communication was
// never confirmed, and its image would be the cleared one), or its parameters fail a rule (that
// rule's message). nullopt when it can. Throws Core_Error when the parameter file cannot be
// read or is not well-formed.
std::optional<QString> Configuration_Refusal(Update_Front front);

// Configuration_Refusal, then what option needs beside the program: a firmware file that is
// a regular file and not empty when the firmware is sent, and an updater that can be started.
// Each refusal names the problem and what to do. Nothing is written.
std::optional<QString> Update_Refusal(int option, Update_Front front);

// What an update with option will send, a line an item, and nothing it does not send: the
// configuration's name; when the configuration is sent the image's checksum, the address and
// port of both endpoints by their names and the offsets, else that it is not sent; when the
// firmware is sent its file's name, size and date, else that it is not sent. image is the
// image file's content.
QStringList Update_Summary(const QString &name, const QByteArray &image, int option);
