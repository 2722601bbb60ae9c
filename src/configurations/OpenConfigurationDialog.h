#pragma once

#include "widgets/FramedDialog.h"

#include <QAction>
#include <QListWidget>

// Open Configuration: lists the configuration folders and returns the chosen name in
// Name_Conf, preselecting the active configuration.
class TFOpenConf : public Framed_Dialog {
    Q_OBJECT

public:
    explicit TFOpenConf(QWidget *parent);
    void Set_Lang();
    void Load_Existing_Configuration();

    QStringList SL;
    QString Name_Conf;

    QListWidget *ListBox1;
    // The list's context menu.
    QAction *Act_Duplicate;
    QAction *Act_Rename;
    QAction *Act_Delete;

protected:
    void FormShow() override;
    // Lists the configurations again and selects name, or the first when it is not there.
    void Fill_List(const QString &name);
    // Asks for a name, proposing the selected one, then copies or renames the selected
    // configuration to it and selects the result.
    void Duplicate_Or_Rename(bool rename);
    void Delete_Selected();
    void accept() override;
    void resizeEvent(QResizeEvent *event) override;
};
