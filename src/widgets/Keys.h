#pragma once

#include <QKeyEvent>

// Shift+F10 or the Menu key: the keys that open a context menu from the keyboard.
inline bool Opens_Context_Menu(const QKeyEvent &event) {
    return event.key() == Qt::Key_Menu ||
           (event.key() == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier);
}

// Enter on the main keyboard or the keypad.
inline bool Is_Enter(const QKeyEvent &event) {
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}
