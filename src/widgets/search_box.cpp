#include "widgets/search_box.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "core/expression.h"
#include "data/dataset.h"
#include "widgets/user_action.h"

namespace tabel::widgets {

namespace {

bool editsText(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace) {
        return true;
    }
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll) ||
        event->matches(QKeySequence::Undo)) {
        return true;
    }
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

}  // namespace

SearchBox::SearchBox(Keys keys, QWidget* parent) : QLineEdit(parent), keys_(keys) {
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { runAction([&] { applyFilter(text); }); });
}

void SearchBox::bind(data::Dataset* dataset, const QString& field) {
    dataset_ = dataset;
    field_ = field;
}

void SearchBox::applyFilter(const QString& text) {
    if (search_) {
        search_(text);
        return;
    }
    if (dataset_ == nullptr) {
        return;
    }
    if (text.isEmpty()) {
        dataset_->setFiltered(false);
        return;
    }
    dataset_->setFilter(core::prefixFilter(field_, text));
    dataset_->setFiltered(true);
}

void SearchBox::startWith(const QString& typed) {
    setText(typed);
    end(false);
    goingOn_ = !typed.isEmpty();
}

void SearchBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // A dialog shown gives its focus widget a Tab focus, which selects the whole text: the
    // next letter would replace the first one.
    if (goingOn_) {
        deselect();
        end(false);
    }
}

void SearchBox::keyPressEvent(QKeyEvent* event) {
    goingOn_ = false;
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        if (dataset_ != nullptr && dataset_->isOpen()) {
            // The dataset's listeners act on the row the key chose.
            runAction([this, key] { key == Qt::Key_Up ? dataset_->prior() : dataset_->next(); });
        }
        event->accept();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        // Left to the window's default and cancel buttons.
        event->ignore();
        return;
    }
    if (keys_ == Keys::ConsumeAll && !editsText(event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace tabel::widgets
