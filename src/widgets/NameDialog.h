#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>

// Asks for a name, proposing one: as wide as the proposed name and the title need, up to a
// share of the screen; a name wider still scrolls in its field, and the caption names it whole
// with the middle elided.
class Name_Dialog : public QDialog {
    Q_OBJECT

public:
    Name_Dialog(QWidget *parent, const QString &title, const QString &caption,
                const QString &proposed);

    QString Name() const { return E_Name->text(); }

    QLabel *L_Caption;
    QLineEdit *E_Name;

    // The widest the dialog grows, and the narrowest it is.
    static constexpr int Max_Width = 720;
    static constexpr int Min_Width = 360;
};
