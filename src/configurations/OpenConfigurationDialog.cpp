#include "OpenConfigurationDialog.h"

#include "configurations/Configurations.h"
#include "configurations/ManageConfigurations.h"
#include "language/LangStrings.h"
#include "platform/CoreError.h"
#include "platform/Paths.h"
#include "shell/AppState.h"
#include "shell/Messages.h"
#include "update/RecordDialog.h"
#include "widgets/DialogFrame.h"
#include "widgets/Keys.h"
#include "widgets/NameDialog.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

// Names that do not fit the list are elided in the middle, where two similar long names
// differ least often; such a name shows whole as the tooltip of its line. Elsewhere the list's
// own hint shows.
class Elided_Name_Delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // No width of its own: each line is as wide as the list, and a longer name is elided
    // instead of widening the list's contents.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        return {0, QStyledItemDelegate::sizeHint(option, index).height()};
    }

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return false;
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QRect text_area =
            view->style()->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
        // The style keeps a margin inside the text's area on either side.
        const int margin =
            view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &item, view) + 1;
        if (item.fontMetrics.horizontalAdvance(item.text) <= text_area.width() - 2 * margin)
            return false;
        QToolTip::showText(event->globalPos(), item.text, view, option.rect);
        return true;
    }
};

} // namespace

Open_Configuration_Dialog::Open_Configuration_Dialog(QWidget *parent)
    : Framed_Dialog(parent, Qt::Dialog) {
    LB_Configurations = new QListWidget(this);
    LB_Configurations->setSelectionMode(QAbstractItemView::SingleSelection);
    LB_Configurations->setTextElideMode(Qt::ElideMiddle);
    LB_Configurations->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LB_Configurations->setItemDelegate(new Elided_Name_Delegate(LB_Configurations));
    Btn_OK->setDefault(true);
    setTabOrder(LB_Configurations, Btn_OK);
    setTabOrder(Btn_OK, Btn_Cancel);

    connect(LB_Configurations, &QListWidget::currentTextChanged, this,
            [this](const QString &text) { Active_Name = text; });
    // Enter reaches OK, the dialog's default, or the focused button; a double click opens too.
    connect(LB_Configurations, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);

    Act_Duplicate = new QAction(this);
    Act_Rename = new QAction(this);
    Act_Delete = new QAction(this);
    Act_Record = new QAction(this);
    LB_Configurations->addActions({Act_Duplicate, Act_Rename, Act_Delete, Act_Record});
    LB_Configurations->setContextMenuPolicy(Qt::ActionsContextMenu);
    // The keys that open a context menu on Windows, on every platform and also where the
    // platform sends no context menu event for them.
    LB_Configurations->installEventFilter(this);
    connect(Act_Duplicate, &QAction::triggered, this, [this] { Duplicate_Or_Rename(false); });
    connect(Act_Rename, &QAction::triggered, this, [this] { Duplicate_Or_Rename(true); });
    connect(Act_Delete, &QAction::triggered, this, &Open_Configuration_Dialog::Delete_Selected);
    connect(Act_Record, &QAction::triggered, this, [this] {
        if (Active_Name.isEmpty())
            return;
        Record_Dialog record(this, Join_Path(App.Projects_Dir, Active_Name), Active_Name);
        record.exec();
    });

    resize(377, 351);
    setMinimumSize(260, 220);
    Set_Lang();
}

void Open_Configuration_Dialog::Set_Lang() {
    Set_Frame_Lang({200, 201, 202, 203, 206, 204, 207});
    LB_Configurations->setToolTip(Lang_Strings.at(205));
    Act_Duplicate->setText(Lang_Strings.at(665));
    Act_Rename->setText(Lang_Strings.at(666));
    Act_Delete->setText(Lang_Strings.at(667));
    Act_Record->setText(Lang_Strings.at(732));
}

void Open_Configuration_Dialog::Load_Existing_Configuration() {
    try {
        SL = ::Load_Existing_Configuration(App.Projects_Dir);
    } catch (const Core_Error &error) {
        SL.clear();
        Show_Standard_Error(error.message());
    }
}

void Open_Configuration_Dialog::FormShow() {
    Fill_List(Active_Folder_Name());
    LB_Configurations->setFocus();
}

void Open_Configuration_Dialog::Fill_List(const QString &name) {
    Load_Existing_Configuration();
    LB_Configurations->clear();
    LB_Configurations->addItems(SL);
    const int found = Find_Configuration(SL, name);
    const int selected = found >= 0 ? found : (SL.isEmpty() ? -1 : 0);
    LB_Configurations->setCurrentRow(selected);
    Active_Name = selected >= 0 ? SL.at(selected) : QString();
}

bool Open_Configuration_Dialog::eventFilter(QObject *watched, QEvent *event) {
    if (watched == LB_Configurations && event->type() == QEvent::KeyPress &&
        Opens_Context_Menu(*static_cast<QKeyEvent *>(event))) {
        // Under the current line, where the keyboard user looks.
        const QRect line = LB_Configurations->visualItemRect(LB_Configurations->currentItem());
        const QPoint at = line.isValid() ? line.bottomLeft() + QPoint(16, 0) : QPoint(0, 0);
        QMenu::exec(LB_Configurations->actions(), LB_Configurations->viewport()->mapToGlobal(at),
                    nullptr, LB_Configurations);
        return true;
    }
    return Framed_Dialog::eventFilter(watched, event);
}

void Open_Configuration_Dialog::Duplicate_Or_Rename(bool rename) {
    const QString name = Active_Name;
    if (name.isEmpty())
        return;
    Name_Dialog ask(this, Lang_Strings.at(rename ? 666 : 665), Lang_Strings.at(rename ? 670 : 669),
                    name);
    if (ask.exec() != QDialog::Accepted)
        return;
    const QString new_name = ask.Name();
    try {
        const Create_Result result =
            rename ? Rename_Configuration(name, new_name) : Copy_Configuration(name, new_name);
        if (result != Create_OK) {
            Show_Error(Lang_Strings.at(result));
            return;
        }
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
    }
    Fill_List(new_name);
}

void Open_Configuration_Dialog::Delete_Selected() {
    const QString name = Active_Name;
    if (name.isEmpty() || !Ask_Risky_Question(Lang_Strings.at(668).arg(name)))
        return;
    try {
        Delete_Configuration(name);
    } catch (const Core_Error &error) {
        Show_Standard_Error(error.message());
    }
    Fill_List(Active_Folder_Name());
}

void Open_Configuration_Dialog::accept() {
    // A folder whose name the program could not store is never made active: the settings
    // file would become unreadable.
    if (!Active_Name.isEmpty() && !Configuration_Name_Safe(Active_Name)) {
        Show_Error(Lang_Strings.at(Create_Name_Refused));
        return;
    }
    QDialog::accept();
}

void Open_Configuration_Dialog::resizeEvent(QResizeEvent *event) {
    Place_Dialog_Frame(this, P_Title, P_Button);
    // The list grows with the window; the buttons keep to the bar's right end.
    LB_Configurations->setGeometry(16, 94, width() - 42, P_Button->y() - 94 - 8);
    Btn_Cancel->move(P_Button->width() - 136, 6);
    Btn_OK->move(Btn_Cancel->x() - 118, 6);
    QDialog::resizeEvent(event);
}
