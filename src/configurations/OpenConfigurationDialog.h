#pragma once

#include "widgets/FramedDialog.h"

#include <QAction>
#include <QListWidget>

// Open Configuration: lists the configuration folders and returns the chosen name in
// Active_Name, preselecting the active configuration.
class Open_Configuration_Dialog : public Framed_Dialog {
    Q_OBJECT

public:
    explicit Open_Configuration_Dialog(QWidget *parent);
    void Set_Lang();
    void Load_Existing_Configuration();

    QStringList SL;
    QString Active_Name;

    QListWidget *LB_Configurations;
    // The list's context menu.
    QAction *Act_Duplicate;
    QAction *Act_Rename;
    QAction *Act_Delete;
    QAction *Act_Record; // shows the record of the selected configuration's updates

protected:
    void FormShow() override;
    // Lists the configurations again and selects name, or the first when it is not there.
    void Fill_List(const QString &name);
    // Asks for a name, proposing the selected one, then copies or renames the selected
    // configuration to it and selects the result.
    void Duplicate_Or_Rename(bool rename);
    void Delete_Selected();
    void accept() override;
    // Shift+F10 and the Menu key open the list's context menu.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};
