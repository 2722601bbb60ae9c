#include "app/MainWindow.h"
#include "app/WindowMarker.h"
#include "shell/Messages.h"
#include "widgets/MessageBoxes.h"
#include "widgets/ProgramStyle.h"

#include <QApplication>

namespace {

// Lets a start-up benchmark time the whole process: the event loop ends once the main window
// has been painted. exit() rather than quit(), which would close the windows and so write the
// settings file.
class Exit_After_First_Paint : public QObject {
protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            QCoreApplication::exit(0);
        return false;
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    Apply_Program_Style(app);
    Screen_Message_Sink message_boxes;
    Install_Message_Sink(&message_boxes);

    // Commands that rename or delete the active configuration leave the settings to the window.
    const Window_Marker running(QCoreApplication::applicationDirPath());
    Exit_After_First_Paint exit_after_first_paint;
    Main_Window main_window(QCoreApplication::applicationDirPath());
    if (qEnvironmentVariableIsSet("CF20914_EXIT_AFTER_FIRST_PAINT"))
        main_window.installEventFilter(&exit_after_first_paint);
    main_window.show();
    Center_On_Screen(&main_window);
    return app.exec();
}
