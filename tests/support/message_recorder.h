#pragma once
// Records every message box instead of showing it and answers Yes/No as scripted.

#include <QList>
#include <QString>
#include <algorithm>

#include "core/messages.h"

namespace tabel::test {

struct RecordedMessage {
    core::MessageKind kind;
    QString title;
    QString text;
};

class MessageRecorder : public core::MessageHandler {
public:
    MessageRecorder() { core::MessageBoxes::setHandler(this); }
    ~MessageRecorder() override { core::MessageBoxes::setHandler(nullptr); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Answers for the next Yes/No boxes, in order; when none is left the answer is No.
    void answerNext(core::Answer answer) { answers_.append(answer); }

    core::Answer show(core::MessageKind kind, const QString& title, const QString& text) override {
        messages_.append({kind, title, text});
        if (kind == core::MessageKind::Stop || kind == core::MessageKind::Information) {
            return core::Answer::Ok;
        }
        return answers_.isEmpty() ? core::Answer::No : answers_.takeFirst();
    }

    const QList<RecordedMessage>& messages() const { return messages_; }
    QStringList texts() const {
        QStringList out;
        for (const auto& m : messages_) {
            out.append(m.text);
        }
        return out;
    }
    void clear() { messages_.clear(); }
    // Forgets every message after the first `count`.
    void keepFirst(qsizetype count) { messages_.resize(std::min(count, messages_.size())); }

private:
    QList<RecordedMessage> messages_;
    QList<core::Answer> answers_;
};

}  // namespace tabel::test
