#include "support/TestSupport.h"

#include "platform/CoreError.h"
#include "platform/ProcessLaunch.h"
#include "platform/XmlFile.h"
#include "update/JobFile.h"
#include "update/UpdateLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>
#include <QTest>
#include <memory>

namespace {

const QStringList Operation_Children = {QStringLiteral("Ope_Protection_Enabled"),
                                        QStringLiteral("Ope_GoToBoot_Before"),
                                        QStringLiteral("Ope_GoToApp_Before"),
                                        QStringLiteral("Ope_IP_Address"),
                                        QStringLiteral("Ope_Port"),
                                        QStringLiteral("Ope_Erase_Memory"),
                                        QStringLiteral("Ope_FileName"),
                                        QStringLiteral("Ope_Start_Address"),
                                        QStringLiteral("Ope_Memory_Type"),
                                        QStringLiteral("Ope_Bank_Type"),
                                        QStringLiteral("Ope_Read_Back"),
                                        QStringLiteral("Ope_Write_CSS"),
                                        QStringLiteral("Ope_Address_CSS"),
                                        QStringLiteral("Ope_Command_CSS"),
                                        QStringLiteral("Ope_Write_Internal_Data"),
                                        QStringLiteral("Ope_WID_Address"),
                                        QStringLiteral("Ope_WID_Command"),
                                        QStringLiteral("Ope_WID_Data"),
                                        QStringLiteral("Ope_GoToApp_After")};

// The values of one operation, in child order, joined with "|"; the child names are checked
// on the way.
QString Operation_Values(const QDomElement &operation) {
    QStringList names, values;
    for (QDomElement child = operation.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        names << child.tagName();
        values << child.text();
    }
    if (names != Operation_Children)
        return QStringLiteral("children: ") + names.join(QLatin1Char(','));
    return values.join(QLatin1Char('|'));
}

// The folders of a job are in the platform's form, as the program keeps them.
QString Native(const char *path) {
    return QDir::toNativeSeparators(QLatin1String(path));
}

QString Firmware(const QString &read_back, const QString &last) {
    return QStringLiteral("|0|0||2007|0|%1|0x8000|0|1|%2|1|0x78100|0x0B|0|0x78200|0x0B||%3")
        .arg(Native("/fw/sim20914.sim"), read_back, last);
}

QString Configuration(const QString &read_back) {
    return QStringLiteral("|0|0||2007|0|%1|0x68000|0|2|%2|0|0x50100|0x0B|0|0x78200|0x0B||1")
        .arg(Native("/plant/bin/bank.bin"), read_back);
}

} // namespace

class Test_Update : public QObject {
    Q_OBJECT

private slots:
    void job_file_data();
    void job_file();
    void job_file_write_failure_data();
    void job_file_write_failure();
    void job_file_names_in_the_updaters_form_data();
    void job_file_names_in_the_updaters_form();
    void lock_of_a_reused_process_number_data();
    void lock_of_a_reused_process_number();
};

void Test_Update::job_file_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("read_back");
    QTest::addColumn<QStringList>("operations");
    QTest::newRow("firmware and configuration, read back")
        << "192.168.2.205" << 0 << true
        << QStringList{Firmware(QStringLiteral("1"), QStringLiteral("0")),
                       Configuration(QStringLiteral("1"))};
    QTest::newRow("firmware only, no read back")
        << "10.0.0.1" << 1 << false
        << QStringList{Firmware(QStringLiteral("0"), QStringLiteral("1"))};
    QTest::newRow("configuration only")
        << "10.0.0.1" << 2 << true << QStringList{Configuration(QStringLiteral("1"))};
    QTest::newRow("unknown option writes no operation") << "10.0.0.1" << 3 << true << QStringList();
    QTest::newRow("negative option") << "10.0.0.1" << -1 << false << QStringList();
    QTest::newRow("leading zeros kept")
        << "192.168.000.010" << 2 << false << QStringList{Configuration(QStringLiteral("0"))};
}

void Test_Update::job_file() {
    QFETCH(QString, address);
    QFETCH(int, option);
    QFETCH(bool, read_back);
    QFETCH(QStringList, operations);
    Program_Folder program;
    const QString path = program.file(Job_File_Name);
    // A job with more operations was written before: nothing of it may remain.
    Write_Update_Job(
        {QStringLiteral("1.1.1.1"), 0, true, QStringLiteral("/old"), QStringLiteral("/old"), {}},
        path);
    Write_Update_Job({address, option, read_back, Native("/fw"), Native("/plant"), {}}, path);

    const QDomElement root = First_Top_Element(Read_Xml_File(path));
    QCOMPARE(root.tagName(), QStringLiteral("Ethernet_Update"));
    QStringList header;
    for (QDomElement child = root.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        header << child.tagName() + QLatin1Char('=') +
                      (child.firstChildElement().isNull() ? child.text() : QStringLiteral("..."));
    QCOMPARE(header,
             QStringList(
                 {QStringLiteral("Version=1000"),
                  QStringLiteral("Title=Velmor - CF20914 Ethernet Update"),
                  QStringLiteral("IP_Address_Dev=") + address,
                  QStringLiteral("Application_Port=10000"), QStringLiteral("Boot_Port=2007"),
                  QStringLiteral("Address_Protection=0x78000"), QStringLiteral("Protections=..."),
                  operations.isEmpty() ? QStringLiteral("Operations=")
                                       : QStringLiteral("Operations=...")}));
    const QDomElement protections = root.firstChildElement(QStringLiteral("Protections"));
    QCOMPARE(protections.childNodes().size(), 1);
    QCOMPARE(protections.firstChildElement(QStringLiteral("Protection")).text(),
             QStringLiteral("0x2E7"));

    QStringList written;
    const QDomElement list = root.firstChildElement(QStringLiteral("Operations"));
    for (QDomElement operation = list.firstChildElement(); !operation.isNull();
         operation = operation.nextSiblingElement()) {
        QCOMPARE(operation.tagName(), QStringLiteral("Operation"));
        written << Operation_Values(operation);
    }
    QCOMPARE(written, operations);
    QVERIFY(!Read_Test_File(path).contains("/old"));
}

void Test_Update::job_file_write_failure_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only folder") << "10.0.0.1" << false << "Permission denied";
    // Only a checked address reaches the updater.
    QTest::newRow("no address") << "" << true << "is not an IPv4 address";
    QTest::newRow("three parts") << "10.0.1" << true << "is not an IPv4 address";
}

void Test_Update::job_file_write_failure() {
    QFETCH(QString, address);
    QFETCH(bool, writable);
    QFETCH(QString, reason);
    if (!writable)
        SKIP_UNLESS_READ_ONLY_FOLDERS();
    Program_Folder program;
    const QString path = program.file(Job_File_Name);
    Write_Test_File(path, "previous job");
    std::unique_ptr<Read_Only_Folder> guard;
    if (!writable)
        guard = std::make_unique<Read_Only_Folder>(program.path());
    try {
        Update_Job job;
        job.IP_Address = address;
        Write_Update_Job(job, path);
        QFAIL("a job that could not be written reported success");
    } catch (const Core_Error &error) {
        QVERIFY2(error.message().contains(Job_File_Name) && error.message().contains(reason),
                 qPrintable(error.message()));
    }
    QCOMPARE(Read_Test_File(path), QByteArray("previous job"));
}

void Test_Update::job_file_names_in_the_updaters_form_data() {
    QTest::addColumn<QByteArray>("updater"); // the updater file's first bytes; empty: no file
    QTest::addColumn<bool>("through_wine");
    QTest::newRow("no updater") << QByteArray() << false;
    QTest::newRow("native program") << QByteArray("\x7f"
                                                  "ELF\x02\x01")
                                    << false;
#ifndef Q_OS_WIN
    // A Windows updater runs under Wine and reads Windows paths: Linux's root is drive Z:.
    QTest::newRow("Windows program") << QByteArray("MZ\x90\x00") << true;
#endif
}

void Test_Update::job_file_names_in_the_updaters_form() {
    QFETCH(QByteArray, updater);
    QFETCH(bool, through_wine);
    Program_Folder program;
    const QString updater_path = program.file(Updater_File_Name);
    if (!updater.isEmpty())
        Write_Test_File(updater_path, updater);
    const QString path = program.file(Job_File_Name);
    Write_Update_Job({QStringLiteral("10.0.0.1"), Update_Firmware_And_Configuration, true,
                      Native("/fw"), Native("/plant"), updater_path},
                     path);

    QStringList names;
    const QDomNodeList files =
        Read_Xml_File(path).elementsByTagName(QStringLiteral("Ope_FileName"));
    for (int i = 0; i < files.size(); ++i)
        names << files.at(i).toElement().text();
    const QStringList expected =
        through_wine ? QStringList{QStringLiteral("Z:\\fw\\sim20914.sim"),
                                   QStringLiteral("Z:\\plant\\bin\\bank.bin")}
                     : QStringList{Native("/fw/sim20914.sim"), Native("/plant/bin/bank.bin")};
    QCOMPARE(names, expected);
}

// A lock counts as held only by the very process that wrote it: a live process of the same
// number that started at another time, or (in a file without start times) runs another program,
// is another process, and the lock is taken over at once.
void Test_Update::lock_of_a_reused_process_number_data() {
    QTest::addColumn<qint64>("pid");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("started"); // "own": this process's start time
    QTest::addColumn<qint64>("updater");
    QTest::addColumn<QString>("updater_started");
    QTest::addColumn<bool>("held");
    const qint64 own = QCoreApplication::applicationPid();
    const QString name = QCoreApplication::applicationName();
    QTest::newRow("process 1 under another program, no start time")
        << qint64(1) << "cf20914-cli"
        << "" << qint64(0) << "" << false;
    QTest::newRow("this number, started at another time")
        << own << name << "1" << qint64(0) << "" << false;
    QTest::newRow("this process as it wrote the lock")
        << own << name << "own" << qint64(0) << "" << true;
    QTest::newRow("this number and program, no start time")
        << own << name << "" << qint64(0) << "" << true;
    QTest::newRow("this number under another program, no start time")
        << own << "CF20914"
        << "" << qint64(0) << "" << false;
    QTest::newRow("an updater's number, started at another time")
        << qint64(0) << name << "" << own << "1" << false;
    QTest::newRow("an updater as started") << qint64(0) << name << "" << own << "own" << true;
}

void Test_Update::lock_of_a_reused_process_number() {
    QFETCH(qint64, pid);
    QFETCH(QString, program);
    QFETCH(QString, started);
    QFETCH(qint64, updater);
    QFETCH(QString, updater_started);
    QFETCH(bool, held);
#ifndef Q_OS_LINUX
    QSKIP("start times come from /proc on Linux");
#endif
    const QString own = Identity_Of(QCoreApplication::applicationPid()).Started;
    const Program_Folder folder;
    Update_Lock_Holder holder;
    holder.Pid = pid;
    holder.Program = program;
    holder.Host = QSysInfo::machineHostName();
    holder.Started = started == QLatin1String("own") ? own : started;
    holder.Updater_Pid = updater;
    holder.Updater_Started = updater_started == QLatin1String("own") ? own : updater_started;
    Write_Test_File(folder.file(Update_Lock_File_Name), Lock_File_Text(holder));
    Update_Lock lock(folder.path());
    const auto result = lock.Take(0, [](qint64, const Update_Lock_Holder &) {});
    QCOMPARE(result, held ? Update_Lock::Take_Result::Busy : Update_Lock::Take_Result::Taken);
}

QTEST_GUILESS_MAIN(Test_Update)
#include "tst_update.moc"
