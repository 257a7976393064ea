#pragma once
// Shows the program's message boxes with QMessageBox.

#include "core/messages.h"

namespace tabel::widgets {

class QtMessageHandler : public core::MessageHandler {
public:
    core::Answer show(core::MessageKind kind, const QString& title, const QString& text) override;
};

}  // namespace tabel::widgets
