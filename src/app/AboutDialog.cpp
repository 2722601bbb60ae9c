#include "UAbout.h"

#include "platform/MakerServer.h"
#include "shell/AppState.h"
#include "widgets/ProgramStyle.h"
#include "widgets/StyledButton.h"
#include "widgets/WebPages.h"

#include <QIcon>

namespace {

QLabel *Make_Label(QWidget *parent, const QString &text, int left, int top) {
    auto *label = new QLabel(text, parent);
    label->move(left, top);
    return label;
}

} // namespace

TFAbout::TFAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About..."));
    Image2 = new Click_Label(this);
    Image2->setGeometry(12, 12, 81, 81);
    Image2->setPixmap(QIcon(QStringLiteral(":/pictures/logo.svg")).pixmap(81, 81));
    Image2->setScaledContents(true);

    Label1 = Make_Label(this, QStringLiteral("Software Roziduduve "), 110, 12);
    QFont title = Label1->font();
    title.setBold(true);
    title.setPixelSize(13);
    Label1->setFont(title);
    Label2 = Make_Label(this, QString(), 110, 32);
    Label6 = Make_Label(this, QStringLiteral("Software Code : "), 110, 54);
    Label9 = Make_Label(this, QString(), 230, 54);
    Label3 = Make_Label(this, QStringLiteral("Version :"), 110, 70);
    Label10 = Make_Label(this, QString(), 230, 70);
    Label8 = Make_Label(this, QStringLiteral("Document Code :"), 110, 86);
    Label12 = Make_Label(this, QString(), 230, 86);

    Label4 = new Click_Label(this);
    Label4->setText(QUrl(Maker_Server).host());
    QFont link = Label4->font();
    link.setUnderline(true);
    Label4->setFont(link);
    QPalette blue = Label4->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label4->setPalette(blue);
    Label4->move(12, 116);
    Btn_OK = new Styled_Button(this);
    Btn_OK->setText(QStringLiteral("OK"));
    Btn_OK->setGeometry(406 - 12 - 90, 148 - 12 - 26, 90, 26);
    Btn_OK->setDefault(true);

    const auto open_home = [] {
        Open_Web_Page(Maker_Url(Home_Page_Path));
    };
    connect(Image2, &Click_Label::clicked, this, open_home);
    connect(Label4, &Click_Label::clicked, this, open_home);
    connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);
}

void TFAbout::showEvent(QShowEvent *event) {
    Label2->setText(Def_SW_Description);
    Label9->setText(Def_SW_Code);
    Label10->setText(Own_Version);
    Label12->setText(QStringLiteral("DM20914"));
    for (QLabel *label : {Label2, Label9, Label10, Label12})
        label->adjustSize();
    setFixedSize(406, 148);
    Center_On_Screen(this);
    QDialog::showEvent(event);
}
