#pragma once

#include <QLabel>
#include <QString>

class QApplication;

// The program's look: background RGB(248, 247, 237) and Verdana 11 px where installed (else
// the platform's sans-serif) on every window.
void Apply_Program_Style(QApplication &app);

// Grey label text, optionally bold, with a pixel size (0 keeps the program's).
void Style_Grey(QLabel *label, bool bold, int pixel_size = 0);

// Shows text in label, elided in the middle with "…" when it does not fit the label's width;
// the whole text is then the label's tooltip, so that two similar long names can be told apart.
void Show_Elided(QLabel *label, const QString &text);

// Places a top-level window in the middle of its screen.
void Center_On_Screen(QWidget *window);

// A label that reports clicks, with the hand cursor.
class Click_Label : public QLabel {
    Q_OBJECT

public:
    explicit Click_Label(QWidget *parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
