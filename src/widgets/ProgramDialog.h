#pragma once

#include <QDialog>

// A dialog whose showing steps (loading what it shows, placing the focus, centring it) run
// only when the program shows it. The window system shows it again when it comes back from
// being minimised, on its own or with the main window; it must then come back as the user left
// it, typed text and position included.
class Program_Dialog : public QDialog {
    Q_OBJECT

protected:
    using QDialog::QDialog;

    // The steps of each showing by the program, before the dialog is centred on the screen.
    virtual void FormShow() = 0;

    void showEvent(QShowEvent *event) override;
};
