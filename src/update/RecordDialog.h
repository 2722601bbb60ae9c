#pragma once

#include <QDialog>
#include <QString>
#include <QTableWidget>

// The record of a configuration's updates as a table, newest first: time, address, option,
// outcome in words, seconds, the check afterwards; each row's line of the record in its tooltip.
class Record_Dialog : public QDialog {
    Q_OBJECT

public:
    // The record of the configuration name in proj_dir. A record that cannot be read is said with
    // the standard error box, and the table stays empty.
    Record_Dialog(QWidget *parent, const QString &proj_dir, const QString &name);

    void Set_Lang();

    QTableWidget *Table;

private:
    QString Name;
};
