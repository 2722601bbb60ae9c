// The record of updates: any content is read without a crash, every line is an entry, a warning
// or a start folded into its end, and the entries written out again read back whole and without
// warnings.

#include "FuzzSupport.h"

#include "update/UpdateRecord.h"

#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const Update_History history = Parse_Update_History(text);
    qsizetype lines = 0;
    for (const QByteArray &line : text.split('\n'))
        lines += line.trimmed().isEmpty() ? 0 : 1;
    // A start line whose end line follows is folded into it.
    Fuzz_Check(history.Entries.size() + history.Warnings.size() <= lines,
               "every line is an entry, a warning or a folded start");
    QByteArray again;
    for (const QJsonObject &entry : history.Entries)
        again += QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';
    const Update_History reread = Parse_Update_History(again);
    Fuzz_Check(reread.Warnings.isEmpty() && reread.Entries == history.Entries,
               "the entries written out read back the same");
    return 0;
}
