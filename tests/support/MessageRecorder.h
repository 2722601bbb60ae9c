#pragma once

#include "shell/Messages.h"

#include <QList>
#include <QPair>
#include <QStringList>

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

    // The texts shown, one a line, for a failing check to name.
    QString Texts() const {
        QStringList texts;
        for (const auto &message : Shown)
            texts << message.second;
        return texts.join(QLatin1Char('\n'));
    }

    QList<QPair<Message_Kind, QString>> Shown;
    QList<bool> Answers; // for the questions to come, in order; No when it runs out
};
