#pragma once

// A program folder for the command-line tool's tests, with what an update needs on request,
// and readers of what the tool leaves in it. The including test names the tool in CLI_PROGRAM
// and the stand-in updater in STAND_IN_UPDATER.

#include "support/CliRun.h"
#include "support/TestSupport.h"

#include "configurations/ConfigurationLock.h"
#include "parameters/ParGen.h"
#include "shell/AppState.h"
#include "update/JobFile.h"
#include "update/UpdateRecord.h"

#include <QDir>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

inline const QString Updater_Record = QStringLiteral("updater_record.txt");
inline const QString Updater_Delay = QStringLiteral("updater_delay_ms");

// The file the communication settings dialog writes for the defaults with these changes.
inline QByteArray Saved_Par_Gen(const QList<std::pair<QString, QString>> &changes) {
    ParGen_Params params = Default_ParGen();
    for (const auto &[key, value] : changes)
        Set_ParGen_Value(params, *Find_ParGen_Key(key), value);
    const QTemporaryDir dir;
    Save_ParGen(params, dir.filePath(QStringLiteral("ParGen.xml")));
    return Read_Test_File(dir.filePath(QStringLiteral("ParGen.xml")));
}

// A program folder with PROJECTS and LANGUAGE, a language "Test" and, on request, the stand-in
// updater. Every run of the tool is pointed at it.
struct Cli_Program {
    Program_Folder Folder;

    Cli_Program() {
        QDir(Folder.path()).mkpath(QStringLiteral("PROJECTS"));
        QDir(Folder.path()).mkpath(QStringLiteral("LANGUAGE"));
        Write_Test_File(Folder.file(QStringLiteral("LANGUAGE/Test.lng")),
                        "STR106 = Esiste gia\r\nSTR853 = Porta sbagliata\r\n"
                        "STR636 = Nessuna risposta\r\n");
    }

    QString file(const QString &name) const { return Folder.file(name); }

    QStringList Arguments(QStringList arguments) const {
        return arguments << QStringLiteral("--program-dir") << Folder.path();
    }
    Cli_Result Run(const QStringList &arguments) const { return Run_Cli(Arguments(arguments)); }
    // A run that reads input on stdin, as a question's answer typed.
    Cli_Result Run_With_Input(const QStringList &arguments, const QByteArray &input) const {
        QProcess process;
        Start_Cli(process, Arguments(arguments));
        process.write(input);
        process.closeWriteChannel();
        return Finish_Cli(process);
    }

    void Add_Configuration(const QString &name, const QByteArray &par_gen = QByteArray()) const {
        QVERIFY(QDir(Folder.path())
                    .mkpath(QStringLiteral("PROJECTS/") + name + QStringLiteral("/bin")));
        if (!par_gen.isNull())
            Write_Test_File(Par_Gen_Path(name), par_gen);
    }
    // The lock file of configuration name.
    QString Lock_File(const QString &name) const {
        return Configuration_Lock_Path(file(QStringLiteral("PROJECTS/") + name));
    }
    QString Par_Gen_Path(const QString &name) const {
        return file(QStringLiteral("PROJECTS/%1/ParGen.xml").arg(name));
    }

    void Remember(const QByteArray &settings) const {
        Write_Test_File(file(Settings_File_Name),
                        "<Conf_Settings>" + settings + "</Conf_Settings>");
    }

    void Add_Updater(int delay_ms = 0) const {
        QVERIFY(QFile::copy(QStringLiteral(STAND_IN_UPDATER), file(Updater_File_Name)));
        Write_Test_File(file(Updater_Delay), QByteArray::number(delay_ms));
    }
    // The stand-in runs until Release_Updater.
    void Add_Held_Updater() const {
        Add_Updater();
        Write_Test_File(file(Updater_Delay), "hold");
    }
    void Release_Updater() const { Write_Test_File(file(QStringLiteral("updater_release")), ""); }
    void Add_Firmware(const QByteArray &content = "FIRM") const {
        QVERIFY(QDir(Folder.path()).mkpath(QStringLiteral("MASTER")));
        Write_Test_File(file(QStringLiteral("MASTER/sim20914.sim")), content);
    }
    // A configuration that may be sent: its parameters confirmed, the firmware and the updater
    // beside the program.
    void Add_Sendable(const QString &name, int delay_ms = 0) const {
        Add_Configuration(name, Saved_Par_Gen({}));
        Add_Firmware();
        Add_Updater(delay_ms);
    }
    QString Record() const { return QString::fromUtf8(Read_Test_File(file(Updater_Record))); }
};

// The record of a configuration's updates, read back as the tool reads it.
inline QList<QJsonObject> Update_Records(const Cli_Program &program, const QString &name) {
    const Update_History history = Parse_Update_History(Read_Test_File(
        program.file(QStringLiteral("PROJECTS/%1/%2").arg(name, Update_Record_File_Name))));
    return history.Entries;
}

// One line on stderr, prefixed with the tool's name, holding message.
inline void Verify_Error_Line(const Cli_Result &result, const QString &message) {
    QVERIFY2(result.Err.startsWith(QLatin1String("cf20914-cli: ")) &&
                 result.Err.endsWith(QLatin1Char('\n')) && result.Err.count(QLatin1Char('\n')) == 1,
             qPrintable(result.Err));
    QVERIFY2(result.Err.contains(message), qPrintable(result.Err));
}
