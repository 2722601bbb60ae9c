#include "OptionsDialog.h"

#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "options/FlagPicture.h"
#include "options/VersionCheckWait.h"
#include "platform/CoreError.h"
#include "platform/InputFile.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Messages.h"
#include "widgets/DialogFrame.h"
#include "widgets/Keys.h"
#include "widgets/ProgramStyle.h"
#include "widgets/WebPages.h"

#include <QKeyEvent>
#include <QPixmap>

namespace {

constexpr int Client_Width = 509;
constexpr int Client_Height = 373;
constexpr int Header_Height = 69;
constexpr int Button_Height = 40;
constexpr int Flag_Size = 48;
// A 48 x 48 bitmap is under 10 KiB; one of the largest pictures taken, uncompressed, 1 MiB.
constexpr qint64 Flag_File_Limit = 4 * 1024 * 1024;

// A language slot's name: it takes the keyboard focus (underlined then), and Space or Enter
// picks it as a click does.
class Slot_Name : public Click_Label {
public:
    explicit Slot_Name(QWidget *parent) : Click_Label(parent) { setFocusPolicy(Qt::TabFocus); }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->key() == Qt::Key_Space || Is_Enter(*event)) {
            emit clicked();
            return;
        }
        Click_Label::keyPressEvent(event);
    }
    void focusInEvent(QFocusEvent *event) override {
        Underline(true);
        Click_Label::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override {
        Underline(false);
        Click_Label::focusOutEvent(event);
    }

private:
    void Underline(bool on) {
        QFont underlined = font();
        underlined.setUnderline(on);
        setFont(underlined);
    }
};

// The flag of a language: "<name>.bmp", else "DefaultFlag.bmp", fitted into 48 x 48 keeping
// its proportions. A file that is no readable picture (a device, a huge file, a picture far
// larger than a flag, anything but a picture a reader accepts) counts as missing; null when
// neither is there.
QPixmap Flag_Picture(const QString &language) {
    for (const QString &name :
         {language + QLatin1String(".bmp"), QStringLiteral("DefaultFlag.bmp")}) {
        QImage flag;
        try {
            flag = Read_Flag(Read_Input_File(Join_Path(App.Language_Dir, name), Flag_File_Limit),
                             Flag_Size);
        } catch (const Core_Error &) {
            continue;
        }
        if (!flag.isNull())
            return QPixmap::fromImage(flag);
    }
    return {};
}

QCheckBox *Make_Check_Box(QWidget *page, int left, int top) {
    auto *box = new QCheckBox(page);
    box->move(left, top);
    return box;
}

} // namespace

Options_Dialog::Options_Dialog(QWidget *parent, Main_Window_Hooks hooks)
    : Program_Dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint),
      Hooks(std::move(hooks)) {
    const Dialog_Header header = Make_Dialog_Header(this);
    P_Title = header.P_Title;
    L_SW_Code = header.L_SW_Code;
    L_SW_Desc = header.L_SW_Desc;

    PC_Options = new QTabWidget(this);
    PC_Options->setGeometry(0, Header_Height, Client_Width,
                            Client_Height - Header_Height - Button_Height);

    TS_Language = new QWidget;
    L_Sel_Lang = new QLabel(TS_Language);
    L_Sel_Lang->move(12, 10);
    // Slots 1 to 3 down the left column, 4 to 6 down the right one; the name right of the flag.
    for (int k = 0; k < Slots_Per_Page; ++k) {
        const int left = k < 3 ? 24 : 262;
        const int top = 36 + (k % 3) * 56;
        Flag_Slots[k] = new Click_Label(TS_Language);
        Flag_Slots[k]->setGeometry(left, top, Flag_Size, Flag_Size);
        Flag_Slots[k]->setAlignment(Qt::AlignCenter);
        Name_Slots[k] = new Slot_Name(TS_Language);
        Name_Slots[k]->setGeometry(left + Flag_Size + 10, top + 16, 160, 16);
        for (Click_Label *control : {Flag_Slots[k], Name_Slots[k]})
            connect(control, &Click_Label::clicked, this, [this, control] { LangClick(control); });
    }
    L_Page_Lang = new QLabel(TS_Language);
    L_Page_Lang->setAlignment(Qt::AlignCenter);
    Btn_Prev = new Styled_Button(TS_Language);
    Btn_Next = new Styled_Button(TS_Language);
    const int page_width = Client_Width - 6;
    const int bottom = 204;
    Btn_Prev->setGeometry(12, bottom, 100, 26);
    Btn_Next->setGeometry(page_width - 12 - 100, bottom, 100, 26);
    L_Page_Lang->setGeometry(124, bottom + 5, page_width - 248, 16);
    for (Styled_Button *button : {Btn_Prev, Btn_Next})
        connect(button, &QPushButton::clicked, this, [this, button] { Btn_NextClick(button); });
    PC_Options->addTab(TS_Language, QString());

    TS_Connection = new QWidget;
    CB_Enable_Internet = Make_Check_Box(TS_Connection, 12, 16);
    CB_Update_At_Start = Make_Check_Box(TS_Connection, 36, 47);
    Btn_Check_Update = new Styled_Button(TS_Connection);
    Btn_Check_Update->setGeometry(36, 78, 204, 28);
    LL_Check_Update = new QLabel(TS_Connection);
    LL_Check_Update->move(40, 120);
    LL_Check_Update->setTextFormat(Qt::RichText);
    LL_Check_Update->hide();
    connect(Btn_Check_Update, &QPushButton::clicked, this, &Options_Dialog::Btn_Check_UpdateClick);
    connect(LL_Check_Update, &QLabel::linkActivated, this,
            [](const QString &link) { Open_Web_Page(QUrl(link)); });
    PC_Options->addTab(TS_Connection, QString());

    TS_Soft_Settings = new QWidget;
    CB_Jump_Field_Tables = Make_Check_Box(TS_Soft_Settings, 12, 16);
    CB_DoubleClick_Auto_Size = Make_Check_Box(TS_Soft_Settings, 12, 39);
    CB_Check_After_Update = Make_Check_Box(TS_Soft_Settings, 12, 62);
    PC_Options->addTab(TS_Soft_Settings, QString());

    for (QCheckBox *box :
         {CB_Enable_Internet, CB_Update_At_Start, CB_Jump_Field_Tables, CB_DoubleClick_Auto_Size})
        connect(box, &QCheckBox::toggled, this, &Options_Dialog::Update_CheckBox);

    P_Button = Make_Button_Bar(this);
    Btn_OK = new Styled_Button(P_Button);
    Btn_OK->setGeometry(16, 6, 110, 28);
    Btn_OK->setDefault(true);
    Btn_Cancel = new Styled_Button(P_Button);
    Btn_Cancel->setGeometry(134, 6, 110, 28);
    connect(Btn_OK, &QPushButton::clicked, this, &Options_Dialog::Btn_OKClick);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(Client_Width, Client_Height);
    Place_Dialog_Frame(this, P_Title, P_Button);
    Set_Lang();
}

void Options_Dialog::Set_Lang() {
    setWindowTitle(Lang_Strings.at(300));
    L_SW_Desc->setText(Lang_Strings.at(301));
    PC_Options->setTabText(0, Lang_Strings.at(302));
    PC_Options->setTabText(1, Lang_Strings.at(303));
    L_Sel_Lang->setText(Lang_Strings.at(304));
    L_Page_Lang->setText(Lang_Strings.at(305) + QLatin1Char('1') + Lang_Strings.at(306) +
                         QLatin1Char('1'));
    Btn_Prev->setText(Lang_Strings.at(307));
    Btn_Next->setText(Lang_Strings.at(308));
    CB_Enable_Internet->setText(Lang_Strings.at(309));
    CB_Update_At_Start->setText(Lang_Strings.at(310));
    Btn_Check_Update->setText(Lang_Strings.at(311));
    Btn_OK->setText(Lang_Strings.at(312));
    Btn_Cancel->setText(Lang_Strings.at(313));
    PC_Options->setTabText(2, Lang_Strings.at(319));
    CB_Jump_Field_Tables->setText(Lang_Strings.at(320));
    CB_DoubleClick_Auto_Size->setText(Lang_Strings.at(321));
    CB_Check_After_Update->setText(Lang_Strings.at(750));
    for (QLabel *label : {L_SW_Desc, L_Sel_Lang})
        label->adjustSize();
    for (QCheckBox *box : {CB_Enable_Internet, CB_Update_At_Start, CB_Jump_Field_Tables,
                           CB_DoubleClick_Auto_Size, CB_Check_After_Update})
        box->adjustSize();
}

void Options_Dialog::Update_CheckBox() {
    CB_Update_At_Start->setEnabled(CB_Enable_Internet->isChecked());
    Btn_Check_Update->setEnabled(CB_Update_At_Start->isEnabled() &&
                                 CB_Update_At_Start->isChecked());
}

int Options_Dialog::Page_Count() const {
    return int((SL_Languages.size() + Slots_Per_Page - 1) / Slots_Per_Page);
}

void Options_Dialog::Create_Lang_List() {
    SL_Languages = List_Language_Files(App.Language_Dir);
    Show_Page = 1;
    Update_Lang_Page(1);
}

void Options_Dialog::Show_Page_Text(int page) {
    L_Page_Lang->setText(Lang_Strings.at(305) + QString::number(page) + Lang_Strings.at(306) +
                         QString::number(Page_Count()));
}

void Options_Dialog::Update_Lang_Page(int Num_Page) {
    L_Sel_Lang->setText(Lang_Strings.at(304) + Language_In_Use);
    L_Sel_Lang->adjustSize();
    Show_Page_Text(Num_Page);
    Btn_Prev->setVisible(Num_Page != 1);
    Btn_Next->setVisible(Num_Page != Page_Count());
    const int first = (Num_Page - 1) * Slots_Per_Page;
    const int shown = qMin(int(SL_Languages.size()) - first, Slots_Per_Page);
    for (int k = 0; k < Slots_Per_Page; ++k) {
        if (k >= shown) {
            Flag_Slots[k]->hide();
            Name_Slots[k]->hide();
            continue;
        }
        const QString language = Language_Of_File(SL_Languages.at(first + k));
        Name_Slots[k]->setText(language);
        Name_Slots[k]->show();
        const QPixmap flag = Flag_Picture(language);
        Flag_Slots[k]->setPixmap(flag);
        Flag_Slots[k]->setVisible(!flag.isNull());
    }
}

void Options_Dialog::Btn_NextClick(QObject *Sender) {
    if (Sender == Btn_Next && Page_Count() >= Show_Page + 1)
        ++Show_Page;
    else if (Sender == Btn_Prev && Show_Page >= 2)
        --Show_Page;
    Update_Lang_Page(Show_Page);
}

void Options_Dialog::LangClick(QObject *Sender) {
    int slot = 0;
    while (slot < Slots_Per_Page && Sender != Flag_Slots[slot] && Sender != Name_Slots[slot])
        ++slot;
    const qsizetype position = qsizetype(Show_Page - 1) * Slots_Per_Page + slot;
    if (slot == Slots_Per_Page || position >= SL_Languages.size())
        return;
    const QString picked = Language_Of_File(SL_Languages.at(position));
    if (!Ask_Question(Lang_Strings.at(316) + Language_In_Use + Lang_Strings.at(317) + picked +
                      Lang_Strings.at(318)))
        return;
    Language_In_Use = picked;
    // The pick becomes the program's language only on OK; until then the texts alone switch.
    const QString remembered = App.Language_Name;
    App.Language_Name = picked;
    Load_Language();
    App.Language_Name = remembered;
    Hooks.Change_Language();
    L_Sel_Lang->setText(Lang_Strings.at(304) + Language_In_Use);
    L_Sel_Lang->adjustSize();
    Show_Page_Text(Show_Page);
}

void Options_Dialog::Btn_Check_UpdateClick() {
    if (Check_Version_Without_Freezing(Version_Server)) {
        LL_Check_Update->setText(Download_Page_Link(Lang_Strings.at(314)));
    } else {
        LL_Check_Update->setText(Lang_Strings.at(315).toHtmlEscaped());
    }
    LL_Check_Update->adjustSize();
    LL_Check_Update->show();
}

void Options_Dialog::Btn_OKClick() {
    App.Language_Name = Language_In_Use;
    App.Enable_Internet = CB_Enable_Internet->isChecked();
    App.Enable_Update = CB_Update_At_Start->isChecked();
    Hooks.Timer_Rule();
    App.Enable_Jump_Field_Tables = CB_Jump_Field_Tables->isChecked();
    App.Double_Click_Auto_Size = CB_DoubleClick_Auto_Size->isChecked();
    App.Check_After_Update = CB_Check_After_Update->isChecked();
    accept();
}

void Options_Dialog::FormShow() {
    Language_In_Use = App.Language_Name;
    Create_Lang_List();
    Update_CheckBox();
    LL_Check_Update->hide();
    PC_Options->setCurrentWidget(TS_Language);
    // Each box that changes here runs Update_CheckBox through its toggled signal.
    CB_Enable_Internet->setChecked(App.Enable_Internet);
    CB_Update_At_Start->setChecked(App.Enable_Update);
    CB_Jump_Field_Tables->setChecked(App.Enable_Jump_Field_Tables);
    CB_DoubleClick_Auto_Size->setChecked(App.Double_Click_Auto_Size);
    CB_Check_After_Update->setChecked(App.Check_After_Update);
}
