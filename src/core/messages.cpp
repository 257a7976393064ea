#include "core/messages.h"

#include <cstdio>

namespace tabel::core {

namespace {
MessageHandler* g_handler = nullptr;
}

void MessageBoxes::setHandler(MessageHandler* handler) {
    g_handler = handler;
}

MessageHandler* MessageBoxes::handler() {
    return g_handler;
}

Answer MessageBoxes::show(MessageKind kind, const QString& title, const QString& text) {
    if (g_handler != nullptr) {
        return g_handler->show(kind, title, text);
    }
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
    return kind == MessageKind::Stop || kind == MessageKind::Information ? Answer::Ok : Answer::No;
}

void MessageBoxes::error(const QString& text, const QString& title) {
    show(MessageKind::Stop, title, text);
}

bool MessageBoxes::confirmDelete(const QString& text) {
    return show(MessageKind::Question, QStringLiteral("Удаление"), text) == Answer::Yes;
}

void MessageBoxes::inform(const QString& text, const QString& title) {
    show(MessageKind::Information, title, text);
}

bool MessageBoxes::ask(const QString& text) {
    return show(MessageKind::Exclamation, QStringLiteral("Запрос"), text) == Answer::Yes;
}

}  // namespace tabel::core
