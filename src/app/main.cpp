#include "app/UDededorezidFirmWare.h"
#include "shell/Messages.h"
#include "widgets/MessageBoxes.h"
#include "widgets/ProgramStyle.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    Apply_Program_Style(app);
    Screen_Message_Sink message_boxes;
    Install_Message_Sink(&message_boxes);

    TFDededorezidFirmWare main_window(QCoreApplication::applicationDirPath());
    main_window.show();
    Center_On_Screen(&main_window);
    return app.exec();
}
