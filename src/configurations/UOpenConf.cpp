#include "UOpenConf.h"

#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "shell/AppState.h"
#include "shell/Messages.h"
#include "widgets/DialogFrame.h"

#include <QKeyEvent>

TFOpenConf::TFOpenConf(QWidget *parent) : Framed_Dialog(parent, Qt::Dialog) {
    ListBox1 = new QListWidget(this);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    Btn_OK->setDefault(true);

    connect(ListBox1, &QListWidget::currentTextChanged, this,
            [this](const QString &text) { Name_Conf = text; });
    connect(ListBox1, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);

    resize(377, 351);
    setMinimumSize(260, 220);
    Set_Lang();
}

void TFOpenConf::Set_Lang() {
    Set_Frame_Lang({200, 201, 202, 203, 206, 204, 207});
    ListBox1->setToolTip(Lang_Strings.at(205));
}

void TFOpenConf::Load_Existing_Configuration() {
    try {
        SL = ::Load_Existing_Configuration(App.Projects_Dir);
    } catch (const Core_Error &error) {
        SL.clear();
        Show_Standard_Error(error.message());
    }
}

void TFOpenConf::FormShow() {
    Load_Existing_Configuration();
    ListBox1->clear();
    ListBox1->addItems(SL);
    const int found = Search_Open_Conf(SL, Active_Folder_Name());
    const int selected = found >= 0 ? found : (SL.isEmpty() ? -1 : 0);
    ListBox1->setCurrentRow(selected);
    Name_Conf = selected >= 0 ? SL.at(selected) : QString();
    ListBox1->setFocus();
}

void TFOpenConf::accept() {
    // A folder whose name the program could not store is never made active: the settings
    // file would become unreadable.
    if (!Name_Conf.isEmpty() && !Configuration_Name_Safe(Name_Conf)) {
        Show_Error(Lang_Strings.at(Create_Name_Refused));
        return;
    }
    QDialog::accept();
}

void TFOpenConf::resizeEvent(QResizeEvent *event) {
    Place_Dialog_Frame(this, P_Title, P_Button);
    // The list grows with the window; the buttons keep to the bar's right end.
    ListBox1->setGeometry(16, 94, width() - 42, P_Button->y() - 94 - 8);
    Btn_Cancel->move(P_Button->width() - 136, 6);
    Btn_OK->move(Btn_Cancel->x() - 118, 6);
    QDialog::resizeEvent(event);
}
