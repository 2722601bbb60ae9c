// The bare window that start-up figures are set against: a plain Qt Widgets window of the main
// window's size with 8 labels and 6 buttons, which ends once it has been painted.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace {

class Bare_Window : public QWidget {
protected:
    void paintEvent(QPaintEvent *event) override {
        QWidget::paintEvent(event);
        QCoreApplication::exit(0);
    }
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    Bare_Window window;
    window.setFixedSize(694, 352);
    for (int n = 0; n < 8; ++n) {
        auto *label = new QLabel(QStringLiteral("Label %1").arg(n + 1), &window);
        label->move(16, 16 + 40 * n);
    }
    for (int n = 0; n < 6; ++n) {
        auto *button = new QPushButton(QStringLiteral("Button %1").arg(n + 1), &window);
        button->setGeometry(258, 16 + 48 * n, 170, 36);
    }
    window.show();
    return app.exec();
}
