#include "AboutDialog.h"

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

About_Dialog::About_Dialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About..."));
    Logo = new Click_Label(this);
    Logo->setGeometry(12, 12, 81, 81);
    Logo->setPixmap(QIcon(QStringLiteral(":/pictures/logo.svg")).pixmap(81, 81));
    Logo->setScaledContents(true);

    L_Title = Make_Label(this, QStringLiteral("Software Roziduduve "), 110, 12);
    QFont title = L_Title->font();
    title.setBold(true);
    title.setPixelSize(13);
    L_Title->setFont(title);
    L_Description = Make_Label(this, QString(), 110, 32);
    L_Code_Caption = Make_Label(this, QStringLiteral("Software Code : "), 110, 54);
    L_Code = Make_Label(this, QString(), 230, 54);
    L_Version_Caption = Make_Label(this, QStringLiteral("Version :"), 110, 70);
    L_Version = Make_Label(this, QString(), 230, 70);
    L_Document_Caption = Make_Label(this, QStringLiteral("Document Code :"), 110, 86);
    L_Document = Make_Label(this, QString(), 230, 86);

    L_Maker_Link = new Click_Label(this);
    L_Maker_Link->setText(QUrl(Maker_Server).host());
    QFont link = L_Maker_Link->font();
    link.setUnderline(true);
    L_Maker_Link->setFont(link);
    QPalette blue = L_Maker_Link->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    L_Maker_Link->setPalette(blue);
    L_Maker_Link->move(12, 116);
    Btn_OK = new Styled_Button(this);
    Btn_OK->setText(QStringLiteral("OK"));
    Btn_OK->setGeometry(406 - 12 - 90, 148 - 12 - 26, 90, 26);
    Btn_OK->setDefault(true);

    const auto open_home = [] {
        Open_Web_Page(Maker_Url(Home_Page_Path));
    };
    connect(Logo, &Click_Label::clicked, this, open_home);
    connect(L_Maker_Link, &Click_Label::clicked, this, open_home);
    connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);
}

void About_Dialog::showEvent(QShowEvent *event) {
    L_Description->setText(Def_SW_Description);
    L_Code->setText(Def_SW_Code);
    L_Version->setText(Own_Version);
    L_Document->setText(QStringLiteral("DM20914"));
    for (QLabel *label : {L_Description, L_Code, L_Version, L_Document})
        label->adjustSize();
    setFixedSize(406, 148);
    Center_On_Screen(this);
    QDialog::showEvent(event);
}
