// The baseline of the command-line figures: a process that starts Qt Core and ends.

#include <QCoreApplication>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    return 0;
}
