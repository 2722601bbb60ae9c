#pragma once

#include <QString>

// The one way windows speak to the user in message boxes. The program installs boxes on the
// screen; tests install a recorder that keeps what was shown and answers questions.
enum class Message_Kind {
    Error,          // error icon, OK
    Warning,        // warning icon, OK
    Question,       // question, Yes and No; Yes is the default
    Risky_Question, // question whose Yes deletes or risks something: No is the default
    Standard_Error, // the text of an error that ended a user's action
};

class Message_Sink {
public:
    virtual ~Message_Sink() = default;
    // Shows the message and waits for the user; true when a question was answered Yes.
    virtual bool Show(Message_Kind kind, const QString &text) = 0;
};

// Installs sink for every later message; the caller keeps it alive. Null restores the
// default, which writes the message to the log and answers No.
void Install_Message_Sink(Message_Sink *sink);

void Show_Error(const QString &text);
void Show_Warning(const QString &text);
bool Ask_Question(const QString &text);
// A question whose Yes cannot be undone or risks the device: Enter alone answers No.
bool Ask_Risky_Question(const QString &text);
void Show_Standard_Error(const QString &text);
