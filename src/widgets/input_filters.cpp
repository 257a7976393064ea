#include "widgets/input_filters.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace tabel::widgets {

namespace {

class InputFilter : public QObject {
public:
    InputFilter(QLineEdit* box, bool decimal) : QObject(box), box_(box), decimal_(decimal) {
        // Pasted or dropped text arrives without key presses.
        connect(box, &QLineEdit::textEdited, this, &InputFilter::keepAllowed);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shortcuts (Ctrl+V among them) may carry their letter as text on some platforms.
        if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) {
            return false;
        }
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint()) {
            return false;  // Backspace, Enter, Esc and cursor keys
        }
        const QString kept = allowed(text);
        if (kept == text) {
            return false;
        }
        if (!kept.isEmpty()) {
            box_->insert(kept);
        }
        return true;
    }

private:
    QString allowed(const QString& text) const {
        QString kept;
        for (const QChar c : text) {
            if (c >= u'0' && c <= u'9') {
                kept.append(c);
            } else if (decimal_ && (c == u',' || c == u'.')) {
                kept.append(u',');
            }
        }
        return kept;
    }

    void keepAllowed() {
        const QString text = box_->text();
        const QString kept = allowed(text);
        if (kept == text) {
            return;
        }
        const qsizetype cursor = allowed(text.left(box_->cursorPosition())).size();
        box_->setText(kept);
        box_->setCursorPosition(int(cursor));
    }

    QLineEdit* box_;
    bool decimal_;
};

void install(QLineEdit* box, bool decimal) {
    box->installEventFilter(new InputFilter(box, decimal));
}

}  // namespace

void acceptDecimalInput(QLineEdit* box) {
    install(box, true);
}

void acceptDigitInput(QLineEdit* box) {
    install(box, false);
}

}  // namespace tabel::widgets
