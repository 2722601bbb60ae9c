// The language page of the options dialog with 1,000 language files and their 48 x 48 flags:
//   1. from the click on Options to the dialog painted with page 1 and its flags
//      (baseline: listing the language files of the folder);
//   2. a page turn, Btn_NextClick with the page drawn again (baseline: drawing the page alone),
//      once onto a page of ordinary flags and once onto page 3, whose six flags are bombs: PNGs
//      of 5790 x 5790 pixels in about 100 KB, under the flags' names;
//   3. a confirmed language switch across every window, from Yes to the texts switched
//      (baseline: one Load_Language of the same file).
// Run: QT_QPA_PLATFORM=offscreen bench_language [runs]

#include "BenchSupport.h"

#include "app/MainWindow.h"
#include "language/LangStrings.h"
#include "language/LanguageFile.h"
#include "options/OptionsDialog.h"
#include "shell/AppState.h"
#include "widgets/ProgramStyle.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

constexpr int Language_Count = 1000;
constexpr int First_Bomb = 12; // the six languages of page 3

QString Language_Name(int n) {
    return QStringLiteral("Language %1").arg(n, 4, 10, QLatin1Char('0'));
}

// Every text of the table, each marked with the language, so that a switch changes them all;
// the pilcrows keep the blanks at either end.
QByteArray Complete_Language_File(const QString &language) {
    Fill_Default_Lang();
    const QChar pilcrow(0x00B6);
    QByteArray content = "\xEF\xBB\xBF";
    for (int index = 0; index < Lang_Strings.size(); ++index) {
        QString text = Lang_Strings.at(index);
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        content += (QStringLiteral("STR%1 = ").arg(index) + pilcrow + language + QLatin1Char(' ') +
                    text + pilcrow + QLatin1String("\r\n"))
                       .toUtf8();
    }
    return content;
}

// A picture that unpacks to a hundred megabytes from a file of about 100 KB.
QByteArray Bomb_Picture() {
    QImage bomb(5790, 5790, QImage::Format_RGB888);
    bomb.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    bomb.save(&buffer, "PNG");
    return png;
}

bool Write_Languages(const QDir &folder) {
    // The bombs are refused for the neutral flag.
    QImage neutral(48, 48, QImage::Format_RGB32);
    neutral.fill(Qt::lightGray);
    if (!neutral.save(folder.filePath(QStringLiteral("DefaultFlag.bmp")), "BMP"))
        return false;
    const QByteArray bomb = Bomb_Picture();
    for (int n = 0; n < Language_Count; ++n) {
        const QString name = Language_Name(n);
        QFile file(folder.filePath(name + QLatin1String(".lng")));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        // The two that the switch picks are complete; the rest only need to be listed.
        file.write(n < 2 ? Complete_Language_File(name) : QByteArray("STR0 = x\r\n"));
        const QString flag_path = folder.filePath(name + QLatin1String(".bmp"));
        if (n >= First_Bomb && n < First_Bomb + 6) {
            QFile flag(flag_path);
            if (!flag.open(QIODevice::WriteOnly) || flag.write(bomb) != bomb.size())
                return false;
            continue;
        }
        QImage flag(48, 48, QImage::Format_RGB32);
        flag.fill(QColor::fromHsv(n * 7 % 360, 200, 220));
        if (!flag.save(flag_path, "BMP"))
            return false;
    }
    return true;
}

QWidget *First_Flag(QWidget *modal) {
    auto *options = qobject_cast<Options_Dialog *>(modal);
    return options ? options->Flag_Slots[0] : nullptr;
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const int runs = Count_Argument(argc, argv, 1, 15);
    Bench_Sink sink;

    QTemporaryDir folder;
    const QDir languages(folder.filePath(Language_Folder_Name));
    if (!languages.mkpath(QStringLiteral(".")) || !Write_Languages(languages))
        return 1;
    Main_Window main_window(folder.path());
    main_window.show();
    if (!QTest::qWaitForWindowExposed(&main_window))
        return 1;

    std::vector<double> shown, listed, turned, turned_to_bombs, drawn, switched, loaded;
    bool as_expected = true;
    for (int run = 0; run < runs; ++run) {
        const QString picked = Language_Name(run % 2);
        shown.push_back(Ms_To_First_Paint(main_window.Btn_Options, First_Flag, [&](QWidget *modal) {
            auto *options = static_cast<Options_Dialog *>(modal);
            as_expected = as_expected && options->Show_Page == 1 &&
                          options->Name_Slots[0]->text() == Language_Name(0) &&
                          options->Flag_Slots[0]->isVisible();

            sink.Answer = true;
            options->LangClick(options->Name_Slots[run % 2]);
            switched.push_back(Now_Ms() - sink.Answered_Ms);
            sink.Answer = false;
            as_expected = as_expected && main_window.Btn_New->text().startsWith(picked);

            double start = Now_Ms();
            options->Btn_NextClick(options->Btn_Next);
            options->TS_Language->repaint();
            turned.push_back(Now_Ms() - start);
            as_expected = as_expected && options->Name_Slots[0]->text() == Language_Name(6);

            start = Now_Ms();
            options->TS_Language->repaint();
            drawn.push_back(Now_Ms() - start);

            start = Now_Ms();
            options->Btn_NextClick(options->Btn_Next);
            options->TS_Language->repaint();
            turned_to_bombs.push_back(Now_Ms() - start);
            as_expected =
                as_expected && options->Name_Slots[0]->text() == Language_Name(First_Bomb);
            options->Btn_Cancel->click();
        }));

        double start = Now_Ms();
        const QStringList files = languages.entryList({QStringLiteral("*.lng")}, QDir::Files);
        listed.push_back(Now_Ms() - start);
        as_expected = as_expected && files.size() == Language_Count;

        App.Language_Name = picked;
        start = Now_Ms();
        Load_Language();
        loaded.push_back(Now_Ms() - start);
        App.Language_Name = Def_Language_Name;
    }
    if (!as_expected) {
        std::fprintf(stderr, "the language page did not show what it should\n");
        return 1;
    }
    std::printf("runs: %d, %d language files with flags\n", runs, Language_Count);
    Print_Figure("Options -> dialog painted with page 1", Median(shown), 100,
                 "listing the language files", Median(listed));
    Print_Figure("page turn, drawn", Median(turned), 5, "drawing the page alone", Median(drawn));
    Print_Figure("page turn onto six bomb flags, drawn", Median(turned_to_bombs), 5,
                 "drawing the page alone", Median(drawn));
    Print_Figure("Yes -> every window's texts switched", Median(switched), 20, "one Load_Language",
                 Median(loaded));
    return 0;
}
