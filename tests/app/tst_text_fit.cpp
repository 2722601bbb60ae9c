// Every caption of every window fits the room its control gives it, in English and in every
// shipped language, measured with the font the program really uses for the control.

#include "support/GuiSupport.h"
#include "support/LoopbackServer.h"
#include "support/MessageRecorder.h"
#include "support/TestSupport.h"

#include "app/AboutDialog.h"
#include "configurations/NewConfigurationDialog.h"
#include "configurations/OpenConfigurationDialog.h"
#include "language/LangStrings.h"
#include "options/OptionsDialog.h"
#include "parameters/CommunicationDialog.h"
#include "shell/AppState.h"
#include "shell/SettingsFile.h"
#include "update/SearchRangeDialog.h"
#include "update/UpdateDialog.h"
#include "update/UpdateLock.h"
#include "update/UpdateStatus.h"
#include "widgets/CollapsiblePanel.h"
#include "widgets/NameDialog.h"
#include "widgets/ProgramStyle.h"
#include "widgets/StatusArea.h"
#include "widgets/StyledButton.h"
#include "widgets/WebPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QJsonObject>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextDocumentFragment>
#include <limits>

namespace {

const QString Shipped_Dir = QStringLiteral(CF_SHIPPED_LANGUAGE_DIR);

// A caption as a control shows it, and the room the control and its surroundings give it.
struct Caption {
    QString Control;
    QString Text;
    int Text_Width;
    int Room;
};

// The control as a failure names it: its class, its name when it has one, and where it sits in
// its window.
QString Describe(const QWidget *control) {
    const QPoint at = control->mapTo(control->window(), QPoint(0, 0));
    QString name = QString::fromLatin1(control->metaObject()->className());
    if (!control->objectName().isEmpty())
        name += QLatin1Char(' ') + control->objectName();
    return name + QStringLiteral(" at %1,%2").arg(at.x()).arg(at.y());
}

int Width_Of(const QFont &font, const QString &text) {
    return QFontMetrics(font).size(Qt::TextSingleLine | Qt::TextShowMnemonic, text).width();
}

// A control the user can see while its window is shown, once the tab holding it is chosen.
bool Shown(const QWidget *widget) {
    for (const QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (w->isHidden() && !qobject_cast<const QStackedWidget *>(w->parentWidget()))
            return false;
    }
    return true;
}

// Controls on two pages of one stack (two tabs) are never seen together.
bool Seen_Together(const QWidget *a, const QWidget *b) {
    const QWidget *common = a->parentWidget();
    while (common && !common->isAncestorOf(b))
        common = common->parentWidget();
    return !qobject_cast<const QStackedWidget *>(common);
}

QRect Window_Rect(const QWidget *widget) {
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

// How far control reaches past the right edge of what may hold its text: an ancestor's edge,
// the inner edge of a frame drawn around it, or the left edge of another control beside it.
int Overhang(const QWidget *control, const QWidgetList &shown) {
    const QRect own = Window_Rect(control);
    int limit = std::numeric_limits<int>::max();
    for (const QWidget *w = control->parentWidget(); w; w = w->parentWidget()) {
        limit = qMin(limit, Window_Rect(w).right());
        if (w->isWindow())
            break;
    }
    for (const QWidget *other : shown) {
        if (other == control || other->isAncestorOf(control) || control->isAncestorOf(other) ||
            !Seen_Together(control, other))
            continue;
        const QRect rect = Window_Rect(other);
        if (rect.isEmpty() || rect.bottom() < own.top() || rect.top() > own.bottom())
            continue;
        if (rect.left() > own.left() && rect.left() <= own.right())
            limit = qMin(limit, rect.left() - 1);
        const auto *frame = qobject_cast<const QFrame *>(other);
        if (frame && frame->frameShape() == QFrame::Box && rect.left() <= own.left() &&
            rect.right() > own.left())
            limit = qMin(limit, rect.right() - frame->frameWidth());
    }
    return qMax(0, own.right() - limit);
}

void Add(QList<Caption> &captions, const QWidget *control, const QString &text, const QFont &font,
         int own_room, const QWidgetList &shown) {
    if (text.trimmed().isEmpty())
        return;
    captions.append(
        {Describe(control), text, Width_Of(font, text), own_room - Overhang(control, shown)});
}

int Check_Box_Room(const QAbstractButton *box) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    return box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).width();
}

// Tabs stand side by side: a caption has the tab widget's width less the other tabs and its
// own tab's margins. A tab bar that does not elide keeps every tab at its full width.
void Add_Tabs(QList<Caption> &captions, const QTabWidget *tabs) {
    const QTabBar *bar = tabs->tabBar();
    QVERIFY2(bar->elideMode() == Qt::ElideNone, "a tab bar that elides hides its overflows");
    int tabs_width = 0;
    for (int i = 0; i < bar->count(); ++i)
        tabs_width += bar->tabRect(i).width();
    for (int i = 0; i < bar->count(); ++i) {
        const int text_width = Width_Of(bar->font(), bar->tabText(i));
        const int margins = bar->tabRect(i).width() - text_width;
        captions.append({Describe(bar) + QStringLiteral(" tab %1").arg(i), bar->tabText(i),
                         text_width,
                         tabs->width() - (tabs_width - bar->tabRect(i).width()) - margins});
    }
}

// Every caption of window: labels, buttons, check boxes, tabs, panel titles and the choices of
// drop-down lists, whether or not the program shows them at the moment.
QList<Caption> Captions_Of(const QWidget *window) {
    QWidgetList shown;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() == window && Shown(widget))
            shown.append(widget);
    }
    QList<Caption> captions;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window)
            continue;
        if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            if (label->wordWrap())
                continue;
            const QString text =
                Qt::mightBeRichText(label->text()) || label->textFormat() == Qt::RichText
                    ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                    : label->text();
            Add(captions, label, text, label->font(),
                label->contentsRect().width() - 2 * label->margin(), shown);
        } else if (const auto *button = qobject_cast<const Styled_Button *>(widget)) {
            Add(captions, button, button->text(), button->font(), button->Caption_Area().width(),
                shown);
        } else if (qobject_cast<const QCheckBox *>(widget) ||
                   qobject_cast<const QRadioButton *>(widget)) {
            const auto *box = static_cast<const QAbstractButton *>(widget);
            Add(captions, box, box->text(), box->font(), Check_Box_Room(box), shown);
        } else if (const auto *push = qobject_cast<const QPushButton *>(widget)) {
            QStyleOptionButton option;
            option.initFrom(push);
            const int room = push->style()
                                 ->subElementRect(QStyle::SE_PushButtonContents, &option, push)
                                 .width() -
                             2 * push->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, push);
            Add(captions, push, push->text(), push->font(), room, shown);
        } else if (const auto *tabs = qobject_cast<const QTabWidget *>(widget)) {
            Add_Tabs(captions, tabs);
        } else if (const auto *panel = qobject_cast<const Collapsible_Panel *>(widget)) {
            Add(captions, panel, panel->Caption(), panel->Caption_Font(),
                panel->Caption_Area().width(), shown);
        } else if (const auto *list = qobject_cast<const QComboBox *>(widget)) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            const int room = list->style()
                                 ->subControlRect(QStyle::CC_ComboBox, &option,
                                                  QStyle::SC_ComboBoxEditField, list)
                                 .width();
            for (int i = 0; i < list->count(); ++i)
                Add(captions, list, list->itemText(i), list->font(), room, shown);
        }
    }
    return captions;
}

// The overflows of every window shown, one line each.
QStringList Overflows(const QString &language) {
    QStringList found;
    for (const QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (const Caption &caption : Captions_Of(window)) {
            if (caption.Text_Width > caption.Room)
                found << QStringLiteral("%1 / %2 / %3: \"%4\" is %5 px wide, the room is %6 px")
                             .arg(QString::fromLatin1(window->metaObject()->className()),
                                  caption.Control, language, caption.Text)
                             .arg(caption.Text_Width)
                             .arg(caption.Room);
        }
    }
    return found;
}

QStringList Overflowing_Texts(const QStringList &overflows) {
    QStringList texts;
    for (const QString &line : overflows)
        texts << line.section(QLatin1Char('"'), 1, 1);
    return texts;
}

void Write_Settings(const Program_Folder &program, const QString &language,
                    const QString &configuration) {
    AppState saved;
    saved.Language_Name = language;
    saved.Proj_Name = configuration;
    Save_Settings(saved, program.file(Settings_File_Name));
}

// The program folder with the shipped language files.
void Copy_Shipped_Languages(const Program_Folder &program) {
    const QDir target(program.file(QStringLiteral("LANGUAGE")));
    QDir().mkpath(target.path());
    const QDir shipped(Shipped_Dir);
    for (const QString &name : shipped.entryList(QDir::Files))
        QFile::copy(shipped.filePath(name), target.filePath(name));
}

// Shows window as the program does and waits until it is on the screen.
void Show(QWidget *window) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        qFatal("%s was not shown", window->metaObject()->className());
}

Update_Outcome Outcome_Of(Update_Run result, int exit_code, qint64 elapsed_ms) {
    Update_Outcome outcome;
    outcome.Result = result;
    outcome.Exit_Code = exit_code;
    outcome.Elapsed_Ms = elapsed_ms;
    return outcome;
}

// The longest things the update dialog's status area says, with the widest values each takes.
QList<Update_Status> Longest_Statuses() {
    const Update_Outcome failed = Outcome_Of(Update_Run::Updater_Ended, -1073741819, 149999);
    const Update_Outcome ran_out = Outcome_Of(Update_Run::Wait_Ran_Out, 0, 150000);
    const Update_Outcome ended_well = Outcome_Of(Update_Run::Updater_Ended, 0, 149999);
    Update_Entry ended;
    ended.Address = QStringLiteral("255.255.255.255");
    ended.Outcome = Update_Result::Updater_Ended;
    ended.Exit_Code = -1073741819;
    Update_Entry checked = ended;
    checked.Exit_Code = 0;
    checked.Device_Check = {QJsonObject{{QStringLiteral("state"), QStringLiteral("refused")}},
                            QJsonObject{{QStringLiteral("state"), QStringLiteral("answers")}}};
    Update_Entry silent = ended;
    silent.Outcome = Update_Result::Device_Silent;
    Update_Entry cancelled = checked;
    cancelled.Check_Cancelled = true;
    Update_Entry lock = ended;
    lock.Outcome = Update_Result::Lock_Busy;
    const Update_Lock_Holder holder{4194304,
                                    QStringLiteral("cf20914-cli"),
                                    QStringLiteral("workstation-hall-b-17"),
                                    4194305,
                                    QString(),
                                    QString()};
    lock.Reason = Update_Busy_Text(holder);
    Update_Entry left = ended;
    left.Outcome = Update_Result::Cancelled;
    left.Reason = Lang_Strings.at(688).arg(Holder_Text(holder));
    return {Updater_Running_Status(),
            Running_Status(Lang_Strings.at(661).arg(Holder_Text(holder))),
            Running_Status(Lang_Strings.at(777).arg(60)),
            Ended_Status(ended, failed),
            Ended_Status(checked, ended_well),
            Ended_Status(silent, failed),
            Ended_Status(cancelled, ended_well),
            Ended_Status(lock, failed),
            Ended_Status(left, failed),
            Ended_Status({}, ran_out)};
}

// Every status line of the update dialog either fits its room whole, word-wrapped and clear of
// the buttons, or is shortened with "…" and tells the whole text in its tooltip; each headline
// fits its line.
QStringList Status_Overflows(Update_Dialog *update_dialog, const QString &language) {
    QStringList found;
    const QRect area(update_dialog->P_Status->mapTo(update_dialog, QPoint(0, 0)),
                     update_dialog->P_Status->size());
    if (area.bottom() >= update_dialog->P_Button->y())
        found << QStringLiteral("Update_Dialog / status area / %1: reaches the buttons")
                     .arg(language);
    const QLabel *detail = update_dialog->L_Status;
    const QLabel *headline = update_dialog->P_Status->L_Headline;
    for (const Update_Status &status : Longest_Statuses()) {
        update_dialog->Show_Status(status);
        if (Width_Of(headline->font(), status.Headline) > headline->contentsRect().width())
            found << QStringLiteral("Update_Dialog / status headline / %1: \"%2\"")
                         .arg(language, status.Headline);
        const bool whole = detail->text() == status.Detail && detail->toolTip().isEmpty();
        const bool told = detail->toolTip() == status.Detail &&
                          detail->text().endsWith(QChar(0x2026)) &&
                          status.Detail.startsWith(detail->text().chopped(1));
        if (!Wrapped_Fits(detail, detail->text()) || (!whole && !told))
            found << QStringLiteral("Update_Dialog / status detail / %1: \"%2\"")
                         .arg(language, status.Detail);
    }
    update_dialog->Show_Status({});
    return found;
}

// The name dialog of Rename and Duplicate: its title whole beside the title bar's buttons, and
// a long name whole in its field.
QStringList Name_Dialog_Overflows(const QString &language) {
    QStringList found;
    const QString name = QStringLiteral("Plant of the northern hall, line 12, gateway 2");
    for (const int title : {665, 666}) {
        Name_Dialog ask(nullptr, Lang_Strings.at(title), Lang_Strings.at(title == 666 ? 670 : 669),
                        name);
        Show(&ask);
        // The title bar's buttons and frame take about as much as 8 capital Ms.
        const int title_room = ask.width() - Width_Of(ask.font(), QString(8, QLatin1Char('M')));
        if (Width_Of(ask.font(), ask.windowTitle()) > title_room)
            found << QStringLiteral("Name_Dialog / title / %1: \"%2\"")
                         .arg(language, ask.windowTitle());
        if (ask.E_Name->fontMetrics().horizontalAdvance(name) >
            ask.E_Name->contentsRect().width() - 8)
            found << QStringLiteral("Name_Dialog / name field / %1: \"%2\"").arg(language, name);
        found << Overflows(language).filter(QLatin1String("Name_Dialog"));
    }
    return found;
}

} // namespace

class Test_Text_Fit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void every_text_fits_data();
    void every_text_fits();
};

void Test_Text_Fit::initTestCase() {
    Keep_Http_On_This_Machine();
    Apply_Program_Style(*qApp);
#ifdef Q_OS_WIN
    // Verdana, the program's font on Windows, is not at hand here. The font that stands in for
    // it is hinted lightly, as Linux's font configuration hints it, rather than fully, as Qt's
    // own font engine would by default: both builds then check the layout with one measure.
    QFont program_font = qApp->font();
    program_font.setHintingPreference(QFont::PreferVerticalHinting);
    qApp->setFont(program_font);
#endif
    Set_Web_Page_Opener([](const QUrl &) {});
    const QFontInfo font(qApp->font());
    qInfo("measured with %s, %d px", qPrintable(font.family()), font.pixelSize());
}

void Test_Text_Fit::cleanup() {
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
}

void Test_Text_Fit::every_text_fits_data() {
    QTest::addColumn<QString>("language");
    // A language file laid over the shipped ones for this row: each line an entry.
    QTest::addColumn<QByteArray>("extra_file");
    QTest::addColumn<QStringList>("overflowing");
    QTest::newRow("English") << QStringLiteral("English") << QByteArray() << QStringList();
    for (const QString &file :
         QDir(Shipped_Dir).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name)) {
        const QString language = file.chopped(4);
        if (language != QLatin1String("English"))
            QTest::newRow(language.toUtf8().constData())
                << language << QByteArray() << QStringList();
    }
    // The test must see a caption that grew too long.
    QTest::newRow("a lengthened caption")
        << QStringLiteral("Lengthened")
        << QByteArray("STR20 = Set the Communication of both Endpoints\n")
        << QStringList{QStringLiteral("Set the Communication of both Endpoints")};
}

void Test_Text_Fit::every_text_fits() {
    QFETCH(QString, language);
    QFETCH(QByteArray, extra_file);
    QFETCH(QStringList, overflowing);
    QStringList overflows;
    // First with no configuration open, then with one (the main window shows either).
    for (const QString &configuration : {QString(), QStringLiteral("Plant")}) {
        Program_Folder program;
        Message_Recorder messages;
        Copy_Shipped_Languages(program);
        if (!extra_file.isEmpty())
            Write_Test_File(
                program.file(QStringLiteral("LANGUAGE/") + language + QLatin1String(".lng")),
                extra_file);
        if (!configuration.isEmpty())
            QDir(program.path()).mkpath(QStringLiteral("PROJECTS/") + configuration);
        Write_Settings(program, language, configuration);
        auto main = Start_Program(program.path());
        QCOMPARE(App.Language_Name, language);
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));

        // Both links of the version check: the main window's and the options dialog's.
        Loopback_Server newer(Reply(200, "VER. 9.999"));
        main->Version_Server = newer.url();
        main->Update_Check_Due();
        QVERIFY(main->L_Update_Link->isVisible());

        // Every window the main window opens. A new window is added here.
        Show(main->New_Configuration_Window());
        Show(main->Open_Configuration_Window());
        Show(main->About_Window());
        Show(main->Update_Window());
        Search_Range_Dialog search(main->Update_Window());
        Show(&search);
        Show(main->Communication_Window());
        Options_Dialog *options = main->Options_Window();
        Show(options);
        options->Version_Server = newer.url();
        options->Btn_Check_UpdateClick();
        QCoreApplication::processEvents();
        overflows << Overflows(language);

        Loopback_Server not_newer(Reply(200, "VER. 0.001"));
        options->Version_Server = not_newer.url();
        options->Btn_Check_UpdateClick();
        QCoreApplication::processEvents();
        for (const QString &line : Overflows(language)) {
            if (!overflows.contains(line))
                overflows << line;
        }
        overflows << Status_Overflows(main->Update_Window(), language);
        overflows << Name_Dialog_Overflows(language);
        QVERIFY(messages.Shown.isEmpty());
        for (QWidget *window : QApplication::topLevelWidgets())
            window->hide();
    }
    overflows.removeDuplicates();
    QVERIFY2(Overflowing_Texts(overflows) == overflowing,
             qPrintable(QLatin1Char('\n') + overflows.join(QLatin1Char('\n'))));
}

QTEST_MAIN(Test_Text_Fit)
#include "tst_text_fit.moc"
