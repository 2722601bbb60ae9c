#include "UOpenConf.h"

#include "configurations/Configurations.h"
#include "language/LangStrings.h"
#include "shell/AppState.h"
#include "widgets/DialogFrame.h"
#include "widgets/ProgramStyle.h"

#include <QKeyEvent>

TFOpenConf::TFOpenConf(QWidget *parent) : QDialog(parent) {
    const Dialog_Header header = Make_Dialog_Header(this);
    P_Title = header.P_Title;
    L_SW_Code = header.L_SW_Code;
    L_SW_Desc = header.L_SW_Desc;
    Label1 = new QLabel(this);
    Label1->move(16, 72);
    ListBox1 = new QListWidget(this);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    P_Button = Make_Button_Bar(this);
    Btn_OK = new Styled_Button(P_Button);
    Btn_OK->resize(110, 28);
    Btn_OK->setDefault(true);
    Btn_Cancel = new Styled_Button(P_Button);
    Btn_Cancel->resize(110, 28);

    connect(ListBox1, &QListWidget::currentTextChanged, this,
            [this](const QString &text) { Name_Conf = text; });
    connect(ListBox1, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    resize(377, 351);
    setMinimumSize(260, 220);
    Set_Lang();
}

void TFOpenConf::Set_Lang() {
    setWindowTitle(Lang_Strings.at(200));
    L_SW_Desc->setText(Lang_Strings.at(201));
    Label1->setText(Lang_Strings.at(202));
    ListBox1->setToolTip(Lang_Strings.at(205));
    Btn_OK->setText(Lang_Strings.at(203));
    Btn_OK->setToolTip(Lang_Strings.at(206));
    Btn_Cancel->setText(Lang_Strings.at(204));
    Btn_Cancel->setToolTip(Lang_Strings.at(207));
    for (QLabel *label : {L_SW_Desc, Label1})
        label->adjustSize();
}

void TFOpenConf::Load_Existing_Configuration() {
    SL = ::Load_Existing_Configuration(App.Projects_Dir);
}

void TFOpenConf::showEvent(QShowEvent *event) {
    Load_Existing_Configuration();
    ListBox1->clear();
    ListBox1->addItems(SL);
    const int found = Search_Open_Conf(SL, Active_Folder_Name());
    const int selected = found >= 0 ? found : (SL.isEmpty() ? -1 : 0);
    ListBox1->setCurrentRow(selected);
    Name_Conf = selected >= 0 ? SL.at(selected) : QString();
    ListBox1->setFocus();
    Center_On_Screen(this);
    QDialog::showEvent(event);
}

void TFOpenConf::resizeEvent(QResizeEvent *event) {
    Place_Dialog_Frame(this, P_Title, P_Button);
    // The list grows with the window; the buttons keep to the bar's right end.
    ListBox1->setGeometry(16, 94, width() - 42, P_Button->y() - 94 - 8);
    Btn_Cancel->move(P_Button->width() - 136, 6);
    Btn_OK->move(Btn_Cancel->x() - 118, 6);
    QDialog::resizeEvent(event);
}
