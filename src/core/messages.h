#pragma once
// The one place where the program asks or tells the user something in a modal box.
// The boxes themselves are drawn by the handler the application installs (widgets).

#include <QString>

namespace tabel::core {

// The box shapes the program uses (stop+OK, question+Yes/No, exclamation+Yes/No,
// information+OK).
enum class MessageKind { Stop, Question, Exclamation, Information };

enum class Answer { Ok, Yes, No };

// Replaced by tests to record boxes and answer them as scripted.
class MessageHandler {
public:
    virtual ~MessageHandler() = default;
    virtual Answer show(MessageKind kind, const QString& title, const QString& text) = 0;
};

class MessageBoxes {
public:
    // Stop icon, OK button; title "Ошибка" unless given.
    static void error(const QString& text, const QString& title = QStringLiteral("Ошибка"));
    // "Удаление", question icon, Yes/No; true for Yes.
    static bool confirmDelete(const QString& text);
    // "Запрос", exclamation icon, Yes/No; true for Yes.
    static bool ask(const QString& text);
    // Information icon, OK button: something done or worth knowing, never a failure.
    static void inform(const QString& text, const QString& title = QStringLiteral("Информация"));

    // The application installs the real boxes; tests install a recorder.
    // Without a handler a Stop box is written to stderr and questions answer No.
    static void setHandler(MessageHandler* handler);
    static MessageHandler* handler();

    static Answer show(MessageKind kind, const QString& title, const QString& text);
};

}  // namespace tabel::core
