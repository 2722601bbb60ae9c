#pragma once

#include "widgets/FramedDialog.h"

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

protected:
    void FormShow() override;
    void accept() override;
    void resizeEvent(QResizeEvent *event) override;
};
