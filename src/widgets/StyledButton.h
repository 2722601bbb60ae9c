#pragma once

#include <QPushButton>

// The push button of every window: flat and coloured, highlighted under the pointer and when
// it has the keyboard focus, with a caption and/or a picture and a hint shown as tooltip. In a
// dialog it takes Enter while it has the focus (Qt's auto-default), so Enter on Cancel cancels.
class Styled_Button : public QPushButton {
    Q_OBJECT

public:
    // A caption button; left_aligned for the step buttons of the main window.
    explicit Styled_Button(QWidget *parent, bool left_aligned = false);
    // A picture-only button of size x size pixels.
    Styled_Button(QWidget *parent, const QString &picture, int size);

    // Where the caption is drawn: inside the border with a margin on either side.
    QRect Caption_Area() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    bool Left_Aligned = false;
    bool Picture_Only = false;
};
