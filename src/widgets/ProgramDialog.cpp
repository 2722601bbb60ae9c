#include "ProgramDialog.h"

#include "ProgramStyle.h"

#include <QShowEvent>

void Program_Dialog::showEvent(QShowEvent *event) {
    // show() and exec() send a show event of their own; the window system's come spontaneously.
    if (!event->spontaneous()) {
        FormShow();
        Center_On_Screen(this);
    }
    QDialog::showEvent(event);
}
