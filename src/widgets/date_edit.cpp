#include "widgets/date_edit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace tabel::widgets {

namespace {

constexpr auto kFormat = "dd.MM.yyyy";

bool isDateCharacter(QChar ch) {
    return ch.isDigit() || ch == QLatin1Char('.') || ch == QLatin1Char(',') ||
           ch == QLatin1Char('/');
}

// "10.12.2026", "10122026", "1.2.2026": day, month and year in the order the field shows them.
QDate readTyped(QString text) {
    text.replace(QLatin1Char(','), QLatin1Char('.')).replace(QLatin1Char('/'), QLatin1Char('.'));
    const QStringList parts = text.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (parts.size() == 3) {
        int year = parts[2].toInt();
        if (parts[2].size() <= 2) {
            year += 2000;
        }
        return QDate(year, parts[1].toInt(), parts[0].toInt());
    }
    if (parts.size() == 1 && text.size() == 8) {
        return QDate::fromString(text, QStringLiteral("ddMMyyyy"));
    }
    return {};
}

// A four-digit year, or eight digits without separators, completes a typed date.
bool isComplete(const QString& text) {
    if (!readTyped(text).isValid()) {
        return false;
    }
    QString normal = text;
    normal.replace(QLatin1Char(','), QLatin1Char('.')).replace(QLatin1Char('/'), QLatin1Char('.'));
    const QStringList parts = normal.split(QLatin1Char('.'));
    return (parts.size() == 3 && parts[2].size() == 4) || (parts.size() == 1 && text.size() == 8);
}

}  // namespace

DateEdit::DateEdit(QWidget* parent) : QDateEdit(parent) {
    setDisplayFormat(QString::fromLatin1(kFormat));
}

DateEdit::DateEdit(const QDate& date, QWidget* parent) : QDateEdit(date, parent) {
    setDisplayFormat(QString::fromLatin1(kFormat));
}

bool DateEdit::event(QEvent* event) {
    // The date edit walks its sections on Tab; here Tab leaves the field.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            applyTyped();
            const bool forward =
                key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
            QWidget::focusNextPrevChild(forward);
            return true;
        }
    }
    return QDateEdit::event(event);
}

void DateEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool dateChar = text.size() == 1 && isDateCharacter(text.at(0)) &&
                          !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    QLineEdit* line = lineEdit();
    const bool allSelected =
        line->hasSelectedText() && line->selectedText().size() == line->text().size();
    if (dateChar && (replaceAll_ || (allSelected && text.at(0).isDigit()))) {
        if (!replaceAll_) {
            replaceAll_ = true;
            typed_.clear();
        }
        typed_ += text;
        // The spin box would read each partial text as a date of its own; it gets only the
        // finished one.
        const QSignalBlocker quiet(line);
        line->setText(typed_);
        line->setCursorPosition(int(typed_.size()));
        if (isComplete(typed_)) {
            applyTyped();
        }
        event->accept();
        return;
    }
    if (replaceAll_ && event->key() == Qt::Key_Backspace) {
        typed_.chop(1);
        const QSignalBlocker quiet(line);
        line->setText(typed_);
        event->accept();
        return;
    }
    if (replaceAll_) {
        applyTyped();
    }
    QDateEdit::keyPressEvent(event);
}

void DateEdit::applyTyped() {
    if (!replaceAll_) {
        return;
    }
    replaceAll_ = false;
    const QDate date = readTyped(typed_);
    typed_.clear();
    const bool taken = date.isValid() && date >= minimumDate() && date <= maximumDate();
    if (taken) {
        setDate(date);
    }
    // An unfinished or impossible date leaves the date as it was.
    lineEdit()->setText(this->date().toString(displayFormat()));
    if (taken) {
        emit dateTyped();
    }
}

void DateEdit::focusInEvent(QFocusEvent* event) {
    QDateEdit::focusInEvent(event);
    // Typing over the date starts from the whole date selected, whatever way focus came.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::ShortcutFocusReason) {
        selectAll();
    }
}

void DateEdit::focusOutEvent(QFocusEvent* event) {
    applyTyped();
    QDateEdit::focusOutEvent(event);
}

}  // namespace tabel::widgets
