#include "Messages.h"

#include <QDebug>

namespace {

class Log_Sink : public Message_Sink {
public:
    bool Show(Message_Kind, const QString &text) override {
        qWarning().noquote() << text;
        return false;
    }
};

Log_Sink Default_Sink;
Message_Sink *Current_Sink = &Default_Sink;

} // namespace

void Install_Message_Sink(Message_Sink *sink) {
    Current_Sink = sink ? sink : &Default_Sink;
}

void Show_Error(const QString &text) {
    Current_Sink->Show(Message_Kind::Error, text);
}

void Show_Warning(const QString &text) {
    Current_Sink->Show(Message_Kind::Warning, text);
}

bool Ask_Question(const QString &text) {
    return Current_Sink->Show(Message_Kind::Question, text);
}

bool Ask_Risky_Question(const QString &text) {
    return Current_Sink->Show(Message_Kind::Risky_Question, text);
}

void Show_Standard_Error(const QString &text) {
    Current_Sink->Show(Message_Kind::Standard_Error, text);
}
