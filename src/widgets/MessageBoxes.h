#pragma once

#include "shell/Messages.h"

// Shows messages in modal message boxes over the active window.
class Screen_Message_Sink : public Message_Sink {
public:
    bool Show(Message_Kind kind, const QString &text) override;
};
