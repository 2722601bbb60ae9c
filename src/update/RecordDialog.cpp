#include "RecordDialog.h"

#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "shell/Conversions.h"
#include "shell/Messages.h"
#include "update/UpdateRecord.h"

#include <QHeaderView>
#include <QVBoxLayout>

Record_Dialog::Record_Dialog(QWidget *parent, const QString &proj_dir, const QString &name)
    : QDialog(parent), Name(name) {
    Table = new QTableWidget(0, 6, this);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->verticalHeader()->hide();
    Table->horizontalHeader()->setStretchLastSection(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Table);
    QList<Record_Row> rows;
    try {
        Update_History history;
        Read_Update_History(
            proj_dir, [&history](const QJsonObject &entry) { history.Entries << entry; },
            [](const QString &) {});
        rows = Record_Rows(history);
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
    }
    Table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const Record_Row &row = rows.at(r);
        const QString cells[] = {row.Time,    row.Address, row.Option,
                                 row.Outcome, row.Seconds, row.Check};
        for (int c = 0; c < 6; ++c) {
            auto *item = new QTableWidgetItem(Escape_Controls(cells[c]));
            item->setToolTip(Escape_Controls(row.Raw));
            Table->setItem(r, c, item);
        }
    }
    Table->resizeColumnsToContents();
    resize(720, 360);
    Set_Lang();
}

void Record_Dialog::Set_Lang() {
    setWindowTitle(Lang_Strings.at(733).arg(Escape_Controls(Name)));
    QStringList headers;
    for (int entry = 734; entry <= 739; ++entry)
        headers << Lang_Strings.at(entry);
    Table->setHorizontalHeaderLabels(headers);
}
