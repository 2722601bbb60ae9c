#include "MessageBoxes.h"

#include "shell/AppState.h"

#include <QApplication>
#include <QMessageBox>

bool Screen_Message_Sink::Show(Message_Kind kind, const QString &text) {
    QWidget *parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                        : QApplication::activeWindow();
    const QString title = App.SW_Code.isEmpty() ? Def_SW_Code : App.SW_Code;
    switch (kind) {
    case Message_Kind::Warning:
        QMessageBox::warning(parent, title, text);
        return false;
    case Message_Kind::Question:
    case Message_Kind::Risky_Question:
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                     kind == Message_Kind::Risky_Question
                                         ? QMessageBox::No
                                         : QMessageBox::Yes) == QMessageBox::Yes;
    case Message_Kind::Error:
    case Message_Kind::Standard_Error:
        QMessageBox::critical(parent, title, text);
        return false;
    }
    return false;
}
