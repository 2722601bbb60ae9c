// The device list: any content is read without a crash; the records written out again with
// every field quoted and commas between read back the same, whatever encoding and separator the
// input had, and the device list names each problem by its line.

#include "FuzzSupport.h"

#include "configurations/DeviceList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList errors;
    QStringList notes;
    const QList<Csv_Record> records = Read_Csv(text, errors, notes);
    int line = 0;
    QString again;
    for (const Csv_Record &record : records) {
        Fuzz_Check(record.Line > line, "records come in the order of their lines");
        line = record.Line;
        QStringList fields;
        for (const QString &field : record.Fields)
            fields << QLatin1Char('"') +
                          QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                          QLatin1Char('"');
        again += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    QStringList reread_errors;
    QStringList reread_notes;
    const QList<Csv_Record> reread = Read_Csv(again.toUtf8(), reread_errors, reread_notes);
    Fuzz_Check(reread_notes.isEmpty(), "records written out read back as UTF-8");
    Fuzz_Check(reread_errors.isEmpty(), "records written out read back without errors");
    Fuzz_Check(reread.size() == records.size(), "records written out read back whole");
    for (qsizetype i = 0; i < reread.size(); ++i)
        Fuzz_Check(reread.at(i).Fields == records.at(i).Fields,
                   "records written out read back the same");

    const Device_List list = Read_Device_List(text);
    for (const QString &error : list.Errors)
        Fuzz_Check(error.startsWith(QLatin1String("line ")) ||
                       error.startsWith(QLatin1String("the file's byte-order mark")),
                   "each problem names its line");
    return 0;
}
