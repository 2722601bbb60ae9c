#include "shell/Startup.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    Start_Core(QCoreApplication::applicationDirPath());
    return 0;
}
