#include "widgets/input_filters.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace tabel::widgets {

namespace {

class KeyFilter : public QObject {
public:
    KeyFilter(QLineEdit* box, bool decimal) : QObject(box), box_(box), decimal_(decimal) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.isEmpty() || !text.at(0).isPrint()) {
            return false;  // Backspace, Enter, Esc, cursor keys and shortcuts
        }
        const QChar c = text.at(0);
        if (text.size() == 1 && c >= u'0' && c <= u'9') {
            return false;
        }
        if (decimal_ && text.size() == 1 && (c == u',' || c == u'.')) {
            box_->insert(QStringLiteral(","));
        }
        return true;
    }

private:
    QLineEdit* box_;
    bool decimal_;
};

}  // namespace

void acceptDecimalKeys(QLineEdit* box) {
    box->installEventFilter(new KeyFilter(box, true));
}

void acceptDigitKeys(QLineEdit* box) {
    box->installEventFilter(new KeyFilter(box, false));
}

}  // namespace tabel::widgets
