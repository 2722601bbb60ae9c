#pragma once

#include "shell/Messages.h"

#include <QList>
#include <QPair>

// Keeps every message shown while it is installed and answers questions from a script.
class Message_Recorder : public Message_Sink {
public:
    Message_Recorder() { Install_Message_Sink(this); }
    ~Message_Recorder() override { Install_Message_Sink(nullptr); }
    Message_Recorder(const Message_Recorder &) = delete;
    Message_Recorder &operator=(const Message_Recorder &) = delete;

    bool Show(Message_Kind kind, const QString &text) override {
        Shown.append({kind, text});
        return !Answers.isEmpty() && Answers.takeFirst();
    }

    QList<QPair<Message_Kind, QString>> Shown;
    QList<bool> Answers; // for the questions to come, in order; No when it runs out
};
