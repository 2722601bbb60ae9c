#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

// --program-dir and --language, which every command on a program folder takes.
QList<QCommandLineOption> Program_Folder_Options();

// Starts the core on the program folder as the program starts: the folder of this executable
// or --program-dir, its settings and the language they name, or --language for this run. The
// settings file is only read: what it remembers belongs to the windows.
void Open_Program_Folder(const QCommandLineParser &parser);

// Makes the configuration name of the program folder the active one, as the open dialog does.
// A usage error when there is no such configuration.
void Open_Named_Configuration(const QString &name);

// Writes "cf20914-cli: " and message as one line on stderr; the exit code of a refusal, 1.
int Refuse(const QString &message);
