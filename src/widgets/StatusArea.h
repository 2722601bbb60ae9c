#pragma once

#include <QLabel>
#include <QStringList>
#include <QWidget>

// Where a window tells how a long step stands, readable from across the room: a picture and a
// tint of the state's colour, a headline in large type, the whole detail in up to three lines,
// and the time the step has taken so far.
class Status_Area : public QWidget {
    Q_OBJECT

public:
    enum class Tone {
        None,    // nothing to show: no picture, no tint
        Busy,    // blue, a clock
        Good,    // green, a tick
        Warning, // amber, an exclamation mark
        Bad,     // red, a cross
        Neutral, // grey, a dash: the user stopped it
    };

    explicit Status_Area(QWidget *parent);

    void Set(Tone tone, const QString &headline, const QString &detail);
    Tone Shown_Tone() const { return Current; }
    // The colour of a tone: the picture's and, lighter, the tint's.
    static QColor Colour(Tone tone);

    QLabel *L_Headline;
    QLabel *L_Detail;  // word-wrapped, three lines of room; elided with a tooltip beyond
    QLabel *L_Elapsed; // right of the headline

    static constexpr int Detail_Lines = 3;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void Lay_Out();

    Tone Current = Tone::None;
};

// Whether text, word-wrapped, fits label's room.
bool Wrapped_Fits(const QLabel *label, const QString &text);

// Shows text in label, word-wrapped; where it needs more lines than the label has room for,
// as much of it as fits with "…", and the whole text as the label's tooltip.
void Set_Wrapped_Or_Elided(QLabel *label, const QString &text);

// Shows lines in label, one a line, each shortened at its end with "…" where it does not fit;
// the whole text is then the label's tooltip.
void Set_Elided_Lines(QLabel *label, const QStringList &lines);
